#include "media/SlideTimesFromRecordings.h"

#include <vector>

#include "core/PartRecordings.h"
#include "media/LectureSync.h"

namespace pellucor {

bool SlideTimesFromRecordings::MakeMissing(const std::string& slideDir, const std::string& mediaDir,
                                           const std::string& lecName,
                                           const std::function<void(double, const std::string&)>& progress,
                                           std::string& err)
{
    std::vector<PartRecording> parts;
    if (!FindPartRecordings(mediaDir, lecName, parts, err))
        return false;
    std::erase_if(parts, [](const PartRecording& p) { return !p.current.empty(); });
    for (size_t i = 0; i < parts.size(); ++i) {
        LectureSync sync;
        LectureSyncOptions options;
        options.slideDir = slideDir;
        options.mediaDir = mediaDir;
        options.lecName = lecName;
        options.part = parts[i].part;
        if (!sync.Prepare(options, err))
            return false;
        const double from = static_cast<double>(i) / parts.size(), share = 1.0 / parts.size();
        const bool ok = sync.Run(
            [&](int percent, const std::string& status) {
                if (progress)
                    progress(from + share * percent / 100.0, status);
            },
            cancel_);
        if (cancel_) {
            err = "cancelled";
            return false;
        }
        if (!ok) {
            const PartSync& failed = sync.Parts().front();
            err = "The slide times of part " + std::to_string(failed.part) + " (" + failed.recording
                + ") cannot be found: " + failed.error;
            return false;
        }
    }
    return true;
}

}  // namespace pellucor
