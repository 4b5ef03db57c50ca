// The pages of a PDF file (poppler), rendered to pictures of an exact size.
#pragma once

#include <memory>
#include <string>

namespace poppler {
class document;
}

namespace pellucor {

class PdfSlides {
public:
    PdfSlides();
    ~PdfSlides();
    PdfSlides(const PdfSlides&) = delete;
    PdfSlides& operator=(const PdfSlides&) = delete;

    bool Load(const std::string& pdfPath, std::string& err);
    int Count() const;
    // Renders page index (from 0) stretched to width x height and writes it
    // as a GIF file.
    bool WriteGif(int index, const std::string& file, int width, int height, std::string& err) const;

private:
    std::unique_ptr<poppler::document> doc_;
};

}  // namespace pellucor
