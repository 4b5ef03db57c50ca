// Opens recordings for publishing with FFmpeg's libraries: any kind the
// lecture loader accepts, and the check that a written file plays to its
// end.
#pragma once

#include "core/MediaFile.h"

namespace pellucor {

class FfmpegMediaOpener : public MediaOpener {
public:
    std::unique_ptr<MediaFileObject> OpenMedia(const std::string& path, std::string& err) override;
    bool CheckPlayable(const std::string& path, std::string& err) override;
};

}  // namespace pellucor
