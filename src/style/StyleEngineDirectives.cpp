// The line processor of the template language: comments, directives, the
// condition stack and loop expansion.
#include "style/StyleEngine.h"
#include "style/StyleTokens.h"

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "core/FileLookup.h"
#include "core/LectureVideoPlan.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {
constexpr auto npos = std::string::npos;
bool has(const std::string& line, const char* word) { return line.find(word) != npos; }
// Whether a file can be opened for reading (checked once per slide page, so
// quietly: no debug-log line).
bool readable(const std::string& path) { return IsRegularFile(path) && ::access(path.c_str(), R_OK) == 0; }
}  // namespace

bool StyleEngine::Fail(const std::string& text)
{
    ++reports_;
    if (StyleError.empty())
        StyleError = text;
    Tav_DebugLog(text);
    // The run stops with this text, and its caller shows it.
    return false;
}

const DirListing& StyleEngine::LectureFiles() const
{
    if (!lectureFiles_ || lectureFilesDir_ != settings_.LecDir) {
        lectureFilesDir_ = settings_.LecDir;
        lectureFiles_ = std::make_unique<DirListing>(Tav_DirSlash(settings_.LecDir));
        pagePaths_.clear();
    }
    return *lectureFiles_;
}

std::string StyleEngine::LectureFile(const std::string& name) const
{
    std::string path, err;
    if (LectureFiles().Find(name, path, err))
        return path;
    if (!err.empty() && lectureFileError_.empty())
        lectureFileError_ = err;
    return Join(settings_.LecDir, name);  // not there: nothing is copied from it
}

const std::vector<std::string>& StyleEngine::SlidePagePaths() const
{
    LectureFiles();
    if (pagePaths_.empty()) {
        pagePaths_.assign(kMaxSlides + 1, std::string());
        for (int i = 0; i <= kMaxSlides; ++i)
            pagePaths_[i] = LectureFile("sld" + Fmt000(i) + ".htm");
    }
    return pagePaths_;
}

std::string StyleEngine::NotesFile(int slide) const
{
    const std::string& image = lecture_.SlideAt(SlideIndex(slide)).Image;
    if (image.empty())
        return "";
    return LectureFile(Tav_StripExt(image) + ".not");
}

int StyleEngine::FirstSlideOfPart(int part) const
{
    for (int s = 1; s <= lecture_.SlideCount(); ++s)
        if (lecture_.SlideAt(s).AudioPart == part || lecture_.SlideAt(s).VideoPart == part)
            return s;
    return 1;
}

bool StyleEngine::SamePart(int i, int s) const
{
    const int a = lecture_.SlideAt(s).AudioPart, v = lecture_.SlideAt(s).VideoPart;
    const Slide& other = lecture_.SlideAt(i);
    if (a == -1 && v == -1)  // no media: grouped with the other slides without media
        return other.AudioPart == -1 && other.VideoPart == -1;
    // -1 means "no part", so it is never a shared part.
    return (a != -1 && other.AudioPart == a) || (v != -1 && other.VideoPart == v);
}

bool StyleEngine::Condition(const std::string& line, int slide, bool toDisk) const
{
    const int s = SlideIndex(slide);
    const Slide& here = lecture_.SlideAt(s);
    const bool hasAudio = here.AudioPart != -1;
    const bool hasVideo = here.VideoPart != -1;
    // Neighbours in the same part; slide 0 and slide 500 bound the table.
    const auto partChanges = [&](int other) {
        const int o = SlideIndex(other);
        if (hasAudio)
            return here.AudioPart != lecture_.SlideAt(o).AudioPart;
        if (hasVideo)
            return here.VideoPart != lecture_.SlideAt(o).VideoPart;
        return false;
    };
    // Order matters: AUDIOONLY must be tested before AUDIO, and a word whose
    // disk-flag side does not hold falls through to the later rows.
    // The publication holds the lecture as one video (written before the
    // pages).
    if (has(line, "ONEVIDEO"))
        return Tav_ChkFile(Tav_DirSlash(settings_.OutDir) + kLectureVideoName);
    if (has(line, "AUDIOANDVIDEO"))
        return hasAudio && hasVideo;
    if (has(line, "AUDIOONLY"))
        return hasAudio && !hasVideo;
    if (has(line, "AUDIO"))
        return hasAudio;
    if (has(line, "VIDEOONLY"))
        return hasVideo && !hasAudio;
    if (has(line, "VIDEO"))
        return hasVideo;
    if (toDisk && has(line, "CDROM"))
        return settings_.OptCD;
    if (!toDisk && has(line, "WEB"))
        return settings_.OptWeb;
    if (toDisk && has(line, "PSEUDOSTREAM"))
        return !settings_.Stream;
    if (!toDisk && has(line, "STREAM"))
        return settings_.Stream;
    if (has(line, "FIRSTSLIDE"))
        return slide == 1;
    if (has(line, "LASTSLIDE"))
        return slide == lecture_.SlideCount();
    if (has(line, "FIRSTINPART"))
        return slide == 1 || partChanges(s - 1);
    if (has(line, "LASTINPART"))
        return slide == lecture_.SlideCount() || partChanges(s + 1);
    // The slide's part has captions.
    if (has(line, "CAPTIONS")) {
        const int part = hasVideo ? here.VideoPart : hasAudio ? here.AudioPart : 0;
        return !lecture_.PartAt(part).CaptionTracks.empty();
    }
    // The lecture has the slide's sharp copy (imgNNN.webp, which the publish
    // copies beside the GIF).
    if (has(line, "HIRES")) {
        std::string path, err;
        return LectureFiles().Find("img" + Fmt000(slide) + ".webp", path, err);
    }
    // The slide has words of its own (its slide text), and notes.
    if (has(line, "HASTEXT"))
        return !Trim(here.Text).empty();
    if (has(line, "HASNOTES"))
        return !Trim(NotesSource(slide)).empty();
    // A course page is above the publication (a folder above holds one).
    if (has(line, "COURSE"))
        return !CoursePageOf(settings_, toDisk).empty();
    return false;
}

