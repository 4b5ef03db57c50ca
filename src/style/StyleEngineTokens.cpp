// Substitution of the tokens (see StyleTokens.h) on a template line: found
// in one pass over the line, replaced in one pass where that gives the same
// line as applying them one after another in table order.
#include "style/StyleEngine.h"

#include <bit>
#include <cstring>

#include "style/StyleTokens.h"

namespace pellucor {

namespace {

bool isTokenMiddle(char c) { return c == '-' || c == '+' || c == '#' || c == '*'; }

// Bit k of first[c] is set when token k begins with c, and so on; a token
// sits at a place exactly when all three masks share its bit.
struct TokenTable {
    std::array<uint64_t, 256> first {}, middle {}, last {};
    TokenTable()
    {
        static_assert(kStyleTokenCount <= 64, "a token is one bit of a mask");
        for (size_t k = 0; k < kStyleTokens.size(); ++k) {
            const uint64_t bit = uint64_t {1} << k;
            first[static_cast<unsigned char>(kStyleTokens[k].text[0])] |= bit;
            middle[static_cast<unsigned char>(kStyleTokens[k].text[1])] |= bit;
            last[static_cast<unsigned char>(kStyleTokens[k].text[2])] |= bit;
        }
    }
};
const TokenTable kTable;

struct Occurrence {
    size_t pos;
    size_t token;
};

// Bit k is set when the text holds token k; every place is recorded in
// found when it is given. One pass over the text instead of one search per
// token: most template lines hold no token at all.
// A mark (0x80) on the bytes of w that may be one of the token middles
// - + # *: every such byte is marked, and a few others may be.
uint64_t tokenMiddleMarks(uint64_t w)
{
    constexpr uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
    const auto zeroByte = [&](uint64_t x) { return (x - ones) & ~x & highs; };
    return zeroByte(w ^ (ones * '-')) | zeroByte(w ^ (ones * '+')) | zeroByte(w ^ (ones * '#'))
        | zeroByte(w ^ (ones * '*'));
}

uint64_t tokensIn(std::string_view text, std::vector<Occurrence>* found = nullptr)
{
    uint64_t mask = 0;
    const auto at = [&](size_t i) {
        uint64_t m = kTable.middle[static_cast<unsigned char>(text[i])];
        if (!m)
            return;
        m &= kTable.first[static_cast<unsigned char>(text[i - 1])]
            & kTable.last[static_cast<unsigned char>(text[i + 1])];
        if (!m)
            return;
        mask |= m;
        if (found)
            found->push_back({i - 1, static_cast<size_t>(std::countr_zero(m))});
    };
    size_t i = 1;
    // Eight places at a time; only the marked places are looked at.
    for (; i + 8 < text.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, text.data() + i, sizeof w);
        for (uint64_t marks = tokenMiddleMarks(w); marks != 0; marks &= marks - 1)
            at(i + static_cast<size_t>(std::countr_zero(marks)) / 8);
    }
    for (; i + 1 < text.size(); ++i)
        at(i);
    return mask;
}

// Whether the line holds "<AREA". Looks for its "R", rare in markup, which
// is much cheaper on short lines than a general substring search.
bool holdsAreaTag(std::string_view line)
{
    if (line.size() < 5)
        return false;
    const char* const begin = line.data();
    const char* const last = begin + line.size() - 2;  // room for "EA" after the R
    const char* p = begin + 2;                         // room for "<A" before it
    while (p < last && (p = static_cast<const char*>(std::memchr(p, 'R', static_cast<size_t>(last - p))))) {
        if (p[-2] == '<' && p[-1] == 'A' && p[1] == 'E' && p[2] == 'A')
            return true;
        ++p;
    }
    return false;
}

// Replaces every token in one left-to-right pass. That gives the same line
// as applying the tokens one after another in their fixed order unless
// tokens overlap or an inserted value could hold or form a token with its
// neighbours; then nothing is changed and the result is false.
template <typename Value>
bool substituteInOnePass(std::string& line, const std::vector<Occurrence>& found, const Value& value)
{
    thread_local std::string out;
    thread_local std::vector<std::pair<size_t, size_t>> inserted;
    out.clear();
    inserted.clear();
    size_t from = 0;
    for (const Occurrence& o : found) {
        if (o.pos < from)
            return false;  // overlapping tokens
        out.append(line, from, o.pos - from);
        const std::string_view v = value(o.token);
        if (tokensIn(v) != 0)
            return false;
        inserted.emplace_back(out.size(), out.size() + v.size());
        out += v;
        from = o.pos + 3;
    }
    out.append(line, from, std::string::npos);
    const auto special = [&](size_t i) { return i < out.size() && isTokenMiddle(out[i]); };
    for (const auto& [b, e] : inserted)
        if ((b > 0 && special(b - 1)) || special(b) || (e > 0 && special(e - 1)) || special(e))
            return false;
    line.swap(out);
    return true;
}

}  // namespace

void StyleEngine::ReplaceInPlace(std::string& text, const std::string& find, const std::string& replacement)
{
    if (find.empty())
        return;
    size_t pos = text.find(find);
    while (pos != std::string::npos) {
        text.replace(pos, find.size(), replacement);
        pos = text.find(find, pos + replacement.size());
    }
}

void StyleEngine::SubstituteTokens(std::string& line, int slide, bool toDisk) const
{
    if (line.empty() || line[0] == '#')
        return;
    thread_local std::vector<Occurrence> found;
    found.clear();
    uint64_t mask = tokensIn(line, &found);
    if (mask != 0) {
        const int s = SlideIndex(slide);
        const int n = lecture_.SlideCount();
        // The slides before and after it that the lecture shows (one cut
        // away with its recording is passed over).
        int prev = s > 1 ? s - 1 : s, next = s < n ? s + 1 : s;
        while (prev > 1 && lecture_.SlideAt(prev).CutAway)
            --prev;
        while (next < n && lecture_.SlideAt(next).CutAway)
            ++next;
        if (lecture_.SlideAt(prev).CutAway)
            prev = s;
        if (lecture_.SlideAt(next).CutAway)
            next = s;
        std::string scratch;
        const TokenSlide at {lecture_, settings_, layout_, s, SlideIndex(prev), SlideIndex(next), toDisk, scratch};
        const auto value = [&](size_t k) { return kStyleTokens[k].value(at); };

        if (!substituteInOnePass(line, found, value)) {
            // Tokens in order, each on the line as the earlier ones left it.
            for (size_t k = 0; k < kStyleTokens.size() && mask != 0; ++k) {
                if (!(mask & (uint64_t {1} << k)))
                    continue;
                ReplaceInPlace(line, std::string(kStyleTokens[k].text), std::string(value(k)));
                mask = tokensIn(line) & ~((uint64_t {2} << k) - 1);
            }
        }
    }
    // Image-map links point into the published directory, never at a file.
    if (holdsAreaTag(line))
        ReplaceInPlace(line, "HREF=\"file://", "HREF=\"");
}

}  // namespace pellucor
