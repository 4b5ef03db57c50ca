#include "import/OcrLayout.h"

#include <algorithm>
#include <cstddef>

namespace pellucor {

namespace {

// Words further apart than this many line heights are in different columns.
constexpr double kColumnGap = 2.0;
// Column parts holding fewer words than this on average are table cells.
constexpr double kWordsPerTextColumn = 2.5;

struct Part {
    std::vector<const OcrWord*> words;
    int left() const { return words.front()->left; }
    int right() const { return words.back()->right; }
};

struct Line {
    int block = 0;
    std::vector<Part> parts;
};

int medianHeight(const std::vector<const OcrWord*>& words)
{
    std::vector<int> h;
    for (const OcrWord* w : words)
        h.push_back(w->bottom - w->top);
    if (h.empty())
        return 0;
    std::nth_element(h.begin(), h.begin() + static_cast<ptrdiff_t>(h.size() / 2), h.end());
    return h[h.size() / 2];
}

OcrLine joined(const std::vector<const OcrWord*>& words, int block)
{
    OcrLine out;
    out.block = block;
    int confidence = 0;
    for (const OcrWord* w : words) {
        out.text += (out.text.empty() ? "" : " ") + w->text;
        confidence += w->confidence;
    }
    out.top = words.empty() ? 0 : words.front()->top;
    for (const OcrWord* w : words)
        out.top = std::min(out.top, w->top);
    out.height = medianHeight(words);
    out.confidence = words.empty() ? 0 : confidence / static_cast<int>(words.size());
    return out;
}

// Whether a word is a list's bullet as OCR reads one: a single mark that
// is neither a letter nor a digit ("•" often comes back as "*", "-",
// "e", "©" or "»"; a lone "e" or "o" as a word is kept).
bool bullet(const std::string& word)
{
    static const char* const marks[]
        = {"*",      "-",      "\u2022", "\u00b7", "\u25aa", "\u25cf", "\u25e6", "\u2013", "\u2014",
           "\u00bb", "\u00a9", "\u00ae", "@",      "=",      "~",      ">",      "+",      "\u2023",
           "\u2219", "\u25a0", "\u25ba", "\u2192", "\u2713", "\u2714", "\u00b0", "."};
    for (const char* m : marks)
        if (word == m)
            return true;
    return false;
}

// A line cut where its words part by more than kColumnGap line heights;
// a bullet that begins a part is not a word of it.
Line cut(const std::vector<const OcrWord*>& words, int block)
{
    Line line;
    line.block = block;
    const int height = std::max(1, medianHeight(words));
    for (const OcrWord* w : words) {
        const bool starts = line.parts.empty() || w->left - line.parts.back().right() > kColumnGap * height;
        if (starts && bullet(w->text))
            continue;
        if (starts)
            line.parts.push_back({});
        line.parts.back().words.push_back(w);
    }
    return line;
}

int lineTop(const Line& l)
{
    int top = l.parts.front().words.front()->top;
    for (const Part& p : l.parts)
        for (const OcrWord* w : p.words)
            top = std::min(top, w->top);
    return top;
}

int lineBottom(const Line& l)
{
    int bottom = 0;
    for (const Part& p : l.parts)
        for (const OcrWord* w : p.words)
            bottom = std::max(bottom, w->bottom);
    return bottom;
}

// Whether line b comes right below line a: no more than two lines' height
// of space between them, whatever blocks Tesseract put them in.
bool adjacent(const Line& a, const Line& b) { return lineTop(b) - lineBottom(a) <= 2 * (lineBottom(a) - lineTop(a)); }

// Whether two lines part into the same columns: as many parts, each gap
// between them overlapping the other line's.
bool sameColumns(const Line& a, const Line& b)
{
    if (a.parts.size() < 2 || a.parts.size() != b.parts.size())
        return false;
    for (size_t i = 0; i + 1 < a.parts.size(); ++i) {
        const int from = std::max(a.parts[i].right(), b.parts[i].right());
        const int to = std::min(a.parts[i + 1].left(), b.parts[i + 1].left());
        if (from >= to)
            return false;
    }
    return true;
}

}  // namespace

std::vector<OcrLine> LayOutWords(const std::vector<OcrWord>& words)
{
    std::vector<Line> lines;
    for (size_t i = 0; i < words.size();) {
        std::vector<const OcrWord*> same;
        size_t j = i;
        for (; j < words.size() && words[j].block == words[i].block && words[j].line == words[i].line; ++j)
            same.push_back(&words[j]);
        if (Line l = cut(same, words[i].block); !l.parts.empty())
            lines.push_back(std::move(l));
        i = j;
    }
    std::vector<OcrLine> out;
    int block = 0, tesseractBlock = -1;
    for (size_t i = 0; i < lines.size();) {
        if (lines[i].block != tesseractBlock) {
            ++block;
            tesseractBlock = lines[i].block;
        }
        size_t end = i + 1;
        while (end < lines.size() && adjacent(lines[end - 1], lines[end]) && sameColumns(lines[end - 1], lines[end])
               && sameColumns(lines[i], lines[end]))
            ++end;
        size_t wordCount = 0, parts = 0;
        for (size_t k = i; k < end; ++k)
            for (const Part& p : lines[k].parts) {
                wordCount += p.words.size();
                ++parts;
            }
        const bool textColumns = end - i >= 2 && lines[i].parts.size() >= 2
            && static_cast<double>(wordCount) >= kWordsPerTextColumn * static_cast<double>(parts);
        if (textColumns) {
            // Each column read down before the next.
            for (size_t c = 0; c < lines[i].parts.size(); ++c) {
                ++block;
                for (size_t k = i; k < end; ++k)
                    out.push_back(joined(lines[k].parts[c].words, block));
            }
            ++block;
        } else {
            // A line across the slide, or the rows of a table.
            for (size_t k = i; k < end; ++k) {
                std::vector<const OcrWord*> all;
                for (const Part& p : lines[k].parts)
                    all.insert(all.end(), p.words.begin(), p.words.end());
                out.push_back(joined(all, block));
            }
        }
        i = end;
    }
    return out;
}

}  // namespace pellucor
