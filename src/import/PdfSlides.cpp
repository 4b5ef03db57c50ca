#include "import/PdfSlides.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include "core/DebugLog.h"
#include "import/PdfText.h"
#include "media/GifWriter.h"
#include "media/WebpWriter.h"

namespace pellucor {

namespace {

void logPoppler(const std::string& msg, void*) { Tav_DebugLog("poppler: " + msg); }

std::string utf8(const poppler::ustring& s)
{
    const poppler::byte_array bytes = s.to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

PdfSlides::PdfSlides() { poppler::set_debug_error_function(logPoppler, nullptr); }

PdfSlides::~PdfSlides() = default;

bool PdfSlides::Load(const std::string& pdfPath, std::string& err)
{
    doc_.reset(poppler::document::load_from_file(pdfPath));
    if (!doc_ || doc_->is_locked()) {
        doc_.reset();
        err = "cannot read the slide pages " + pdfPath;
        return false;
    }
    return true;
}

int PdfSlides::Count() const { return doc_ ? doc_->pages() : 0; }

bool PdfSlides::render(int index, int width, int height, poppler::image& img, std::string& err) const
{
    if (!doc_ || index < 0 || index >= doc_->pages()) {
        err = "no slide " + std::to_string(index + 1);
        return false;
    }
    const std::unique_ptr<poppler::page> page(doc_->create_page(index));
    if (!page) {
        err = "cannot read slide " + std::to_string(index + 1);
        return false;
    }
    const poppler::rectf box = page->page_rect(poppler::media_box);
    if (box.width() <= 0 || box.height() <= 0) {
        err = "slide " + std::to_string(index + 1) + " has no size";
        return false;
    }
    const auto atAspect
        = [&](int w) { return std::max(1, static_cast<int>(std::lround(w * box.height() / box.width()))); };
    if (height == 0)
        height = atAspect(width);
    if (width < 1 || height < 1 || width > kMaxGifSide || height > kMaxGifSide) {
        err = "invalid picture size " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    // The page keeps its own aspect: it fills the width or the height and
    // the rest is a black band on both sides, as a wide slide shows on a
    // narrower screen.
    int pageWidth = width, pageHeight = atAspect(width);
    if (pageHeight > height) {
        pageHeight = height;
        pageWidth = std::clamp(static_cast<int>(std::lround(height * box.width() / box.height())), 1, width);
    }
    // Within a pixel of the box the page is stretched onto it exactly.
    if (std::abs(pageWidth - width) <= 1 && std::abs(pageHeight - height) <= 1)
        pageWidth = width, pageHeight = height;
    poppler::page_renderer renderer;
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    renderer.set_image_format(poppler::image::format_argb32);
    // Resolutions that put the page onto exactly pageWidth x pageHeight
    // pixels; the crop rectangle fixes the size against rounding.
    const double xres = 72.0 * pageWidth / box.width();
    const double yres = 72.0 * pageHeight / box.height();
    poppler::image rendered = renderer.render_page(page.get(), xres, yres, 0, 0, pageWidth, pageHeight);
    if (!rendered.is_valid() || rendered.width() != pageWidth || rendered.height() != pageHeight) {
        err = "cannot render slide " + std::to_string(index + 1);
        return false;
    }
    if (pageWidth == width && pageHeight == height) {
        img = rendered;
        return true;
    }
    img = poppler::image(width, height, poppler::image::format_argb32);
    if (!img.is_valid()) {
        err = "cannot render slide " + std::to_string(index + 1);
        return false;
    }
    const int left = (width - pageWidth) / 2, top = (height - pageHeight) / 2;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(img.data() + static_cast<size_t>(y) * img.bytes_per_row());
        std::fill(row, row + width, 0xFF000000u);
        if (y >= top && y < top + pageHeight)
            std::copy_n(reinterpret_cast<const uint32_t*>(rendered.const_data()
                                                          + static_cast<size_t>(y - top) * rendered.bytes_per_row()),
                        pageWidth, row + left);
    }
    return true;
}

DeckSlideText PdfSlides::PageText(int index) const
{
    if (!doc_ || index < 0 || index >= doc_->pages())
        return {};
    const std::unique_ptr<poppler::page> page(doc_->create_page(index));
    if (!page)
        return {};
    std::vector<PdfWord> words;
    for (const poppler::text_box& box : page->text_list()) {
        const poppler::rectf r = box.bbox();
        words.push_back({utf8(box.text()), r.top(), r.bottom(), box.has_space_after()});
    }
    return PdfPageText(words, page->page_rect(poppler::media_box).height());
}

bool PdfSlides::WriteGif(int index, const std::string& file, int width, int height, std::string& err) const
{
    poppler::image img;
    return render(index, width, height, img, err)
        && WriteGifPicture(file, reinterpret_cast<const uint8_t*>(img.const_data()), img.bytes_per_row(), width, height,
                        err);
}

bool PdfSlides::WriteWebp(int index, const std::string& file, int width, std::string& err) const
{
    poppler::image img;
    return render(index, width, 0, img, err)
        && WriteWebpPicture(file, reinterpret_cast<const uint8_t*>(img.const_data()), img.bytes_per_row(), img.width(),
                         img.height(), err);
}

}  // namespace pellucor