void StyleEngine::WriteSlideText(int slide, std::ostream& out) const
{
    // A paragraph per block of lines, a line break between its lines.
    std::string paragraph;
    const auto flush = [&] {
        if (!paragraph.empty())
            out << "<p>" << paragraph << "</p>\r\n";
        paragraph.clear();
    };
    const std::string& text = lecture_.SlideAt(SlideIndex(slide)).Text;
    size_t from = 0;
    while (from <= text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(from, end - from));
        from = end + 1;
        if (line.empty())
            flush();
        else
            paragraph += (paragraph.empty() ? "" : "<br>") + PlainTextAsHtml(line);
    }
    flush();
}

void StyleEngine::ApplyDirectives(const std::string& line, int slide, const std::string& slidePage, bool active,
                                  std::ostream& out, bool toDisk) const
{
    if (!active)
        return;
    if (has(line, "!INCLUDE"))
        CopySection("", "", slidePage, out, slide, toDisk, false, false, false);
    if (has(line, "!HEAD"))
        CopySection("<HEAD>", "</HEAD>", slidePage, out, slide, toDisk, false, false, false);
    if (has(line, "!NOTES")) {
        if (readable(slidePage))
            CopySection("Notes:", "<!--", slidePage, out, slide, toDisk, true, false, false);
        else
            CopySection("", "", NotesFile(slide), out, slide, toDisk, true, false, false);
    }
    if (has(line, "!SLIDETEXT"))
        WriteSlideText(slide, out);
    if (has(line, "!RTNOTES"))
        CopySection("Notes:", "<!--", slidePage, out, slide, toDisk, true, true, false);
    if (has(line, "!MAP"))
        CopySection("<MAP", "</MAP>", slidePage, out, slide, toDisk, false, false, true);
}

bool StyleEngine::ProcessTemplate(int slide, const std::string& slidePage, TemplateLines& in, std::ostream& out,
                                  bool toDisk)
{
    bool active = true;
    std::array<bool, kMaxIfDepth + 1> stored {};  // slot 0 is never used
    int depth = 0;
    // One line buffer per loop level, reused from pass to pass.
    std::string& line = lineBuffers_[static_cast<size_t>(std::clamp<int>(LoopDepth, 0, kMaxLoopDepth))];
    while (in.Next(line)) {
        if (!line.empty() && line[0] == '#')
            continue;
        SubstituteTokens(line, slide, toDisk);
        if (line.find('!') != npos) {
            ApplyDirectives(line, slide, slidePage, active, out, toDisk);
            if (has(line, "!FORSLIDE")
                && !ExpandLoop("!FORSLIDE", "!ENDSLIDE", slide, active, slidePage, in, out, toDisk))
                return false;
            if (has(line, "!FORPART") && !ExpandLoop("!FORPART", "!ENDPART", slide, active, slidePage, in, out, toDisk))
                return false;
            if (has(line, "!IFDEF")) {
                if (depth >= kMaxIfDepth)
                    return Fail("Too many nested !IFDEF (more than " + std::to_string(kMaxIfDepth) + ") in "
                                + currentTemplate_);
                stored[++depth] = active;
                active = Condition(line, slide, toDisk) && stored[depth];
            }
            if (has(line, "!ELSE")) {
                if (depth == 0) {
                    ++reports_;
                    Tav_Message("Error, Stack Underflow " + line);
                } else {
                    active = stored[depth] && !active;
                }
            }
            if (has(line, "!ENDIF")) {
                if (depth == 0) {
                    ++reports_;
                    Tav_Message("Error, Stack Underflow " + line);
                    active = true;
                } else {
                    active = stored[depth--];
                }
            }
        }
        if (active && (line.empty() || line[0] != '!'))
            WriteTextLine(out, line);
    }
    return true;
}

