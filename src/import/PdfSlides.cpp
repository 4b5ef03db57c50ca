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
#include "media/GifWriter.h"
#include "media/WebpWriter.h"

namespace pellucor {

namespace {

void logPoppler(const std::string& msg, void*) { Tav_DebugLog("poppler: " + msg); }

struct TextLine {
    std::string text;
    double top = 0, bottom = 0;
};

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
    DeckSlideText out;
    if (!doc_ || index < 0 || index >= doc_->pages())
        return out;
    const std::unique_ptr<poppler::page> page(doc_->create_page(index));
    if (!page)
        return out;
    const double pageHeight = page->page_rect(poppler::media_box).height();
    // Words come in reading order; a word that starts lower than the line
    // it would join by more than half its height begins a new line.
    std::vector<TextLine> lines;
    bool spaceAfter = false;
    for (const poppler::text_box& box : page->text_list()) {
        const std::string word = utf8(box.text());
        if (word.empty())
            continue;
        const poppler::rectf r = box.bbox();
        const double top = r.top(), bottom = r.bottom(), height = std::max(1.0, bottom - top);
        const bool sameLine = !lines.empty() && std::abs(top - lines.back().top) < height / 2
            && std::abs(bottom - lines.back().bottom) < height / 2;
        if (sameLine) {
            lines.back().text += (spaceAfter ? " " : "") + word;
        } else {
            lines.push_back({word, top, bottom});
        }
        spaceAfter = box.has_space_after();
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
