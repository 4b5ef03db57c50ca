#include "import/SlideOcr.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "core/TavString.h"
#include "import/OcrReadings.h"

namespace pellucor {

namespace {

// Tesseract's thresholding_method values, and the factor k of Sauvola's
// threshold (the local mean times 1 - k where the ground is flat): its
// own, and a smaller one that parts words from a ground a few shades off.
constexpr char kOtsu = '0';
constexpr char kSauvola = '2';
constexpr const char* kSauvolaFactor = "0.34";
constexpr const char* kFaintSauvolaFactor = "0.1";

struct PixDeleter {
    void operator()(Pix* p) const { pixDestroy(&p); }
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

std::string takeText(char* text)
{
    std::string out = text ? text : "";
    delete[] text;
    return out;
}

bool cancelRead(void* flag, int) { return static_cast<std::atomic<bool>*>(flag)->load(); }

// An 8-bit grey picture at least kReadWidth wide. A smaller one is scaled
// up and then sharpened: scaled up, the letters of a 640x480 slide are
// soft, and the palette of a GIF speckles their edges and the ground round
// them; sharpened, they stand out of it again (with unsharp masking).
PixPtr readable(Pix* pix)
{
    constexpr int kSharpenHalfWidth = 5;  // pixels, at kReadWidth
    constexpr float kSharpenAmount = 0.8f;
    PixPtr grey(pixConvertTo8(pix, 0));
    if (!grey)
        return nullptr;
    const int width = pixGetWidth(grey.get());
    if (width >= SlideOcr::kReadWidth)
        return grey;
    const float scale = static_cast<float>(SlideOcr::kReadWidth) / static_cast<float>(width);
    PixPtr scaled(pixScaleGrayLI(grey.get(), scale, scale));
    return scaled ? PixPtr(pixUnsharpMaskingGray(scaled.get(), kSharpenHalfWidth, kSharpenAmount)) : nullptr;
}

// The grey picture with its long thin straight rules (a table's borders,
// underlines, separators) painted over in the slide's background: drawn
// round words they join them into one shape that OCR takes for a picture.
// A rule is a run of a tenth of the picture's width (or height) or more,
// at most kRuleWidth pixels thick, that stands out from the background in
// either direction.
void paintOverRules(Pix* grey)
{
    constexpr int kRuleWidth = 6;
    constexpr int kContrast = 40;
    const int w = pixGetWidth(grey), h = pixGetHeight(grey);
    l_float32 background = 0;
    if (pixGetRankValueMasked(grey, nullptr, 0, 0, 4, 0.5, &background, nullptr) != 0)
        return;
    const int bg = static_cast<int>(background);
    // Marks darker and lighter than the background, where there is room for them.
    PixPtr marks(pixCreate(w, h, 1));
    if (!marks)
        return;
    if (bg - kContrast >= 1) {
        PixPtr dark(pixThresholdToBinary(grey, bg - kContrast));
        if (dark)
            pixOr(marks.get(), marks.get(), dark.get());
    }
    if (255 - bg - kContrast >= 1) {
        PixPtr inverted(pixInvert(nullptr, grey));
        PixPtr light(inverted ? pixThresholdToBinary(inverted.get(), 255 - bg - kContrast) : nullptr);
        if (light)
            pixOr(marks.get(), marks.get(), light.get());
    }
    // A rule has the background on both of its sides within kRuleWidth.
    PixPtr clear(pixInvert(nullptr, marks.get()));
    const auto near = [&](int dx, int dy) {
        PixPtr any(pixCreate(w, h, 1));
        for (int k = 1; any && k <= kRuleWidth; ++k) {
            PixPtr moved(pixTranslate(nullptr, clear.get(), dx * k, dy * k, L_BRING_IN_WHITE));
            if (moved)
                pixOr(any.get(), any.get(), moved.get());
        }
        return any;
    };
    const auto rulesAlong = [&](int runX, int runY, int sideX, int sideY) -> PixPtr {
        PixPtr runs(pixOpenBrick(nullptr, marks.get(), runX, runY));
        PixPtr one(near(sideX, sideY)), other(near(-sideX, -sideY));
        if (!runs || !one || !other)
            return nullptr;
        pixAnd(runs.get(), runs.get(), one.get());
        pixAnd(runs.get(), runs.get(), other.get());
        return PixPtr(pixOpenBrick(nullptr, runs.get(), runX, runY));
    };
    PixPtr across = rulesAlong(std::max(2, w / 10), 1, 0, 1);
    PixPtr down = rulesAlong(1, std::max(2, h / 10), 1, 0);
    if (!across || !down)
        return;
    PixPtr rules(pixOr(nullptr, across.get(), down.get()));
    PixPtr wider(pixDilateBrick(nullptr, rules.get(), 3, 3));
    pixPaintThroughMask(grey, wider.get(), 0, 0, static_cast<l_uint32>(bg));
}

// The picture with light words on a dark ground (a title bar, a dark box)
// made dark on light like the rest of the slide, Tesseract missing short
// light words on a dark band; nullptr when no part of it is dark. The
// ground is the mean of a square some letters wide. Whether it reads
// better than the picture as it is, the reading's confidence decides:
// where a dark ground ends inside words, inverting it loses them.
PixPtr darkGroundInverted(Pix* grey)
{
    constexpr int kHalfSquare = 60;  // pixels, at kReadWidth
    constexpr int kDarkGround = 128;
    PixPtr ground(pixBlockconv(grey, kHalfSquare, kHalfSquare));
    PixPtr dark(ground ? pixThresholdToBinary(ground.get(), kDarkGround) : nullptr);
    l_int32 empty = 1;
    if (!dark || pixZero(dark.get(), &empty) != 0 || empty)
        return nullptr;
    PixPtr copy(pixCopy(nullptr, grey));
    PixPtr inverted(pixInvert(nullptr, grey));
    if (!copy || !inverted || pixCombineMasked(copy.get(), inverted.get(), dark.get()) != 0)
        return nullptr;
    return copy;
}

}  // namespace

std::string OcrResult::Text() const
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += lines[i].block != lines[i - 1].block ? "\n\n" : "\n";
        out += lines[i].text;
    }
    return out;
}

