// Status colours are stored blue-green-red (65280 green, 65535 yellow,
// 255 red, 16777215 white); the views paint them as style sheets.
#pragma once

#include <QString>

#include <cstdint>

namespace pellucor {

inline QString BackgroundStyle(uint32_t bgr)
{
    const unsigned r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
    return QString("background-color: rgb(%1,%2,%3); color: black; padding: 2px;").arg(r).arg(g).arg(b);
}

}  // namespace pellucor
