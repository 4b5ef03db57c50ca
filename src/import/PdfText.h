// The words of a PDF page's text layer (as poppler gives them, in reading
// order) laid out as the page's text: a line per line of text, an empty
// line where a gap twice a line's height parts two blocks; the title is
// the largest line in the upper part of the page.
#pragma once

#include <string>
#include <vector>

#include "import/DeckText.h"

namespace pellucor {

struct PdfWord {
    std::string text;  // UTF-8
    double top = 0, bottom = 0;
    bool spaceAfter = false;
};

DeckSlideText PdfPageText(const std::vector<PdfWord>& words, double pageHeight);

}  // namespace pellucor
