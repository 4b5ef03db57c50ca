// Test helper: the first picture of a picture file (GIF, WebP) as FFmpeg's
// own tools decode it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "MediaTools.h"

namespace pellucor {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, row after row
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xffffff; }
};

// False when the file is not a readable picture.
inline bool DecodePicture(const std::string& path, DecodedPicture& out)
{
    const testing_support::Probed probed = testing_support::ffprobe(path);
    std::string bytes;
    if (probed.streams.size() != 1
        || !testing_support::runTool(
            {"ffmpeg", "-v", "error", "-i", path, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "bgra", "-"}, bytes))
        return false;
    out = {probed.streams[0].width, probed.streams[0].height, std::vector<uint32_t>(bytes.size() / 4)};
    std::memcpy(out.pixels.data(), bytes.data(), bytes.size() / 4 * 4);
    return bytes.size() == static_cast<size_t>(out.width) * out.height * 4;
}

}  // namespace pellucor
