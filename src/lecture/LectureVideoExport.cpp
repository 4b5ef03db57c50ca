#include "lecture/LectureVideoExport.h"

#include <QTemporaryDir>

#include <algorithm>

#include "core/Captions.h"
#include "core/SlideCuts.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "lecture/LectureReading.h"
#include "publish/LectureVideoSource.h"
#include "publish/PublishRequest.h"

namespace pellucor {

bool ExportLectureVideo(const LectureVideoRequest& request, const std::function<void(int percent)>& progress,
                        const std::atomic<bool>& cancel, std::string& err)
{
    PublishSettings settings;
    settings.LecDir = Tav_DirSlash(request.slideDir);
    settings.MediaDir = request.mediaDir.empty() ? settings.LecDir : Tav_DirSlash(request.mediaDir);
    settings.LecName = request.lecName.empty() ? LectureNameOf(settings.MediaDir) : request.lecName;
    settings.Prefs["prfRmmerge"] = "None";
    BasicEngineHost host;
    host.openerFactory = request.openers;
    SlideEngine engine(settings, &host);
    QTemporaryDir scratch, captions;
    std::vector<VideoPartSource> parts;
    if (!LoadLectureForReading(engine, scratch, err) || !captions.isValid()) {
        if (err.empty())
            err = "cannot make a scratch directory";
        return false;
    }
    std::vector<int> wanted = request.parts;
    if (wanted.empty())
        for (int p = 1; p <= engine.SI.PartCount(); ++p)
            wanted.push_back(p);
    // Each part's cut list, its slides moved by it before they are placed.
    std::vector<CutList> cuts;
    for (const int p : wanted) {
        const Part& part = engine.SI.PartAt(p);
        cuts.emplace_back();
        if (!ReadCutList(part.Recording(), 0, cuts.back(), err))
            return false;
        CutSlides(engine.SI, p, cuts.back());
    }
    const std::string captionsDir = Tav_DirSlash(captions.path().toStdString());
    if (!LectureVideoParts(engine.SI, Tav_DirSlash(engine.S.LecDir), wanted, captionsDir, parts, err))
        return false;
    // A part with cuts plays from its copy without them, made the way a
    // publish makes it, with its captions and descriptions moved likewise.
    const bool anyCuts = std::any_of(cuts.begin(), cuts.end(), [](const CutList& c) { return !c.Empty(); });
    const auto opener = anyCuts && request.openers ? request.openers() : nullptr;
    for (size_t i = 0; i < parts.size() && i < cuts.size(); ++i) {
        if (cuts[i].Empty())
            continue;
        if (!opener)
            return (err = "no media component", false);
        VideoPartSource& source = parts[i];
        const std::string recording = source.video.empty() ? source.audio : source.video;
        auto media = opener->OpenMedia(recording, err);
        if (!media)
            return false;
        media->cuts = cuts[i];
        if (CutList checked; !ReadCutList(recording, media->Duration(), checked, err))
            return false;
        const bool saved = media->SaveBrowserCopy(captionsDir + "cut" + std::to_string(wanted[i]), err);
        media->Close();
        if (!saved || cancel)
            return (err = cancel ? "cancelled" : err, false);
        const std::string copy = captionsDir + media->browserCopy;
        source.video = source.video.empty() ? "" : copy;
        source.audio = copy;
        std::string vtt;
        if (!source.captions.empty()
            && (!ReadWholeFile(source.captions, vtt) || !CutWebVtt(vtt, cuts[i], vtt, err)
                || !WriteFileAtomically(source.captions, vtt, err)))
            return false;
        std::vector<VideoDescription> kept;
        for (const VideoDescription& d : source.descriptions)
            if (!cuts[i].IsCut(d.start))
                kept.push_back({cuts[i].Shifted(d.start), d.text});
        source.descriptions = std::move(kept);
    }
    return WriteLectureVideo(parts, request.options, request.output, progress, cancel, err);
}

}  // namespace pellucor