std::string OcrResult::Title() const
{
    const int pictureHeight = height;
    // Titles sit in the upper part of a slide; of the lines there, the
    // largest (the first of those nearly as large) is the title.
    const int limit = pictureHeight * 2 / 5;
    int largest = 0;
    for (const OcrLine& l : lines)
        if (l.top <= limit)
            largest = std::max(largest, l.height);
    if (largest == 0)
        return "";
    for (size_t i = 0; i < lines.size(); ++i) {
        const OcrLine& l = lines[i];
        if (l.top > limit || l.height * 10 < largest * 9)
            continue;
        std::string title = l.text;
        if (i + 1 < lines.size()) {
            const OcrLine& next = lines[i + 1];
            if (next.block == l.block && std::abs(next.height - l.height) * 10 <= l.height)
                title += " " + next.text;
        }
        return title;
    }
    return "";
}

SlideOcr::SlideOcr() = default;

SlideOcr::~SlideOcr()
{
    if (api_)
        api_->End();
}

std::string SlideOcr::DataDirectory()
{
    if (const char* env = std::getenv("TESSDATA_PREFIX"); env && *env)
        return env;
    return "/usr/share/tesseract-ocr/5/tessdata";
}

std::string SlideOcr::PackageFor(const std::string& language)
{
    return "tesseract-ocr-" + ReplaceAll(Lower(language), "_", "-");
}

