#include "import/PdfText.h"

#include <algorithm>
#include <cmath>

namespace pellucor {

namespace {

struct TextLine {
    std::string text;
    double top = 0, bottom = 0;
};

}  // namespace

DeckSlideText PdfPageText(const std::vector<PdfWord>& words, double pageHeight)
{
    DeckSlideText out;
    // Words come in reading order; a word that starts lower than the line
    // it would join by more than half its height begins a new line.
    std::vector<TextLine> lines;
    bool spaceAfter = false;
    for (const PdfWord& w : words) {
        if (w.text.empty())
            continue;
        const double top = w.top, bottom = w.bottom, height = std::max(1.0, bottom - top);
        const bool sameLine = !lines.empty() && std::abs(top - lines.back().top) < height / 2
            && std::abs(bottom - lines.back().bottom) < height / 2;
        if (sameLine) {
            lines.back().text += (spaceAfter ? " " : "") + w.text;
        } else {
            lines.push_back({w.text, top, bottom});
        }
        spaceAfter = w.spaceAfter;
    }
    double largest = 0;
    for (const TextLine& l : lines)
        if (l.top <= pageHeight * 0.4)
            largest = std::max(largest, l.bottom - l.top);
    for (size_t i = 0; i < lines.size(); ++i) {
        const TextLine& l = lines[i];
        if (i > 0) {
            const double gap = l.top - lines[i - 1].bottom;
            out.text += gap > 2 * (l.bottom - l.top) || gap < -(l.bottom - l.top) ? "\n\n" : "\n";
        }
        out.text += l.text;
        if (out.title.empty() && largest > 0 && l.top <= pageHeight * 0.4 && (l.bottom - l.top) >= largest * 0.9)
            out.title = l.text;
    }
    return out;
}

}  // namespace pellucor
