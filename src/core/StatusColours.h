// The colours of a window's status line (BGR values as stored).
#pragma once

#include <cstdint>

namespace pellucor {

inline constexpr uint32_t kColourGreen = 65280;
inline constexpr uint32_t kColourYellow = 65535;
inline constexpr uint32_t kColourRed = 255;
inline constexpr uint32_t kColourWhite = 16777215;

}  // namespace pellucor
