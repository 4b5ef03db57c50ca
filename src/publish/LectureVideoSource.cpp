#include "publish/LectureVideoSource.h"

#include <filesystem>

#include "core/Captions.h"
#include "core/TavString.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "publish/AudioDescriptions.h"

namespace pellucor {

namespace {

int partOf(const Slide& s) { return s.VideoPart > 0 ? s.VideoPart : s.AudioPart; }

// The sharp copy of the picture the row names (imgNNN.webp beside
// imgNNN.gif), else that picture: a row that skips or returns to a slide
// shows that slide, whatever its place among the rows.
std::string slidePicture(const std::string& slideDir, const Slide& s)
{
    const std::string sharp = slideDir + Tav_StripExt(s.Image) + ".webp";
    std::error_code ec;
    return std::filesystem::exists(sharp, ec) ? sharp : slideDir + s.Image;
}

// The part's captions as WebVTT in the scratch directory; "" when it has none.
bool partCaptions(const Part& part, int p, const std::string& scratchDir, std::string& path, std::string& err)
{
    path.clear();
    const std::string& media = part.Recording();
    const auto sources = FindCaptionsFiles(media, p, err);
    if (!err.empty())
        return false;
    for (const std::string& source : sources) {
        std::string vtt;
        if (!ReadCaptions(source, vtt, err))
            return false;
        if (IsSlideEventsTrack(vtt))
            continue;
        path = scratchDir + "captions" + std::to_string(p) + ".vtt";
        if (!WriteFileAtomically(path, vtt, err))
            return false;
        break;
    }
    return true;
}

}  // namespace

double EventSeconds(const std::string& time)
{
    double seconds = 0;
    for (const std::string& field : Tav_Split(Trim(time), ":"))
        seconds = seconds * 60 + Val(field);
    return seconds;
}

bool LectureVideoParts(const Lecture& lecture, const std::string& slideDir, const std::vector<int>& parts,
                       const std::string& scratchDir, std::vector<VideoPartSource>& out, std::string& err)
{
    std::vector<int> wanted = parts;
    if (wanted.empty())
        for (int p = 1; p <= lecture.PartCount(); ++p)
            wanted.push_back(p);
    out.clear();
    for (const int p : wanted) {
        if (p < 1 || p > lecture.PartCount()) {
            err = "the lecture has no part " + std::to_string(p) + " (it has " + std::to_string(lecture.PartCount())
                + ")";
            return false;
        }
        const Part& part = lecture.PartAt(p);
        VideoPartSource source;
        source.video = part.VideoFile;
        source.audio = part.AudioFile.empty() ? part.VideoFile : part.AudioFile;
        for (int n = 1; n <= lecture.SlideCount(); ++n) {
            const Slide& s = lecture.SlideAt(n);
            if (partOf(s) == p && !s.CutAway)
                source.slides.push_back({EventSeconds(s.StartTime), slidePicture(slideDir, s),
                                         s.Title.empty() ? "Slide " + std::to_string(n) : s.Title});
        }
        if (!partCaptions(part, p, scratchDir, source.captions, err))
            return false;
        std::vector<DescriptionCue> descriptions;
        const std::string& media = part.Recording();
        if (!PartDescriptionCues(lecture, p, media, descriptions, err))
            return false;
        for (const DescriptionCue& d : descriptions)
            source.descriptions.push_back({d.start, d.text});
        out.push_back(std::move(source));
    }
    return true;
}

}  // namespace pellucor