std::vector<std::string> SlideOcr::InstalledLanguages()
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(DataDirectory(), ec))
        if (entry.path().extension() == ".traineddata")
            out.push_back(entry.path().stem().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string SlideOcr::LanguageProblem(const std::string& languages, std::vector<std::string>* found)
{
    const std::string dir = DataDirectory();
    std::vector<std::string> names;
    for (size_t from = 0; from <= languages.size();) {
        size_t end = languages.find('+', from);
        if (end == std::string::npos)
            end = languages.size();
        const std::string name = Trim(languages.substr(from, end - from));
        from = end + 1;
        if (name.empty())
            continue;
        // A language is a plain name: nothing that could point elsewhere.
        const bool plain = std::all_of(name.begin(), name.end(),
                                       [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '-'; });
        std::error_code ec;
        if (!plain || !std::filesystem::is_regular_file(dir + "/" + name + ".traineddata", ec))
            return "The OCR language \"" + name + "\" is not installed: install the package " + PackageFor(name)
                + " (Tesseract's data for it, looked for in " + dir + ")";
        names.push_back(name);
    }
    if (names.empty())
        return "No OCR language is given";
    if (found)
        *found = std::move(names);
    return {};
}

bool SlideOcr::Start(const std::string& languages, std::string& err)
{
    const std::string dir = DataDirectory();
    std::vector<std::string> names;
    if (err = LanguageProblem(languages, &names); !err.empty())
        return false;
    std::string joined;
    for (const std::string& n : names)
        joined += (joined.empty() ? "" : "+") + n;
    api_ = std::make_unique<tesseract::TessBaseAPI>();
    if (api_->Init(dir.c_str(), joined.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
        api_.reset();
        err = "Tesseract cannot start with the languages " + joined + " from " + dir;
        return false;
    }
    api_->SetPageSegMode(tesseract::PSM_AUTO);
    // Slides carry no dictionary words Tesseract must not miss, but its
    // messages on pictures it finds hard belong in no terminal.
    api_->SetVariable("debug_file", "/dev/null");
    return true;
}

bool SlideOcr::ReadFile(const std::string& path, OcrResult& out, std::string& err)
{
    setMsgSeverity(L_SEVERITY_NONE);
    PixPtr pix(pixRead(path.c_str()));
    if (!pix) {
        err = "Unable to read the picture " + path;
        return false;
    }
    if (!read(pix.get(), out, err)) {
        if (!cancelled_)
            err = "Unable to read the text of " + path + ": " + err;
        return false;
    }
    return true;
}

bool SlideOcr::ReadGrey(const uint8_t* pixels, int width, int height, int stride, OcrResult& out, std::string& err)
{
    PixPtr pix(pixCreate(width, height, 8));
    if (!pix) {
        err = "out of memory";
        return false;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x)
            pixSetPixel(pix.get(), x, y, row[x]);
    }
    return read(pix.get(), out, err);
}

bool SlideOcr::recognise(Pix* pix, char method, std::vector<OcrWord>& words, std::string& err)
{
    const char m[2] = {method, 0};
    api_->SetVariable("thresholding_method", m);
    api_->SetImage(pix);
    // No resolution is set: Tesseract takes it from the size of the
    // letters, which on slides varies more than any one figure fits.
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = cancelRead;
    monitor.cancel_this = &cancelled_;
    if (api_->Recognize(&monitor) != 0 || cancelled_) {
        err = cancelled_ ? "cancelled" : "Tesseract could not read it";
        api_->Clear();
        return false;
    }
    std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
    if (it) {
        int block = 0, line = 0;
        do {
            if (it->IsAtBeginningOf(tesseract::RIL_BLOCK))
                ++block;
            if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
                ++line;
            const float confidence = it->Confidence(tesseract::RIL_WORD);
            std::string text = Trim(takeText(it->GetUTF8Text(tesseract::RIL_WORD)));
            OcrWord w;
            if (text.empty() || confidence < kMinWordConfidence
                || !it->BoundingBox(tesseract::RIL_WORD, &w.left, &w.top, &w.right, &w.bottom))
                continue;
            w.text = std::move(text);
            w.block = block;
            w.line = line;
            w.confidence = static_cast<int>(confidence);
            w.inWordList = it->WordIsFromDictionary();
            words.push_back(std::move(w));
        } while (it->Next(tesseract::RIL_WORD));
    }
    api_->Clear();
    return true;
}

bool SlideOcr::read(Pix* source, OcrResult& out, std::string& err)
{
    out = OcrResult {};
    if (!api_) {
        err = "OCR is not started";
        return false;
    }
    PixPtr pix = readable(source);
    if (!pix) {
        err = "the picture cannot be converted for OCR";
        return false;
    }
    const double scale = static_cast<double>(pixGetWidth(source)) / pixGetWidth(pix.get());
    paintOverRules(pix.get());
    const PixPtr inverted = darkGroundInverted(pix.get());
    // Ways of making the picture black and white, each best on some
    // slides: one threshold for the whole picture (Otsu's), which keeps
    // thin light words on a busy background, and Sauvola's local one,
    // which keeps words over a photograph or a gradient; each on the
    // picture as it is and with its dark ground inverted; and Sauvola's
    // made to part small differences, which keeps faint words on a ground
    // nearly of their colour (and makes specks of the rest): needed on a
    // small picture scaled up, where the palette has washed faint words
    // out, and not worth its time on a sharp one. Each reading
    // keeps lines the others lose: they are merged line by line.
    struct Way {
        Pix* picture;
        char method;
        const char* sauvolaFactor;
        bool supplement = false;  // never the reading that leads
    };
    const Way ways[] = {{pix.get(), kOtsu, kSauvolaFactor},
                        {inverted.get(), kOtsu, kSauvolaFactor},
                        {pix.get(), kSauvola, kSauvolaFactor},
                        {inverted.get(), kSauvola, kSauvolaFactor},
                        {scale < 1 ? pix.get() : nullptr, kSauvola, kFaintSauvolaFactor, true}};
    std::vector<std::vector<OcrWord>> readings, supplements;
    for (const Way& way : ways) {
        if (!way.picture)
            continue;
        api_->SetVariable("thresholding_kfactor", way.sauvolaFactor);
        std::vector<OcrWord> got;
        if (!recognise(way.picture, way.method, got, err))
            return false;
        (way.supplement ? supplements : readings).push_back(std::move(got));
    }
    const std::vector<OcrWord> words = MergeReadings(std::move(readings), std::move(supplements));
    long confidenceSum = 0;
    for (const OcrWord& w : words)
        confidenceSum += w.confidence;
    out.lines = LayOutWords(words);
    for (OcrLine& l : out.lines) {
        l.top = static_cast<int>(l.top * scale);
        l.height = static_cast<int>(l.height * scale);
    }
    out.confidence = words.empty() ? -1 : static_cast<int>(confidenceSum / static_cast<long>(words.size()));
    out.height = pixGetHeight(source);
    return true;
}

}  // namespace pellucor
