// A cut list beside a recording (NAME1.cuts), with and without the
// recording's length to check it against.
#include <cstdint>
#include <string>

#include "core/CutList.h"

using namespace pellucor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const double length : {0.0, 3600.0}) {
        CutList cuts;
        std::string err;
        if (ParseCutList(text, length, cuts, err))
            (void)CutListText(cuts, "lec1.mp4");
    }
    double t = 0;
    (void)ParseCutTime(text, t);
    return 0;
}
