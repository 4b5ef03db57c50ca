// Test helper: decodes the first picture of a picture file (GIF, WebP)
// with FFmpeg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pellucor {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, row after row
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xffffff; }
};

// False when the file is not a readable picture.
bool DecodePicture(const std::string& path, DecodedPicture& out);

}  // namespace pellucor
