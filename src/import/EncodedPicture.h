// What the picture writers share: FFmpeg's error texts and writing a whole
// encoded picture to its file.
#pragma once

#include <string>

namespace pellucor {

// FFmpeg's description of an error code.
std::string Tav_AvErrorText(int code);

// Writes the encoded picture to path; the file is replaced only once it is
// complete. False with the reason.
bool Tav_SavePicture(const std::string& path, const std::string& data, std::string& err);

}  // namespace pellucor
