// Writes one picture as a lossless WebP file (FFmpeg's libwebp encoder):
// the sharp, high-resolution copy of a slide beside its GIF.
#pragma once

#include <cstdint>
#include <string>

namespace pellucor {

// pixels: width x height pixels of 32 bits, 0xAARRGGBB in native byte order,
// rows stride bytes apart; the picture is written opaque. The file is
// replaced only once it is complete.
// quick: the encoder's fastest effort (a few percent larger), for pictures
// taken from a recording, whose noise makes the thorough effort slow.
bool WriteWebpPicture(const std::string& path, const uint8_t* pixels, int stride, int width, int height, std::string& err,
                   bool quick = false);

// Largest width or height a WebP picture can have.
inline constexpr int kMaxWebpSide = 16383;

}  // namespace pellucor
