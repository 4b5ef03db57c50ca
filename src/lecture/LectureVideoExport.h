// "Export as One Video" for every caller (the export-video command, the
// windows, the automation interface, a publish that adds the video): the
// lecture in a directory (or a published lecture) loaded, and its video
// written to a named file.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/MediaFile.h"
#include "media/LectureVideo.h"

namespace pellucor {

struct LectureVideoRequest {
    std::string slideDir;    // the slides, titles and events (ending in "/")
    std::string mediaDir;    // the recordings (ending in "/"); empty: slideDir
    std::string lecName;     // empty: the name its files carry
    std::vector<int> parts;  // part numbers in order; empty: every part
    LectureVideoOptions options;
    std::string output;
    std::function<std::unique_ptr<MediaOpener>()> openers;  // the media engine
};

// False with err when the lecture cannot be loaded or the video cannot be
// written (err is "cancelled" after a cancel); nothing is then left under
// the output's name.
bool ExportLectureVideo(const LectureVideoRequest& request, const std::function<void(int percent)>& progress,
                        const std::atomic<bool>& cancel, std::string& err);

}  // namespace pellucor
