// The publish's lecture video step: where the publication is to hold the
// lecture as one video, lecture.mp4 is written into the output before the
// pages, which then offer it for download with its size. Cancel stops it
// at once; a failure ends the publish with the reason. The parts' cut
// copies and published captions are read from the publication given (the
// output itself, or the publication in place when the video is written
// after it).
#include "core/Captions.h"
#include "publish/LectureVideoSource.h"
#include "publish/Publisher.h"

#include <QTemporaryDir>

#include "core/TavUtils.h"

namespace pellucor {

bool Publisher::publishLectureVideo(bool toDisk, const std::string& published)
{
    if (!(toDisk ? S.VideoCD : S.VideoWeb))
        return true;
    const std::string output = Tav_DirSlash(S.OutDir) + kLectureVideoName;
    SetStatus("Writing the lecture as one video " + output);
    std::string err;
    QTemporaryDir captions;
    std::vector<VideoPartSource> parts;
    if (!captions.isValid()
        || !LectureVideoParts(SI, Tav_DirSlash(S.LecDir), {}, Tav_DirSlash(captions.path().toStdString()), parts, err))
        return fail("The lecture video cannot be written: " + (err.empty() ? "no scratch directory" : err));
    // A part with cuts is shown as the publication has it: its cut copy,
    // and its captions and descriptions as published.
    const std::string out = Tav_DirSlash(published);
    for (int p = 1; p <= SI.PartCount() && p <= static_cast<int>(parts.size()); ++p) {
        const Part& part = SI.PartAt(p);
        if (partCuts(p).Empty() || part.BrowserCopy.empty())
            continue;
        VideoPartSource& source = parts[static_cast<size_t>(p - 1)];
        source.video = part.VideoFile.empty() ? "" : out + part.BrowserCopy;
        source.audio = out + part.BrowserCopy;
        source.captions = part.CaptionTracks.empty() ? "" : out + part.CaptionTracks.front().file;
        source.descriptions.clear();
        std::string vtt;
        std::vector<CaptionCue> cues;
        if (!part.Descriptions.empty()
            && (!ReadCaptions(out + part.Descriptions, vtt, err) || !ReadCaptionCues(vtt, cues, err)))
            return fail("The lecture video cannot be written: " + err);
        for (const CaptionCue& cue : cues)
            source.descriptions.push_back({cue.start, cue.text});
    }
    auto opener = Host() ? Host()->LoadMediaOpener(err) : nullptr;
    if (!opener)
        return fail("The lecture video cannot be written: " + err);
    std::atomic<bool> cancel {false};
    if (Host())
        Host()->SetCancelHandler([&cancel] { cancel = true; });
    const bool ok = opener->WriteLectureVideo(
        parts, LectureVideoOptions {}, output, [this](int percent) { Progress(percent, 100); }, cancel, err);
    if (Host())
        Host()->SetCancelHandler(nullptr);
    if (!ok && Cancelled())
        return cancelled("Publish cancelled while the lecture video was written");
    return ok || fail("The lecture video " + output + " cannot be written: " + err);
}

}  // namespace pellucor
