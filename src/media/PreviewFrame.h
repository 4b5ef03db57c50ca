// A picture of what is being captured, as the transcoder hands it to the
// live preview.
#pragma once

#include <vector>

namespace pellucor {

// One picture of the live preview: width x height pixels, three bytes
// (red, green, blue) each, row after row.
struct PreviewFrame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

}  // namespace pellucor
