// The pages of a PDF file (poppler), rendered to pictures of an exact size.
#pragma once

#include <memory>
#include <string>

#include "import/DeckText.h"

namespace poppler {
class document;
class image;
}  // namespace poppler

namespace pellucor {

class PdfSlides {
public:
    PdfSlides();
    ~PdfSlides();
    PdfSlides(const PdfSlides&) = delete;
    PdfSlides& operator=(const PdfSlides&) = delete;

    bool Load(const std::string& pdfPath, std::string& err);
    int Count() const;
    // Renders page index (from 0) onto width x height pixels at the page's
    // own aspect (black bands fill the rest) and writes it as a GIF file.
    bool WriteGif(int index, const std::string& file, int width, int height, std::string& err) const;
    // Renders page index width pixels wide at the page's own aspect and
    // writes it as a lossless WebP file.
    bool WriteWebp(int index, const std::string& file, int width, std::string& err) const;

    // The words of page index from the PDF's text layer, in its reading
    // order: a line per line of text, an empty line where a gap twice a
    // line's height parts two blocks; the title is the largest line in the
    // upper part of the page. Empty for a page without a text layer.
    DeckSlideText PageText(int index) const;

private:
    // Renders page index fitted into width x height pixels without
    // distortion; a height of 0 makes the picture the page's own aspect.
    bool render(int index, int width, int height, poppler::image& img, std::string& err) const;

    std::unique_ptr<poppler::document> doc_;
};

}  // namespace pellucor
