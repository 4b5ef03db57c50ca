// The picture sizes the published pages are laid out with: those of the
// lecture's video as media preparation reads them, else the defaults.
#pragma once

#include <cstdint>

namespace pellucor {

struct PageLayout {
    int16_t VideoHeight = 120;
    int16_t VideoWidth = 160;
    int16_t FrameWidth = 190;
    int16_t PlayerWidth = 160;
};

}  // namespace pellucor