bool StyleEngine::ExpandLoop(const std::string& startWord, const std::string& endWord, int slide, bool active,
                             const std::string& slidePage, TemplateLines& in, std::ostream& out, bool toDisk)
{
    (void)slidePage;  // each pass uses the page of its own slide
    if (LoopDepth >= kMaxLoopDepth)
        return Fail("Too many nested loops (more than " + std::to_string(kMaxLoopDepth) + ") in " + currentTemplate_);
    if (LoopDepth == 0)
        loopPasses_ = 0;
    ++LoopDepth;
    // The body is captured verbatim: tokens are substituted in each pass,
    // with the pass's slide. The first end word ends it.
    std::vector<std::string> body;
    std::string line;
    while (in.Next(line)) {
        if (line.find(endWord) != npos)
            break;
        if (active)
            body.push_back(line);
    }
    bool ok = true;
    if (active && !body.empty()) {
        const int s = SlideIndex(slide);
        const std::vector<std::string>& pages = SlidePagePaths();
        if (startWord == "!FORPART") {
            const bool saved = PartRestrict;
            PartRestrict = true;
            const size_t slot = LoopPassSlot(body, toDisk);
            for (int p = 1; ok && p <= lecture_.PartCount(); ++p) {
                const int i = FirstSlideOfPart(p);
                ok = LoopPass(slot, i, body, pages[i], out, toDisk);
            }
            PartRestrict = saved;
        } else {
            const size_t slot = LoopPassSlot(body, toDisk);
            for (int i = 1; ok && i <= lecture_.SlideCount(); ++i) {
                if ((PartRestrict && !SamePart(i, s)) || lecture_.SlideAt(i).CutAway)
                    continue;
                ok = LoopPass(slot, i, body, pages[i], out, toDisk);
            }
        }
    }
    --LoopDepth;
    return ok;
}

bool StyleEngine::RFileGrep(int slide, const std::vector<std::string>& body, const std::string& slidePage,
                            std::ostream& out, bool toDisk)
{
    if (++loopPasses_ > MaxLoopPasses)
        return Fail("Loop expansion too large (more than " + std::to_string(MaxLoopPasses) + " passes) in "
                    + currentTemplate_);
    TemplateLines lines(body);
    return ProcessTemplate(slide, slidePage, lines, out, toDisk);
}

size_t StyleEngine::LoopPassSlot(const std::vector<std::string>& body, bool toDisk)
{
    for (size_t k = 0; k < passTexts_.size(); ++k) {
        const LoopPassTexts& t = passTexts_[k];
        if (t.partRestrict == PartRestrict && t.depth == LoopDepth && t.toDisk == toDisk && t.body == body)
            return k;
    }
    passTexts_.push_back({body, PartRestrict, LoopDepth, toDisk, {}, {}});
    return passTexts_.size() - 1;
}

bool StyleEngine::LoopPass(size_t slot, int slide, const std::vector<std::string>& body, const std::string& slidePage,
                           std::ostream& out, bool toDisk)
{
    if (!keepPasses_)
        return RFileGrep(slide, body, slidePage, out, toDisk);
    const auto index = static_cast<size_t>(SlideIndex(slide));
    {
        LoopPassTexts& texts = passTexts_[slot];
        if (texts.passes.size() <= index) {
            texts.passes.resize(index + 1, 0);
            texts.text.resize(index + 1);
        }
        // A kept pass counts its passes as if it ran; one that would go
        // past the bound runs, and fails where it did.
        const int64_t kept = texts.passes[index];
        if (kept > 0 && loopPasses_ + kept <= MaxLoopPasses) {
            loopPasses_ += kept;
            WriteText(out, texts.text[index]);
            return true;
        }
    }
    std::ostringstream pass;
    const int64_t passesBefore = loopPasses_, reportsBefore = reports_;
    const bool ok = RFileGrep(slide, body, slidePage, pass, toDisk);
    std::string text = std::move(pass).str();
    WriteText(out, text);
    if (ok && reports_ == reportsBefore) {
        // Looked up again: nested loops may have added slots.
        LoopPassTexts& texts = passTexts_[slot];
        texts.passes[index] = loopPasses_ - passesBefore;
        texts.text[index] = std::move(text);
    }
    return ok;
}

std::string StyleEngine::NotesSource(int slide) const
{
    std::ostringstream out;
    const std::string& page = SlidePagePaths()[static_cast<size_t>(SlideIndex(slide))];
    if (readable(page))
        CopySection("Notes:", "<!--", page, out, slide, true, false, false, false);
    else
        CopySection("", "", NotesFile(slide), out, slide, true, false, false, false);
    return out.str();
}

}  // namespace pellucor
