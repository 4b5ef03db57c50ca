// A presentation's XML as slide import reads it for the slides' words and
// titles: a PowerPoint slide and presentation, and an OpenDocument deck's
// content and styles.
#include <cstdint>
#include <vector>

#include <QByteArray>

#include "FuzzInput.h"
#include "import/DeckText.h"
#include "import/SlideTitles.h"

using namespace pellucor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> p = fuzz::Pieces(data, size, 2);
    const QByteArray a = QByteArray::fromStdString(p[0]), b = QByteArray::fromStdString(p[1]);
    (void)OoxmlSlideText(a);
    (void)OoxmlSlideTitle(a);
    (void)OoxmlSlideParts(a, b);
    (void)OdfDeckText(a, b);
    (void)OdfSlideTitles(a);
    return 0;
}
