// A PDF page's text layer as the slide text reads it: whatever words,
// in whatever places (negative, huge, upside down, not numbers at all), a
// PDF someone exported can give.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "import/PdfText.h"

using namespace pellucor;

namespace {

double place(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 0: return std::numeric_limits<double>::quiet_NaN();
    case 1: return in.ConsumeBool() ? HUGE_VAL : -HUGE_VAL;
    case 2: return in.ConsumeFloatingPoint<double>();
    default: return in.ConsumeFloatingPointInRange<double>(-100, 900);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const double pageHeight = place(in);
    std::vector<PdfWord> words;
    while (in.remaining_bytes() > 0 && words.size() < 4096) {
        PdfWord w;
        w.top = place(in);
        w.bottom = in.ConsumeBool() ? w.top + in.ConsumeFloatingPointInRange<double>(-50, 50) : place(in);
        w.spaceAfter = in.ConsumeBool();
        w.text = in.ConsumeRandomLengthString(64);
        words.push_back(std::move(w));
    }
    const DeckSlideText text = PdfPageText(words, pageHeight);
    (void)text;
    return 0;
}
