#include "style/StyleTokens.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include <QByteArray>

#include <QString>

#include "core/CaptionFiles.h"
#include "core/CourseFolder.h"
#include "core/LectureVideoPlan.h"
#include "core/SlideText.h"
#include "core/TavUtils.h"
#include "style/StyleEngine.h"

namespace pellucor {

namespace {

// Whether text[at] ("&") begins a character reference such as &amp;, &#39;
// or &#x2014;: titles taken from a lecture's own pages already hold them.
bool startsCharacterReference(std::string_view text, size_t at)
{
    size_t i = at + 1;
    const auto is = [&](auto pred) { return i < text.size() && pred(static_cast<unsigned char>(text[i])); };
    if (is([](unsigned char c) { return c == '#'; })) {
        ++i;
        const bool hex = is([](unsigned char c) { return c == 'x' || c == 'X'; });
        if (hex)
            ++i;
        const size_t digits = i;
        while (is([hex](unsigned char c) { return hex ? std::isxdigit(c) != 0 : std::isdigit(c) != 0; }))
            ++i;
        return i > digits && is([](unsigned char c) { return c == ';'; });
    }
    const size_t name = i;
    while (is([](unsigned char c) { return std::isalnum(c) != 0; }))
        ++i;
    return i > name && std::isalpha(static_cast<unsigned char>(text[name]))
        && is([](unsigned char c) { return c == ';'; });
}

// The text with < > " and every & that begins no character reference
// written as character references: safe in HTML text and attribute values.
std::string htmlText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '&': out += startsCharacterReference(text, i) ? "&" : "&amp;"; break;
        default: out += text[i];
        }
    }
    return out;
}

// A relative address naming the file: every byte but the unreserved
// letters, digits and - . _ ~ written as %XX.
std::string percentEncoded(const std::string& name)
{
    return QByteArray::fromStdString(name).toPercentEncoding().toStdString();
}

// "E:" for a directory on drive E; "C:" when the text names no drive.
std::string driveOf(const std::string& dir) { return dir.size() >= 2 && dir[1] == ':' ? dir.substr(0, 2) : "C:"; }

std::string_view number(const TokenSlide& t, long v) { return t.scratch = std::to_string(v); }
std::string_view digits3(const TokenSlide& t, long v) { return t.scratch = Fmt000(v); }
const Lecture& lecture(const TokenSlide& t) { return t.lecture; }

std::string_view captionTracks(const TokenSlide& t)
{
    std::string out;
    for (const Part::CaptionTrack& track : lecture(t).PartAt(t.part(t.slide)).CaptionTracks) {
        // The label is the only free text; the separators cannot be in it.
        std::string label = CaptionsLabel(track);
        std::replace_if(label.begin(), label.end(), [](char c) { return c == '|' || c == ';'; }, ' ');
        out += (out.empty() ? "" : ";") + track.lang + "|" + label + "|" + track.file + "|" + track.script + "|"
            + track.key + "|" + (!track.automatic ? "lecturer" : track.reviewed ? "reviewed" : "auto");
    }
    return t.scratch = htmlText(out);
}
const Slide& slide(const TokenSlide& t, int s) { return lecture(t).SlideAt(s); }
const PublishSettings& settings(const TokenSlide& t) { return t.settings; }

// The last slide of the run from first on that shares first's media.
int runLast(const Lecture& l, int first)
{
    const Slide& here = l.SlideAt(first);
    int last = first;
    while (last < l.SlideCount() && l.SlideAt(last + 1).AudioPart == here.AudioPart
           && l.SlideAt(last + 1).VideoPart == here.VideoPart)
        ++last;
    return last;
}

// The end of the run of slides that share this slide's media.
std::string_view partEnd(const TokenSlide& t) { return lecture(t).SlideAt(runLast(lecture(t), t.slide)).EndTime; }

// A time as the pages show it wherever a student reads one: "0:06",
// "12:34", "1:02:03" (whole seconds; hours only when there are some).
std::string shownTime(int64_t seconds)
{
    const int64_t h = seconds / 3600;
    const int64_t m = seconds / 60 % 60;
    const std::string ss = Fmt00(static_cast<long>(seconds % 60));
    return h ? std::to_string(h) + ":" + Fmt00(static_cast<long>(m)) + ":" + ss : std::to_string(m) + ":" + ss;
}

int64_t secondsOf(const std::string& time) { return std::max<int64_t>(0, Tav_TimeToTicks(time) / 60); }

// The length of a run of slides sharing their media, given its last slide:
// up to that slide's end, and at least a second past its start (as the
// part page's bar of the whole lecture counts it).
int64_t runLength(const Lecture& l, int last)
{
    const Slide& end = l.SlideAt(last);
    return std::max(secondsOf(end.EndTime), secondsOf(end.StartTime) + 1);
}

std::string_view partLength(const TokenSlide& t)
{
    return t.scratch = shownTime(runLength(lecture(t), runLast(lecture(t), t.slide)));
}

