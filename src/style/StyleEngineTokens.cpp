// Substitution tokens: three-character tokens replaced by values of the
// lecture, tried in a fixed order on every template line.
#include "style/StyleEngine.h"

#include <bit>
#include <cctype>
#include <cstring>

#include <QByteArray>

#include "core/TavUtils.h"

namespace pellucor {

namespace {

// In order of application: a value holding a later token has that token
// replaced too, a value holding an earlier one keeps it. T*T (the slide
// title) and H*N (the lecture name) are made safe for HTML text and
// attribute values; B*C, the file name of the copy of the slide's part that
// the pages play, is made an address first (percent-encoded) and then safe
// for HTML.
constexpr std::array<const char*, 37> kTokens = {
    "N-N", "N+N", "N#N", "n-n", "n+n", "n#n", "S-S", "S+S", "S#S", "X#X", "X-X", "X+X", "X*X",
    "I#I", "P#P", "P-P", "P+P", "T#T", "U#U", "M#M", "N*N", "F*M", "L*C", "L*W", "S*P", "S*M",
    "S*C", "S*S", "D*C", "D*W", "H#V", "W#V", "W#F", "W#C", "T*T", "H*N", "B*C",
};

// Whether text[at] ("&") begins a character reference such as &amp;, &#39;
// or &#x2014;: titles taken from a lecture's own pages already hold them.
bool startsCharacterReference(std::string_view text, size_t at)
{
    size_t i = at + 1;
    const auto is = [&](auto pred) { return i < text.size() && pred(static_cast<unsigned char>(text[i])); };
    if (is([](unsigned char c) { return c == '#'; })) {
        ++i;
        const bool hex = is([](unsigned char c) { return c == 'x' || c == 'X'; });
        if (hex)
            ++i;
        const size_t digits = i;
        while (is([hex](unsigned char c) { return hex ? std::isxdigit(c) != 0 : std::isdigit(c) != 0; }))
            ++i;
        return i > digits && is([](unsigned char c) { return c == ';'; });
    }
    const size_t name = i;
    while (is([](unsigned char c) { return std::isalnum(c) != 0; }))
        ++i;
    return i > name && std::isalpha(static_cast<unsigned char>(text[name]))
        && is([](unsigned char c) { return c == ';'; });
}

// The text with < > " and every & that begins no character reference
// written as character references.
std::string htmlText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '&': out += startsCharacterReference(text, i) ? "&" : "&amp;"; break;
        default: out += text[i];
        }
    }
    return out;
}

// A relative address naming the file: every byte but the unreserved
// letters, digits and - . _ ~ written as %XX.
std::string percentEncoded(const std::string& name)
{
    return QByteArray::fromStdString(name).toPercentEncoding().toStdString();
}

bool isTokenMiddle(char c) { return c == '-' || c == '+' || c == '#' || c == '*'; }

// Bit k of first[c] is set when token k begins with c, and so on; a token
// sits at a place exactly when all three masks share its bit.
struct TokenTable {
    std::array<uint64_t, 256> first {}, middle {}, last {};
    TokenTable()
    {
        for (size_t k = 0; k < kTokens.size(); ++k) {
            const uint64_t bit = uint64_t {1} << k;
            first[static_cast<unsigned char>(kTokens[k][0])] |= bit;
            middle[static_cast<unsigned char>(kTokens[k][1])] |= bit;
            last[static_cast<unsigned char>(kTokens[k][2])] |= bit;
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

// "E:" for a directory on drive E; "C:" when the text names no drive.
std::string driveOf(const std::string& dir) { return dir.size() >= 2 && dir[1] == ':' ? dir.substr(0, 2) : "C:"; }

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
        const int n = SI.NumOfSlides;
        const int prev = s > 1 ? s - 1 : s;
        const int next = s < n ? s + 1 : s;
        const bool hasAudio = SI.AudioPart[s] != -1;
        const auto part = [&](int i) { return hasAudio ? SI.AudioPart[SlideIndex(i)] : SI.VideoPart[SlideIndex(i)]; };

        // Values are views into the table and settings, or into scratch for
        // the computed ones; each is used before the next is asked for.
        std::string scratch;
        const auto value = [&](size_t k) -> std::string_view {
            const auto number = [&](long v) -> std::string_view { return scratch = std::to_string(v); };
            const auto digits3 = [&](long v) -> std::string_view { return scratch = Fmt000(v); };
            switch (k) {
            case 0: return digits3(prev);
            case 1: return digits3(next);
            case 2: return digits3(s);
            case 3: return number(prev);
            case 4: return number(next);
            case 5: return number(s);
            case 6: return SI.SlideName[SlideIndex(prev)];
            case 7: return SI.SlideName[SlideIndex(next)];
            case 8: return SI.SlideName[s];
            case 9: return SI.StartTime[s];
            case 10: return SI.StartTime[SlideIndex(prev)];
            case 11: return SI.StartTime[SlideIndex(next)];
            case 12: {
                // End of the run of slides that share this slide's media.
                int last = s;
                while (last < n && last < kMaxSlides && SI.AudioPart[last + 1] == SI.AudioPart[s]
                       && SI.VideoPart[last + 1] == SI.VideoPart[s])
                    ++last;
                return SI.EndTime[last];
            }
            case 13: return SI.SlideImage[s];
            case 14: return number(part(s));
            case 15: {
                const int p = part(s);
                return number(p == 1 ? p : p - 1);
            }
            case 16: {
                const int p = part(s);
                return number(p == part(n) ? p : p + 1);
            }
            case 17: return SI.SlideTitle[s];
            case 18: return toDisk ? std::string_view("file:") : std::string_view(S.WebURL);
            case 19: return toDisk ? std::string_view("file:") : std::string_view(S.Stream ? S.StreamURL : S.WebURL);
            case 20: return S.LecName;
            case 21: {
                const int p = part(s);
                if (p < 0 || p > kMaxParts)
                    return "";
                return hasAudio ? SI.AudioFile[p] : SI.VideoFile[p];
            }
            case 22: return scratch = driveOf(S.CDDir);
            case 23: return scratch = driveOf(S.WebDir);
            case 24: return S.LecDir;
            case 25: return S.MediaDir;
            case 26: return S.CopyDir;
            case 27: return S.StyleDir;
            case 28: return S.CDDir;
            case 29: return S.WebDir;
            case 30: return number(VideoHeight);
            case 31: return number(VideoWidth);
            case 32: return number(FrameWidth);
            case 33: return number(PlayerWidth);
            case 34: return scratch = htmlText(SI.SlideTitle[s]);
            case 35: return scratch = htmlText(S.LecName);
            default: {
                const int p = part(s);
                if (p < 1 || p > kMaxParts)
                    return "";
                return scratch = htmlText(percentEncoded(SI.BrowserCopy[p]));
            }
            }
        };

        if (!substituteInOnePass(line, found, value)) {
            // Tokens in order, each on the line as the earlier ones left it.
            for (size_t k = 0; k < kTokens.size() && mask != 0; ++k) {
                if (!(mask & (uint64_t {1} << k)))
                    continue;
                ReplaceInPlace(line, kTokens[k], std::string(value(k)));
                mask = tokensIn(line) & ~((uint64_t {2} << k) - 1);
            }
        }
    }
    // Image-map links point into the published directory, never at a file.
    if (holdsAreaTag(line))
        ReplaceInPlace(line, "HREF=\"file://", "HREF=\"");
}

}  // namespace pellucor
