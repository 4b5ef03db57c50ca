// Loading a lecture into the slide table: naming conventions, events-file
// parsing, the media of each part, and the slide titles.
#include "core/SlideEngine.h"
#include "core/TavUtils.h"

#include <fstream>
#include <memory>

namespace pellucor {

namespace {

enum class Convention { MultiPart, Images, Plain, FirstRm };

struct SlideLine {
    std::string start, end, name, image;
    bool counts() const { return (!name.empty() || !image.empty()) && !start.empty() && !end.empty(); }
};

std::string imageFromPage(const std::string& page)
{
    const std::string p = Tav_Lower(page);
    if (Tav_StartsWith(p, "sld") && Tav_EndsWith(p, ".htm"))
        return "img" + p.substr(3, 3) + ".gif";
    return "";
}

// u START END URL\page
SlideLine parseNormalLine(const std::string& line)
{
    SlideLine r;
    const auto p1 = line.find(' ');
    if (p1 == std::string::npos)
        return r;
    const auto p2 = line.find(' ', p1 + 1);
    if (p2 == std::string::npos) {
        r.start = Tav_Trim(line.substr(p1 + 1));
        return r;
    }
    r.start = Tav_Trim(line.substr(p1 + 1, p2 - p1 - 1));
    const auto p3 = line.find(' ', p2 + 1);
    if (p3 == std::string::npos) {
        r.end = Tav_Trim(line.substr(p2 + 1));
        return r;
    }
    r.end = Tav_Trim(line.substr(p2 + 1, p3 - p2 - 1));
    const auto url = line.find("URL\\", p3);
    if (url != std::string::npos)
        r.name = Tav_Trim(line.substr(url + 4));
    if (r.name.empty())
        return SlideLine{};  // no page: the line is skipped
    r.image = imageFromPage(r.name);
    return r;
}

// DURATION_IN_TICKS IMAGE, times carried as a running total.
bool parseImagesLine(const std::string& line, int slot, int64_t& total, SlideLine& r)
{
    const auto f = Tav_Split(line);
    if (f.size() - 1 < 2)
        return false;
    const int64_t duration = Tav_RoundHalfEven(Tav_Val(f[1]));
    r.start = Tav_TicksToTime(total);
    total += duration;
    r.end = Tav_TicksToTime(total);
    r.image = Tav_Lower(f[2]);
    r.name = "sld" + Tav_Fmt000(slot) + ".htm";
    return true;
}

std::string fileName(const std::string& path)
{
    const auto pos = path.rfind(Tav_Sep);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

}  // namespace

bool SlideEngine::LoadSlideInfo(bool fullCheck, bool verbose, std::string& err)
{
    auto status = [&](const std::string& text) {
        if (verbose)
            SetStatus(text);
    };

    ReadFormSettings();
    const std::string D = Tav_DirSlash(S.MediaDir);
    const std::string N = S.LecName;
    Tav_DebugLog("LoadSlideInfo " + D);
    AutoConvertPublished(D, N);
    SI.NumOfSlides = 0;
    SI.NumOfParts = 0;
    SI.NumOfEventFiles = 0;
    int slot = 1;

    // Which naming convention does this lecture follow?
    Convention conv;
    std::string events;
    if (Tav_ChkFile(D + N + "1.txt")) {
        conv = Convention::MultiPart;
    } else if (Tav_ChkFile(D + "images.txt") && Tav_ChkFile(D + "rawmedia.rm")) {
        conv = Convention::Images;
        events = D + "images.txt";
        status("Using images/rawmedia convention");
    } else if (Tav_ChkFile(D + "pellucor.txt") && Tav_ChkFile(D + "rawmedia.rm")) {
        conv = Convention::Plain;
        events = D + "pellucor.txt";
        status("Using rawmedia.* convention");
    } else {
        const auto media = Tav_ListFiles(D, "*.rm");
        if (media.empty()) {
            err = "Media directory has no RealMedia files (*.rm) " + D;
            return false;
        }
        conv = Convention::FirstRm;
        events = D + media.front().substr(0, media.front().size() - 3) + ".txt";
        if (!Tav_ChkFile(events)) {
            err = "In " + D + " found " + media.front() + " but did not find timing file " + events;
            return false;
        }
        status("Found events and media files " + events);
    }

    std::unique_ptr<EncoderControl> encoder;  // loaded on first use, released at the end
    const bool builtInProbe = Tav_Contains(Tav_Upper(Preference("prfRmmerge")), "NONE");

    for (int part = 1;; ++part) {
        if (conv == Convention::MultiPart)
            events = D + N + std::to_string(part) + ".txt";
        if (!Tav_ChkFile(events))
            break;
        if (part > kMaxParts) {
            err = "Too many parts: a lecture holds at most " + std::to_string(kMaxParts) + " parts (" + events + ")";
            return false;
        }
        status("Parsing " + events);
        SI.EventsFile[part] = events;
        SI.AudioFile[part].clear();
        SI.VideoFile[part].clear();

        // The media of this part.
        const std::string base = events.substr(0, events.size() - 4);
        const std::string evName = Tav_Lower(fileName(events));
        const std::string audio = base + ".ra";
        std::string rm = base + ".rm";
        if ((Tav_Contains(evName, "images.txt") || Tav_Contains(evName, "pellucor.txt")) && !Tav_ChkFile(rm))
            rm = D + "rawmedia.rm";
        if (!fullCheck && Tav_Contains(evName, "images.txt") && !Tav_ChkFile(rm))
            rm = D + "rawmedia.mov";
        if (Tav_ChkFile(audio))
            SI.AudioFile[part] = audio;
        if (Tav_ChkFile(rm)) {
            bool video = true;
            if (fullCheck && builtInProbe) {
                if (!encoder) {
                    std::string why;
                    encoder = Host() ? Host()->LoadEncoder(why) : nullptr;
                    if (!encoder) {
                        err = "Pellucor Unable to Load RealProducer ActiveX control during Slide Load";
                        return false;
                    }
                }
                std::string why;
                auto media = encoder->OpenRmFile(rm, why);
                if (!media) {
                    err = "Unable to read media file " + rm + " - " + why;
                    return false;
                }
                video = media->HasVideo();
                media->Close();
            } else if (fullCheck) {
                const int answer = Tav_PlainAskYesNoCancel("Does the media for this lecture (" + rm + ") contain Video?");
                if (answer == TavCancel) {
                    err = "Cancelled...";
                    return false;
                }
                video = answer == TavYes;
            }
            (video ? SI.VideoFile[part] : SI.AudioFile[part]) = rm;
        }
        if (SI.AudioFile[part].empty() && SI.VideoFile[part].empty()) {
            err = "Unable to find media file correponding to " + events;
            return false;
        }

        Tav_DebugLog("Opening " + events + " for Input");
        std::ifstream in(events, std::ios::binary);
        if (!in) {
            err = "Unable to Open " + events + " for Input";
            return false;
        }
        int64_t ticks = 0;  // running total of the images convention
        std::string line;
        while (Tav_ReadLine(in, line)) {
            Tav_DebugLog(line);
            if (line[0] == '#')
                continue;
            SlideLine parsed;
            if (Tav_Contains(evName, "images.txt")) {
                if (!parseImagesLine(line, slot, ticks, parsed))
                    continue;
            } else {
                parsed = parseNormalLine(line);
            }
            if (slot > kMaxSlides) {
                if (!parsed.counts())
                    continue;
                err = "Too many slides: a lecture holds at most " + std::to_string(kMaxSlides) + " slides (" +
                      events + ")";
                return false;
            }
            SI.StartTime[slot] = parsed.start;
            SI.EndTime[slot] = parsed.end;
            SI.SlideName[slot] = parsed.name;
            SI.SlideImage[slot] = parsed.image;
            SI.SlideTitle[slot].clear();
            SI.AudioPart[slot] = SI.AudioFile[part].empty() ? -1 : part;
            SI.VideoPart[slot] = SI.VideoFile[part].empty() ? -1 : part;
            if (part > SI.NumOfParts)
                SI.NumOfParts = static_cast<int16_t>(part);
            if (parsed.counts())
                ++slot;
        }
        SI.NumOfEventFiles = static_cast<int16_t>(part);
        if (conv != Convention::MultiPart)
            break;
    }
    encoder.reset();
    SI.NumOfSlides = static_cast<int16_t>(slot - 1);

    if (fullCheck) {
        const std::string lecDir = Tav_DirSlash(S.LecDir);
        SetStatus("Parsing index.htm");
        const std::string index = lecDir + "index.htm";
        if (Tav_ChkFile(index)) {
            Tav_DebugLog("Opening/FullCheck " + index + " for Input");
            std::ifstream in(index, std::ios::binary);
            std::string line;
            while (Tav_ReadLine(in, line)) {
                if (!Tav_Contains(line, "ALIGN=LEFT"))
                    continue;
                for (int i = 1; i <= SI.NumOfSlides; ++i) {
                    const std::string& name = SI.SlideName[i];
                    const auto at = name.empty() ? std::string::npos : line.find(name);
                    if (at == std::string::npos)
                        continue;
                    status("Extracting " + name + " from index.htm");
                    const auto gt = line.find('>', at + name.size());
                    if (gt == std::string::npos)
                        continue;
                    std::string title = line.substr(gt + 1);
                    title = Tav_Trim(title.substr(0, title.find('<')));
                    title = Tav_Trim(title.substr(0, 24));
                    if (SI.SlideTitle[i].empty())
                        SI.SlideTitle[i] = title;
                }
            }
        }
        SetStatus("Parsing titles.txt");
        std::ifstream titles(lecDir + "titles.txt", std::ios::binary);
        std::string line;
        while (titles && Tav_ReadLine(titles, line)) {
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
            const std::string name =
                Tav_ReplaceAll(Tav_Lower(Tav_Trim(line.substr(q[0] + 1, q[1] - q[0] - 1))), "&qt;", "\"");
            const std::string title = Tav_ReplaceAll(Tav_Trim(line.substr(q[2] + 1, q[3] - q[2] - 1)), "&qt;", "\"");
            if (name.empty() || title.empty())
                continue;
            for (int i = 1; i <= SI.NumOfSlides; ++i)
                if (Tav_Lower(SI.SlideName[i]) == name || Tav_Lower(SI.SlideImage[i]) == name)
                    SI.SlideTitle[i] = title;
        }
    }
    for (int i = 1; i <= SI.NumOfSlides; ++i)
        if (SI.SlideTitle[i].empty())
            SI.SlideTitle[i] = SI.SlideName[i];
    if (fullCheck)
        PrintSlideInfo();

    if (SI.NumOfEventFiles < 1) {
        err = "LOADSLIDEINFO:No media found (count < 1) " + D;
        return false;
    }
    return true;
}

}  // namespace pellucor
