// Captions a lecturer brings beside a recording (.srt or .vtt), read as a
// publish reads them: made WebVTT, tidied, cut, and told from a slide
// events track.
#include <cstdint>
#include <string>

#include "core/Captions.h"
#include "core/CutList.h"

using namespace pellucor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string vtt, err;
    (void)SrtToWebVtt(text, vtt, err);
    if (TidyWebVtt(text, vtt, err)) {
        CutList cuts;
        std::string cutErr;
        cuts.Add({1.0, 2.5}, 0, cutErr);
        std::string cut;
        (void)CutWebVtt(vtt, cuts, cut, err);
    }
    (void)IsSlideEventsTrack(text);
    return 0;
}
