// Writes one picture as a GIF file. A picture of at most 256 colours keeps
// them exactly; for richer ones FFmpeg picks a palette for the picture
// (palettegen/paletteuse). FFmpeg's GIF encoder writes the file.
#pragma once

#include <cstdint>
#include <string>

namespace pellucor {

// pixels: width x height pixels of 32 bits, 0xAARRGGBB in native byte order,
// rows stride bytes apart. The file is replaced only once it is complete.
bool WriteGifPicture(const std::string& path, const uint8_t* pixels, int stride, int width, int height, std::string& err);

// Largest width or height accepted for a slide picture.
inline constexpr int kMaxGifSide = 16384;

}  // namespace pellucor
