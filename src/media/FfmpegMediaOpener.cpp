#include "media/FfmpegMediaOpener.h"

#include <filesystem>

#include "media/FfmpegMediaFile.h"
#include "media/HlsLadder.h"
#include "media/LectureVideo.h"
#include "media/MediaCheck.h"

namespace pellucor {

std::unique_ptr<MediaFileObject> FfmpegMediaOpener::OpenMedia(const std::string& path, std::string& err)
{
    return FfmpegMediaFile::Open(path, err);
}

bool FfmpegMediaOpener::CheckPlayable(const std::string& path, std::string& err) { return CheckMediaPlays(path, err); }

bool FfmpegMediaOpener::WriteLectureVideo(const std::vector<VideoPartSource>& parts, const LectureVideoOptions& options,
                                          const std::string& output, const std::function<void(int percent)>& progress,
                                          const std::atomic<bool>& cancel, std::string& err)
{
    return pellucor::WriteLectureVideo(parts, options, output, progress, cancel, err);
}

bool FfmpegMediaOpener::WriteHls(const std::string& copy, const std::string& name,
                                 const std::vector<HlsTextTrack>& text,
                                 const std::function<void(int percent)>& progress, const std::atomic<bool>& cancel,
                                 std::string& err)
{
    HlsLadder ladder;
    ladder.onProgress = progress;
    ladder.stop = &cancel;
    HlsPresentation written;
    const std::string dir = std::filesystem::path(copy).parent_path().string();
    return ladder.Write(copy, dir, name, text, written, err);
}

std::function<std::unique_ptr<MediaOpener>()> FfmpegOpeners()
{
    return [] { return std::make_unique<FfmpegMediaOpener>(); };
}

}  // namespace pellucor