// The whole lecture's length: its parts' lengths added up.
std::string_view lectureLength(const TokenSlide& t)
{
    const Lecture& l = lecture(t);
    int64_t total = 0;
    for (int first = 1; first <= l.SlideCount();) {
        const int last = runLast(l, first);
        total += runLength(l, last);
        first = last + 1;
    }
    return t.scratch = shownTime(total);
}

std::string_view mediaFile(const TokenSlide& t)
{
    const Part& part = lecture(t).PartAt(t.part(t.slide));
    return slide(t, t.slide).AudioPart != -1 ? part.AudioFile : part.VideoFile;
}

std::string_view videoSize(const TokenSlide& t)
{
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(Tav_DirSlash(settings(t).OutDir) + kLectureVideoName, ec);
    return t.scratch = ec ? std::string() : Tav_SizeText(static_cast<int64_t>(bytes));
}

std::string_view browserCopy(const TokenSlide& t)
{
    const Part& part = lecture(t).PartAt(t.part(t.slide));
    return t.scratch = htmlText(percentEncoded(part.BrowserCopy));
}

// The start of what the slide shows, for its picture's alt text: every
// character is text here (the slide's words are not HTML), and "!" is
// written as a reference so that no slide's words read as a directive.
std::string_view slideAlt(const TokenSlide& t)
{
    const Slide& s = slide(t, t.slide);
    const std::string text = s.Text.empty() ? std::string() : ShortText(s.Text, kAltChars);
    return t.scratch = text.empty() ? htmlText(s.Title) : ReplaceAll(PlainTextAsHtml(text), "!", "&#33;");
}

}  // namespace

std::string CaptionsLabel(const Part::CaptionTrack& track)
{
    QString name = QString::fromStdString(LanguageName(track.lang));
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name.toStdString()
        + (!track.automatic       ? ""
               : track.reviewed   ? " (reviewed)"
               : track.translated ? " (machine-translated)"
                                  : " (automatic)");
}

std::string PlainTextAsHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '&': out += "&amp;"; break;
        default: out += c;
        }
    }
    return out;
}

int TokenSlide::part(int s) const
{
    const Lecture& l = lecture;
    const Slide& at = l.SlideAt(StyleEngine::SlideIndex(s));
    return l.SlideAt(slide).AudioPart != -1 ? at.AudioPart : at.VideoPart;
}

