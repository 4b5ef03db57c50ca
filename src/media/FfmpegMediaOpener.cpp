#include "media/FfmpegMediaOpener.h"

#include "media/FfmpegMediaFile.h"
#include "media/MediaCheck.h"

namespace pellucor {

std::unique_ptr<MediaFileObject> FfmpegMediaOpener::OpenMedia(const std::string& path, std::string& err)
{
    return FfmpegMediaFile::Open(path, err);
}

bool FfmpegMediaOpener::CheckPlayable(const std::string& path, std::string& err) { return CheckMediaPlays(path, err); }

}  // namespace pellucor
