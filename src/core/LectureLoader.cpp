#include "core/LectureLoader.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <vector>

#include "core/EventsFile.h"
#include "core/RecordingKinds.h"
#include "core/SlideText.h"
#include "core/TavUtils.h"
#include "core/TitlesFile.h"

namespace pellucor {

namespace {

struct SlideLine {
    std::string start, end, name, image;
    bool counts() const { return (!name.empty() || !image.empty()) && !start.empty() && !end.empty(); }
};

// "img012.gif" -> "12": the number at the end of a picture's name, as
// slide import counts its slides ("" when there is none).
std::string pictureNumber(const std::string& image)
{
    const std::string stem = image.substr(0, image.rfind('.'));
    size_t from = stem.size();
    while (from > 0 && std::isdigit(static_cast<unsigned char>(stem[from - 1])))
        --from;
    const std::string digits = stem.substr(from);
    return digits.empty() ? "" : std::to_string(std::stol(digits.substr(0, 9)));
}

std::string imageFromPage(const std::string& page)
{
    const std::string p = Lower(page);
    if (StartsWith(p, "sld") && EndsWith(p, ".htm"))
        return "img" + p.substr(3, 3) + ".gif";
    return "";
}

// u START END URL\page
SlideLine parseNormalLine(const std::string& line)
{
    EventLine e;
    if (!ParseEventLine(line, e))
        return SlideLine {};  // no page: the line is skipped
    return {e.start, e.end, e.page, imageFromPage(e.page)};
}

// DURATION_IN_TICKS IMAGE, times carried as a running total.
bool parseImagesLine(const std::string& line, int slot, int64_t& total, SlideLine& r)
{
    const auto f = Tav_Split(line);
    if (f.size() - 1 < 2)
        return false;
    const int64_t duration = RoundHalfEven(Val(f[1]));
    r.start = Tav_TicksToTime(total);
    total += duration;
    r.end = Tav_TicksToTime(total);
    r.image = Lower(f[2]);
    r.name = "sld" + Fmt000(slot) + ".htm";
    return true;
}

std::string fileName(const std::string& path)
{
    const auto pos = path.rfind(kPathSeparator);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

// Opens a file found on disk for reading; false with the reason otherwise.
bool openInput(const std::string& path, std::ifstream& in, std::string& err)
{
    if (const std::string why = FileProblem(path); !why.empty()) {
        err = "Unable to Open " + path + " for Input - " + why;
        return false;
    }
    in.open(path, std::ios::binary);
    if (!in) {
        err = "Unable to Open " + path + " for Input";
        return false;
    }
    return true;
}

}  // namespace

LectureLoader::LectureLoader(Lecture& lecture, Inputs in, VideoQuestion hasVideo, Status verboseStatus, Status status,
                             RecordingProbe probe)
    : lecture_(lecture),
      in_(std::move(in)),
      hasVideo_(std::move(hasVideo)),
      verbose_(std::move(verboseStatus)),
      status_(std::move(status)),
      probe_(std::move(probe)),
      media_(in_.mediaDir)
{ }

bool LectureLoader::FindReadable(const DirListing& dir, const std::string& name, std::string& path,
                                 std::string& err) const
{
    if (!dir.Find(name, path, err))
        return false;
    if (const std::string why = FileProblem(path); !why.empty()) {
        err = "Unable to read " + path + " - " + why;
        path.clear();
        return false;
    }
    return true;
}

bool LectureLoader::FindRecording(const std::string& base, std::string& path, std::string& err) const
{
    for (const std::string& ext : RecordingExtensions()) {
        if (FindReadable(media_, base + ext, path, err))
            return true;
        if (!err.empty())
            return false;
    }
    return false;
}

bool LectureLoader::FindNamingConvention(Convention& conv, std::string& firstEvents, std::string& err)
{
    const std::string& D = in_.mediaDir;
    std::string rawmedia;
    if (FindReadable(media_, in_.lecName + "1.txt", firstEvents, err)) {
        conv = Convention::MultiPart;
        return true;
    }
    if (!err.empty())
        return false;
    // images.txt or pellucor.txt beside the rawmedia recording: RealMedia
    // first, a recording of today only where nothing else is found.
    const auto rawmediaConvention = [&](bool haveRawmedia, bool& chosen) {
        chosen = false;
        for (const auto& [name, which, text] :
             {std::tuple {"images.txt", Convention::Images, "Using images/rawmedia convention"},
              std::tuple {"pellucor.txt", Convention::Plain, "Using rawmedia.* convention"}}) {
            if (!FindReadable(media_, name, firstEvents, err)) {
                if (!err.empty())
                    return false;
                continue;
            }
            if (haveRawmedia) {
                conv = which;
                verbose_(text);
                chosen = true;
                return true;
            }
        }
        return true;
    };
    bool chosen = false;
    const bool haveRawmedia = FindReadable(media_, "rawmedia.rm", rawmedia, err);
    if (!err.empty() || !rawmediaConvention(haveRawmedia, chosen) || chosen)
        return chosen;
    // The parts of a lecture of another name would be dropped but for the
    // first: the name given is wrong.
    if (const std::string other = otherLectureParts(); !other.empty()) {
        err = "No events file of the lecture " + in_.lecName + " (" + in_.lecName + "1.txt) in " + D
            + "; it holds the events files " + other;
        return false;
    }
    auto media = ListFiles(D, "*.rm");
    conv = Convention::FirstRm;
    if (media.empty()) {
        const bool haveRecording = FindRecording("rawmedia", rawmedia, err);
        if (!err.empty() || !rawmediaConvention(haveRecording, chosen) || chosen)
            return chosen;
        if (std::string first = FirstRecordingIn(D); !first.empty()) {
            media = {std::move(first)};
            conv = Convention::FirstRecording;
        }
    }
    if (media.empty()) {
        err = "Media directory has no RealMedia files (*.rm) " + D + " nor recordings (" + RecordingPatterns() + ")";
        return false;
    }
    const std::string& found = media.front();
    const std::string events = found.substr(0, found.rfind('.')) + ".txt";
    if (!FindReadable(media_, events, firstEvents, err)) {
        if (err.empty())
            err = "In " + D + " found " + found + " but did not find timing file " + D + events;
        return false;
    }
    verbose_("Found events and media files " + firstEvents);
    return true;
}

std::string MultiPartLectureIn(const std::string& dir)
{
    const DirListing listing(Tav_DirSlash(dir));
    for (const std::string& first : ListFiles(dir, "*1.txt")) {
        const std::string name = first.substr(0, first.size() - 5);
        std::string path, err;
        if (!name.empty() && listing.Find(name + "2.txt", path, err))
            return name;
    }
    return "";
}

std::string LectureLoader::otherLectureParts() const
{
    const std::string name = MultiPartLectureIn(in_.mediaDir);
    if (name.empty())
        return "";
    std::string list, path, err;
    for (int p = 1; media_.Find(name + std::to_string(p) + ".txt", path, err); ++p)
        list += (list.empty() ? "" : ", ") + fileName(path);
    return list + " (lecture " + name + ")";
}

bool LectureLoader::FindEvents(int part, Convention conv, const std::string& first, std::string& events,
                               std::string& err)
{
    if (part == 1) {
        events = first;
        return true;
    }
    if (conv != Convention::MultiPart)
        return false;
    return FindReadable(media_, in_.lecName + std::to_string(part) + ".txt", events, err);
}

bool LectureLoader::FindPartMedia(const std::string& events, Part& part, std::string& err)
{
    if (LookUpPartMedia(events, part, err))
        return true;
    if (err.empty())
        err = "Unable to find media file correponding to " + events;
    return false;
}

bool LectureLoader::LookUpPartMedia(const std::string& events, Part& part, std::string& err)
{
    err.clear();
    part.AudioFile.clear();
    part.VideoFile.clear();
    part.BrowserCopy.clear();
    // The media lies beside its events file, named like it.
    const std::string name = fileName(events);
    const std::string base = name.substr(0, name.size() - 4);
    const std::string evName = Lower(name);
    std::string audio, rm;
    if (!FindReadable(media_, base + ".ra", audio, err) && !err.empty())
        return false;
    if (!FindReadable(media_, base + ".rm", rm, err) && !err.empty())
        return false;
    if (rm.empty() && (Contains(evName, "images.txt") || Contains(evName, "pellucor.txt"))
        && !FindReadable(media_, "rawmedia.rm", rm, err) && !err.empty())
        return false;
    if (rm.empty() && !in_.fullCheck && Contains(evName, "images.txt") && !FindReadable(media_, "rawmedia.mov", rm, err)
        && !err.empty())
        return false;
    // Without RealMedia: a recording of today named the same way.
    std::string recording;
    if (audio.empty() && rm.empty()) {
        if (!FindRecording(base, recording, err) && !err.empty())
            return false;
        if (recording.empty() && (Contains(evName, "images.txt") || Contains(evName, "pellucor.txt"))
            && !FindRecording("rawmedia", recording, err) && !err.empty())
            return false;
    }
    if (!recording.empty()) {
        bool video = IsVideoRecordingName(recording);
        if (in_.fullCheck && probe_ && !probe_(recording, video, err))
            return false;
        (video ? part.VideoFile : part.AudioFile) = recording;
    }
    if (!audio.empty())
        part.AudioFile = audio;
    if (!rm.empty()) {
        bool video = true;
        if (in_.fullCheck && hasVideo_ && !hasVideo_(rm, video, err))
            return false;
        (video ? part.VideoFile : part.AudioFile) = rm;
    }
    return !part.AudioFile.empty() || !part.VideoFile.empty();
}

bool LectureLoader::ReadEvents(int part, const std::string& events, std::string& err)
{
    Tav_DebugLog("Opening " + events + " for Input");
    std::ifstream in;
    if (!openInput(events, in, err))
        return false;
    const bool imagesConvention = Contains(Lower(fileName(events)), "images.txt");
    int slot = lecture_.SlideCount() + 1;
    const int firstSlot = slot;
    int64_t ticks = 0;  // running total of the images convention
    std::vector<SlideLine> lines;
    std::string line;
    while (Tav_ReadLine(in, line)) {
        Tav_DebugLog(line);
        if (line[0] == '#')
            continue;
        SlideLine parsed;
        if (imagesConvention) {
            if (!parseImagesLine(line, firstSlot + static_cast<int>(lines.size()), ticks, parsed))
                continue;
        } else {
            parsed = parseNormalLine(line);
        }
        if (parsed.counts())
            lines.push_back(parsed);
    }
    if (in.bad()) {
        err = "Unable to read " + events + " to its end";
        return false;
    }
    // Slides follow each other in time: lines written out of order are
    // put in order of their start (two at the same instant keep theirs).
    const auto byStart
        = [](const SlideLine& a, const SlideLine& b) { return Tav_TimeToTicks(a.start) < Tav_TimeToTicks(b.start); };
    if (!std::is_sorted(lines.begin(), lines.end(), byStart)) {
        std::stable_sort(lines.begin(), lines.end(), byStart);
        status_("Warning: the slide times of " + events + " are not in time order; they were put in order");
    }
    for (const SlideLine& parsed : lines) {
        if (slot > kMaxSlides) {
            err = "Too many slides: a lecture holds at most " + std::to_string(kMaxSlides) + " slides (" + events + ")";
            return false;
        }
        const Part& media = lecture_.PartAt(part);
        lecture_.Slides.push_back({parsed.start,
                                   parsed.end,
                                   parsed.name,
                                   parsed.image,
                                   "",
                                   media.AudioFile.empty() ? -1 : part,
                                   media.VideoFile.empty() ? -1 : part,
                                   {},
                                   {},
                                   {}});
        ++slot;
    }
    // A part without a single slide would publish as nothing at all.
    if (slot == firstSlot) {
        err = "The events file " + events + " holds no slide lines";
        return false;
    }
    return true;
}

bool LectureLoader::ReadIndexTitles(const std::string& index, std::string& err)
{
    Tav_DebugLog("Opening/FullCheck " + index + " for Input");
    std::ifstream in;
    if (!openInput(index, in, err))
        return false;
    std::string line;
    while (Tav_ReadLine(in, line)) {
        if (!Contains(line, "ALIGN=LEFT"))
            continue;
        for (Slide& slide : lecture_.Slides) {
            const std::string& name = slide.Name;
            const auto at = name.empty() ? std::string::npos : line.find(name);
            if (at == std::string::npos)
                continue;
            verbose_("Extracting " + name + " from index.htm");
            const auto gt = line.find('>', at + name.size());
            if (gt == std::string::npos)
                continue;
            std::string title = line.substr(gt + 1);
            title = SlideIndexTitleText(Trim(title.substr(0, title.find('<'))));
            title = Trim(Utf8Prefix(title, 24));
            if (slide.Title.empty()) {
                slide.Title = title;
                slide.TitleFrom = "index.htm";
            }
        }
    }
    return true;
}

bool LectureLoader::ReadTitlesFile(const std::string& titles, std::string& err)
{
    std::ifstream in;
    if (!openInput(titles, in, err))
        return false;
    std::string line;
    while (Tav_ReadLine(in, line)) {
        if (line[0] == '#')
            continue;
        size_t q[4];
        size_t from = 0;
        bool four = true;
        for (auto& pos : q) {
            pos = line.find('"', from);
            if (pos == std::string::npos) {
                four = false;
                break;
            }
            from = pos + 1;
        }
        if (!four)
            continue;
        const std::string name = ReplaceAll(Lower(Trim(line.substr(q[0] + 1, q[1] - q[0] - 1))), "&qt;", "\"");
        const std::string title = ReplaceAll(Trim(line.substr(q[2] + 1, q[3] - q[2] - 1)), "&qt;", "\"");
        if (name.empty() || title.empty())
            continue;
        for (Slide& slide : lecture_.Slides)
            if (Lower(slide.Name) == name || Lower(slide.Image) == name) {
                slide.Title = title;
                slide.TitleFrom = "titles.txt";
            }
    }
    return true;
}

bool LectureLoader::ReadTitles(std::string& err)
{
    const DirListing slides(Tav_DirSlash(in_.slideDir));
    std::string path;
    status_("Parsing index.htm");
    if (slides.Find("index.htm", path, err)) {
        if (!ReadIndexTitles(path, err))
            return false;
    } else if (!err.empty()) {
        return false;
    }
    status_("Parsing titles.txt");
    if (slides.Find("titles.txt", path, err))
        return ReadTitlesFile(path, err);
    return err.empty();
}

void LectureLoader::TakeSlideText(Slide& slide, const SlideText& text)
{
    slide.Text = text.text;
    slide.TextFrom = SlideTextSourceLabel(text);
    const bool placeholder
        = slide.Title.empty() || slide.Title == slide.Name || slide.Title == "Slide " + pictureNumber(slide.Image);
    if (placeholder && !text.title.empty()) {
        slide.Title = SlideTextOnOneLine(text.title);
        slide.TitleFrom = "the slide's text, " + slide.TextFrom;
    }
}

bool LectureLoader::ReadSlideTexts(std::string& err)
{
    const DirListing slides(Tav_DirSlash(in_.slideDir));
    for (Slide& slide : lecture_.Slides) {
        std::string path;
        if (slide.Image.empty() || !slides.Find(SlideTextFileFor(slide.Image), path, err)) {
            if (!err.empty())
                return false;
            continue;
        }
        SlideText text;
        if (!ReadSlideText(path, text, err)) {
            // A damaged file costs the slide its text, not the publish.
            Tav_DebugLog("Slide text skipped: " + err);
            err.clear();
            continue;
        }
        TakeSlideText(slide, text);
    }
    return true;
}

bool LectureLoader::ReadParts(std::string& err)
{
    Convention conv;
    std::string first;
    if (!FindNamingConvention(conv, first, err))
        return false;
    for (int part = 1;; ++part) {
        std::string events;
        if (!FindEvents(part, conv, first, events, err)) {
            if (!err.empty())
                return false;
            break;
        }
        if (part > kMaxParts) {
            err = "Too many parts: a lecture holds at most " + std::to_string(kMaxParts) + " parts (" + events + ")";
            return false;
        }
        verbose_("Parsing " + events);
        lecture_.Parts.push_back({});
        lecture_.Parts.back().EventsFile = events;
        if (!FindPartMedia(events, lecture_.Parts.back(), err) || !ReadEvents(part, events, err))
            return false;
    }
    return true;
}

bool LectureLoader::ReadQuietly(const std::string& dir, const std::string& lecName, bool withTitlesAndText,
                                Lecture& lecture, std::string& err)
{
    const auto quiet = [](const std::string&) {};
    const std::string d = Tav_DirSlash(dir);
    LectureLoader loader(
        lecture, {d, lecName, d, withTitlesAndText},
        [](const std::string&, bool& video, std::string&) { return video = false, true; }, quiet, quiet);
    return loader.Load(err);
}

bool LectureLoader::Load(std::string& err)
{
    lecture_ = Lecture {};
    if (!ReadParts(err)) {
        const Slide last = lecture_.Slides.empty() ? Slide {} : lecture_.Slides.back();
        lecture_.Slides.clear();
        lecture_.Parts.resize(static_cast<size_t>(std::max(last.AudioPart, last.VideoPart)));
        return false;
    }
    if (in_.fullCheck && (!ReadTitles(err) || !ReadSlideTexts(err)))
        return false;
    for (Slide& slide : lecture_.Slides)
        if (slide.Title.empty())
            slide.Title = slide.Name;
    return true;
}

}  // namespace pellucor
