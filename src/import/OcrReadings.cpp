#include "import/OcrReadings.h"

#include <algorithm>
#include <cstddef>

namespace pellucor {

namespace {

// Words from other readings put in a gap of a line: only those Tesseract
// is sure of, a gap being where a picture's edges are read as letters.
constexpr int kGapWordConfidence = 75;
// A line that only a reading other than the best found is added when its
// words are as sure: a ground of lines or dots, made black and white
// another way, is read as short words of little confidence.
constexpr int kAddedLineConfidence = 80;

// A line of one reading: its words and the box round them.
struct ReadLine {
    std::vector<OcrWord> words;
    int left = 0, top = 0, right = 0, bottom = 0;
    long weight = 0;
    bool added = false;  // from a reading other than the first, in a block of its own
};

std::vector<ReadLine> linesOf(const std::vector<OcrWord>& words, int blockBase)
{
    std::vector<ReadLine> out;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i == 0 || words[i].block != words[i - 1].block || words[i].line != words[i - 1].line) {
            out.push_back({});
            out.back().left = words[i].left;
            out.back().top = words[i].top;
            out.back().right = words[i].right;
            out.back().bottom = words[i].bottom;
        }
        ReadLine& l = out.back();
        OcrWord w = words[i];
        w.block += blockBase;
        l.left = std::min(l.left, w.left);
        l.top = std::min(l.top, w.top);
        l.right = std::max(l.right, w.right);
        l.bottom = std::max(l.bottom, w.bottom);
        l.words.push_back(std::move(w));
    }
    for (ReadLine& l : out)
        l.weight = ReadingWeight(l.words);
    return out;
}

// Whether two lines lie on the same place of the picture: they overlap
// across and share half the height of the lower one.
bool covers(const ReadLine& a, const ReadLine& b)
{
    const int across = std::min(a.right, b.right) - std::max(a.left, b.left);
    const int down = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    const int height = std::min(a.bottom - a.top, b.bottom - b.top);
    return across > 0 && down * 2 >= height;
}

int meanConfidence(const ReadLine& l)
{
    int sum = 0;
    for (const OcrWord& w : l.words)
        sum += w.confidence;
    return l.words.empty() ? 0 : sum / static_cast<int>(l.words.size());
}

bool startsBlock(const std::vector<ReadLine>& lines, size_t i)
{
    return i == 0 || lines[i].words.front().block != lines[i - 1].words.front().block;
}

}  // namespace

long ReadingWeight(const std::vector<OcrWord>& words)
{
    long weight = 0;
    for (const OcrWord& w : words)
        weight += static_cast<long>(w.confidence) * static_cast<long>(w.text.size()) * (w.inWordList ? 2 : 1);
    return weight;
}

std::vector<OcrWord> MergeReadings(std::vector<std::vector<OcrWord>> readings,
                                   std::vector<std::vector<OcrWord>> supplements)
{
    std::stable_sort(readings.begin(), readings.end(),
                     [](const auto& a, const auto& b) { return ReadingWeight(a) > ReadingWeight(b); });
    for (std::vector<OcrWord>& s : supplements)
        readings.push_back(std::move(s));
    if (readings.empty())
        return {};
    // Block numbers of each reading kept apart from the others'.
    int blockBase = 0;
    const auto after = [](const std::vector<OcrWord>& words) {
        int last = 0;
        for (const OcrWord& w : words)
            last = std::max(last, w.block);
        return last + 1;
    };
    std::vector<ReadLine> lines = linesOf(readings.front(), 0);
    for (size_t r = 1; r < readings.size(); ++r) {
        blockBase += after(readings[r - 1]);
        for (ReadLine& line : linesOf(readings[r], blockBase)) {
            std::vector<size_t> covered;
            long coveredWeight = 0;
            for (size_t i = 0; i < lines.size(); ++i)
                if (covers(lines[i], line)) {
                    covered.push_back(i);
                    coveredWeight += lines[i].weight;
                }
            if (covered.empty()) {
                if (meanConfidence(line) < kAddedLineConfidence)
                    continue;
                line.added = true;
                lines.push_back(std::move(line));
                continue;
            }
            if (line.weight <= coveredWeight)
                continue;
            // In the place of the first line it covers, as a line of its block.
            const OcrWord& first = lines[covered.front()].words.front();
            for (OcrWord& w : line.words) {
                w.block = first.block;
                w.line = first.line;
            }
            line.added = lines[covered.front()].added;
            lines[covered.front()] = std::move(line);
            for (size_t k = covered.size(); k-- > 1;)
                lines.erase(lines.begin() + static_cast<ptrdiff_t>(covered[k]));
        }
    }
    // Words other readings found in the gaps of a kept line.
    for (const std::vector<OcrWord>& reading : readings)
        for (const OcrWord& w : reading) {
            if (w.confidence < kGapWordConfidence)
                continue;
            ReadLine one;
            one.left = w.left;
            one.top = w.top;
            one.right = w.right;
            one.bottom = w.bottom;
            const auto line
                = std::find_if(lines.begin(), lines.end(), [&](const ReadLine& l) { return covers(l, one); });
            if (line == lines.end())
                continue;
            const auto clash = [&](const OcrWord& k) { return k.left < w.right && w.left < k.right; };
            if (std::any_of(line->words.begin(), line->words.end(), clash))
                continue;
            const auto at = std::find_if(line->words.begin(), line->words.end(),
                                         [&](const OcrWord& k) { return k.left > w.left; });
            OcrWord copy = w;
            copy.block = line->words.front().block;
            copy.line = line->words.front().line;
            line->words.insert(at, std::move(copy));
            line->left = std::min(line->left, w.left);
            line->right = std::max(line->right, w.right);
        }
    // The added blocks go before the first block that begins below them.
    std::vector<ReadLine> ordered;
    std::vector<ReadLine> added;
    for (ReadLine& l : lines)
        (l.added ? added : ordered).push_back(std::move(l));
    for (size_t i = 0; i < added.size();) {
        size_t end = i + 1;
        while (end < added.size() && added[end].words.front().block == added[i].words.front().block)
            ++end;
        size_t at = 0;
        while (at < ordered.size() && !(startsBlock(ordered, at) && ordered[at].top > added[i].top))
            ++at;
        ordered.insert(ordered.begin() + static_cast<ptrdiff_t>(at),
                       std::make_move_iterator(added.begin() + static_cast<ptrdiff_t>(i)),
                       std::make_move_iterator(added.begin() + static_cast<ptrdiff_t>(end)));
        i = end;
    }
    std::vector<OcrWord> out;
    for (ReadLine& l : ordered)
        for (OcrWord& w : l.words)
            out.push_back(std::move(w));
    return out;
}

}  // namespace pellucor
