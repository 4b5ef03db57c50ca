#include "app/LectureVideoExport.h"

#include <QTemporaryDir>

#include "app/LectureReading.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"
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
    if (!LoadLectureForReading(engine, scratch, err) || !captions.isValid()
        || !LectureVideoParts(engine.SI, Tav_DirSlash(engine.S.LecDir), request.parts,
                              Tav_DirSlash(captions.path().toStdString()), parts, err)) {
        if (err.empty())
            err = "cannot make a scratch directory";
        return false;
    }
    return WriteLectureVideo(parts, request.options, request.output, progress, cancel, err);
}

}  // namespace pellucor
