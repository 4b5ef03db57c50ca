// Reads the words of a slide's picture by OCR, with Tesseract. One object
// holds one recogniser for one set of languages and reads one picture at a
// time; threads that read at once each hold their own.
//
// Words Tesseract is unsure of (below kMinWordConfidence) are dropped:
// on a slide they are mostly the edges of pictures and drawings read as
// letters. The rest keep Tesseract's reading order (blocks, then their
// lines, then their words), with columns read one after the other
// (import/OcrLayout.h). Before it is read, a small picture is scaled up
// and sharpened, and a picture loses its long thin rules (a table's
// borders); it is then read several times, made black and white in
// several ways, and the readings are merged line by line
// (import/OcrReadings.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/OcrLayout.h"

struct Pix;
namespace tesseract {
class TessBaseAPI;
}

namespace pellucor {

struct OcrResult {
    std::vector<OcrLine> lines;
    int confidence = -1;  // mean over every word kept; -1 when none was
    int height = 0;       // of the picture read, in its own pixels
    // The lines as text: one line each, an empty line between blocks.
    std::string Text() const;
    // The largest line near the top of the picture (with the line after it
    // when it goes on in the same size): how a slide shows its title.
    std::string Title() const;
};

class SlideOcr {
public:
    static constexpr int kMinWordConfidence = 50;

    SlideOcr();
    ~SlideOcr();
    SlideOcr(const SlideOcr&) = delete;
    SlideOcr& operator=(const SlideOcr&) = delete;

    // Starts the recogniser for languages given as Tesseract names them,
    // joined by "+" ("eng", "deu+eng"). False with err when a language's
    // data is not installed (err names the Debian package that holds it).
    bool Start(const std::string& languages, std::string& err);
    // Why Start would refuse those languages (one not installed, none
    // given), before any work is done; "" when they can be read. found
    // receives their names.
    static std::string LanguageProblem(const std::string& languages, std::vector<std::string>* found = nullptr);
    // Reads a picture file (GIF, WebP, PNG, JPEG). Pictures narrower than
    // kReadWidth are scaled up to it first: the letters of a 640x480 slide
    // are too small for OCR as they are.
    bool ReadFile(const std::string& path, OcrResult& out, std::string& err);
    // Reads 8-bit grey pixels (rows stride bytes apart), scaled the same way.
    bool ReadGrey(const uint8_t* pixels, int width, int height, int stride, OcrResult& out, std::string& err);
    // From any thread: ends the read under way (it then fails).
    void Cancel() { cancelled_ = true; }

    static constexpr int kReadWidth = 1600;

    // Where Tesseract's language data lies: $TESSDATA_PREFIX, else Debian's.
    static std::string DataDirectory();
    // The Debian package that holds a language's data ("chi_sim" ->
    // "tesseract-ocr-chi-sim").
    static std::string PackageFor(const std::string& language);
    // The languages whose data is installed, in name order.
    static std::vector<std::string> InstalledLanguages();

private:
    bool read(::Pix* pix, OcrResult& out, std::string& err);
    bool recognise(::Pix* pix, char method, std::vector<OcrWord>& words, std::string& err);

    std::unique_ptr<tesseract::TessBaseAPI> api_;
    std::atomic<bool> cancelled_ {false};
};

}  // namespace pellucor
