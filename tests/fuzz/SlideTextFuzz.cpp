// A slide's text file (imgNNN.text) as a lecture folder brings it: read,
// written again and read back the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/SlideText.h"

using namespace pellucor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SlideText text;
    if (!ParseSlideText(std::string(reinterpret_cast<const char*>(data), size), text))
        return 0;
    (void)ShortSlideText(text);
    (void)SlideTextOnOneLine(text.text);
    SlideText again;
    if (!ParseSlideText(FormatSlideText(text), again))
        std::abort();  // what it writes it must read
    return 0;
}