// clang-format off
constinit const std::array<StyleToken, kStyleTokenCount> kStyleTokens = {{
    {"N-N", "previous slide's number, three digits", [](const TokenSlide& t) { return digits3(t, t.prev); }},
    {"N+N", "next slide's number, three digits", [](const TokenSlide& t) { return digits3(t, t.next); }},
    {"N#N", "this slide's number, three digits", [](const TokenSlide& t) { return digits3(t, t.slide); }},
    {"n-n", "previous slide's number", [](const TokenSlide& t) { return number(t, t.prev); }},
    {"n+n", "next slide's number", [](const TokenSlide& t) { return number(t, t.next); }},
    {"n#n", "this slide's number", [](const TokenSlide& t) { return number(t, t.slide); }},
    {"S-S", "previous slide's page", [](const TokenSlide& t) -> std::string_view { return slide(t, t.prev).Name; }},
    {"S+S", "next slide's page", [](const TokenSlide& t) -> std::string_view { return slide(t, t.next).Name; }},
    {"S#S", "this slide's page", [](const TokenSlide& t) -> std::string_view { return slide(t, t.slide).Name; }},
    {"X#X", "this slide's start time", [](const TokenSlide& t) -> std::string_view { return slide(t, t.slide).StartTime; }},
    {"X-X", "previous slide's start time", [](const TokenSlide& t) -> std::string_view { return slide(t, t.prev).StartTime; }},
    {"X+X", "next slide's start time", [](const TokenSlide& t) -> std::string_view { return slide(t, t.next).StartTime; }},
    {"X*X", "end time of the slides sharing this slide's media", partEnd},
    {"I#I", "this slide's image", [](const TokenSlide& t) -> std::string_view { return slide(t, t.slide).Image; }},
    {"P#P", "this slide's part", [](const TokenSlide& t) { return number(t, t.part(t.slide)); }},
    {"P-P", "previous part", [](const TokenSlide& t) {
        const int p = t.part(t.slide);
        return number(t, p == 1 ? p : p - 1);
    }},
    {"P+P", "next part", [](const TokenSlide& t) {
        const int p = t.part(t.slide);
        return number(t, p == t.part(lecture(t).SlideCount()) ? p : p + 1);
    }},
    {"T#T", "this slide's title as loaded", [](const TokenSlide& t) -> std::string_view { return slide(t, t.slide).Title; }},
    {"U#U", "address of the pages", [](const TokenSlide& t) -> std::string_view {
        return t.toDisk ? std::string_view("file:") : std::string_view(settings(t).WebURL);
    }},
    {"M#M", "address of the media", [](const TokenSlide& t) -> std::string_view {
        const PublishSettings& s = settings(t);
        return t.toDisk ? std::string_view("file:") : std::string_view(s.Stream ? s.StreamURL : s.WebURL);
    }},
    {"N*N", "lecture name as set", [](const TokenSlide& t) -> std::string_view { return settings(t).LecName; }},
    {"F*M", "this slide's media file", mediaFile},
    {"L*C", "drive of the disk output", [](const TokenSlide& t) -> std::string_view { return t.scratch = driveOf(settings(t).CDDir); }},
    {"L*W", "drive of the web output", [](const TokenSlide& t) -> std::string_view { return t.scratch = driveOf(settings(t).WebDir); }},
    {"S*P", "lecture directory", [](const TokenSlide& t) -> std::string_view { return settings(t).LecDir; }},
    {"S*M", "media directory", [](const TokenSlide& t) -> std::string_view { return settings(t).MediaDir; }},
    {"S*C", "copy directory", [](const TokenSlide& t) -> std::string_view { return settings(t).CopyDir; }},
    {"S*S", "style directory", [](const TokenSlide& t) -> std::string_view { return settings(t).StyleDir; }},
    {"D*C", "disk output directory", [](const TokenSlide& t) -> std::string_view { return settings(t).CDDir; }},
    {"D*W", "web output directory", [](const TokenSlide& t) -> std::string_view { return settings(t).WebDir; }},
    {"H#V", "video height", [](const TokenSlide& t) { return number(t, t.layout.VideoHeight); }},
    {"W#V", "video width", [](const TokenSlide& t) { return number(t, t.layout.VideoWidth); }},
    {"W#F", "frame width", [](const TokenSlide& t) { return number(t, t.layout.FrameWidth); }},
    {"W#C", "player width", [](const TokenSlide& t) { return number(t, t.layout.PlayerWidth); }},
    {"T*T", "this slide's title, safe in HTML", [](const TokenSlide& t) -> std::string_view {
        return t.scratch = htmlText(slide(t, t.slide).Title);
    }},
    {"H*N", "lecture name, safe in HTML", [](const TokenSlide& t) -> std::string_view { return t.scratch = htmlText(settings(t).LecName); }},
    {"B*C", "address of the copy of this slide's part that the pages play, safe in HTML", browserCopy},
    {"B*H", "address of the adaptive-streaming (HLS) playlist of this slide's part, empty when it has none, safe in HTML", [](const TokenSlide& t) -> std::string_view {
        return t.scratch = htmlText(percentEncoded(lecture(t).PartAt(t.part(t.slide)).Hls));
    }},
    {"A*T", "this slide's text alternative: the start of its text (else its title), short, safe in HTML", slideAlt},
    {"C*L", "label of the captions of this slide's part: their language's name, \"(automatic)\" after it when speech recognition made them, \"(machine-translated)\" when it translated them, \"(reviewed)\" once a person reviewed those, safe in HTML", [](const TokenSlide& t) -> std::string_view {
        const auto& tracks = lecture(t).PartAt(t.part(t.slide)).CaptionTracks;
        return t.scratch = tracks.empty() ? std::string() : htmlText(CaptionsLabel(tracks.front()));
    }},
    {"C*G", "language of the captions of this slide's part (a tag such as en or pt-BR)", [](const TokenSlide& t) -> std::string_view {
        const auto& tracks = lecture(t).PartAt(t.part(t.slide)).CaptionTracks;
        return t.scratch = tracks.empty() ? std::string() : tracks.front().lang;
    }},
    {"C*T", "every captions track of this slide's part, its own first: language|label|file|script copy|its key|auto, reviewed or lecturer, separated by ';', safe in HTML", captionTracks},
    {"D*D", "audio descriptions of this slide's part: file|script copy|its key (empty: none), safe in HTML", [](const TokenSlide& t) -> std::string_view {
        const int p = t.part(t.slide);
        const std::string& file = lecture(t).PartAt(p).Descriptions;
        return t.scratch = file.empty() ? std::string()
                                        : htmlText(file + "|descriptions" + std::to_string(p) + ".js|"
                                                   + std::to_string(p) + ".descriptions");
    }},
    {"V*S", "size of the lecture as one video (lecture.mp4) in the publication", videoSize},
    {"x#x", "this slide's start time as the pages show times (0:06, 1:02:03)", [](const TokenSlide& t) -> std::string_view {
        return t.scratch = shownTime(secondsOf(slide(t, t.slide).StartTime));
    }},
    {"x*x", "length of the part of this slide's media, as the pages show times", partLength},
    {"L*L", "length of the whole lecture (its parts added up), as the pages show times", lectureLength},
    {"C*P", "address of the course page above the publication (empty: none), safe in HTML", [](const TokenSlide& t) -> std::string_view {
        return t.scratch = htmlText(CoursePageOf(settings(t), t.toDisk));
    }},
}};
// clang-format on

std::string CoursePageOf(const PublishSettings& settings, bool toDisk)
{
    const std::string& given = toDisk ? settings.CDDir : settings.WebDir;
    const std::string& target = given.empty() ? settings.OutDir : given;
    return settings.CourseRoot.empty() ? CoursePageAbove(target) : CoursePageIn(settings.CourseRoot, target);
}

}  // namespace pellucor
