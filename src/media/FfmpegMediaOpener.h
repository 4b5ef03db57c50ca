// Opens recordings for publishing with FFmpeg's libraries: any kind the
// lecture loader accepts, and the check that a written file plays to its
// end, the lecture as one video, and a copy's HLS presentation.
#pragma once

#include "core/MediaFile.h"

namespace pellucor {

class FfmpegMediaOpener : public MediaOpener {
public:
    std::unique_ptr<MediaFileObject> OpenMedia(const std::string& path, std::string& err) override;
    bool CheckPlayable(const std::string& path, std::string& err) override;
    bool WriteLectureVideo(const std::vector<VideoPartSource>& parts, const LectureVideoOptions& options,
                           const std::string& output, const std::function<void(int percent)>& progress,
                           const std::atomic<bool>& cancel, std::string& err) override;
    bool WriteHls(const std::string& copy, const std::string& name, const std::vector<HlsTextTrack>& text,
                  const std::function<void(int percent)>& progress, const std::atomic<bool>& cancel,
                  std::string& err) override;
};

// The media engine as the program hands it to publishing: each call opens
// a fresh FFmpeg opener. The windows get it from the windowed program's
// start, each command from its own start; nothing else makes one.
std::function<std::unique_ptr<MediaOpener>()> FfmpegOpeners();

}  // namespace pellucor
