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

// A line cut where its words part by more than kColumnGap line heights.
Line cut(const std::vector<const OcrWord*>& words, int block)
{
    Line line;
    line.block = block;
    const int height = std::max(1, medianHeight(words));
    for (const OcrWord* w : words) {
        if (line.parts.empty() || w->left - line.parts.back().right() > kColumnGap * height)
            line.parts.push_back({});
        line.parts.back().words.push_back(w);
    }
    return line;
}

// Whether two lines part into the same columns: as many parts, each gap
// between them overlapping the other line's.
bool sameColumns(const Line& a, const Line& b)
{
    if (a.block != b.block || a.parts.size() < 2 || a.parts.size() != b.parts.size())
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
        lines.push_back(cut(same, words[i].block));
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
        while (end < lines.size() && sameColumns(lines[i], lines[end]))
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
