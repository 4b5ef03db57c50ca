// Substitution tokens: three-character tokens replaced by values of the
// lecture, tried in a fixed order on every template line.
#include "style/StyleEngine.h"

#include "core/TavUtils.h"

namespace {

// In order of application: a value holding a later token has that token
// replaced too, a value holding an earlier one keeps it.
constexpr std::array<const char*, 34> kTokens = {
    "N-N", "N+N", "N#N", "n-n", "n+n", "n#n", "S-S", "S+S", "S#S", "X#X", "X-X", "X+X",
    "X*X", "I#I", "P#P", "P-P", "P+P", "T#T", "U#U", "M#M", "N*N", "F*M", "L*C", "L*W",
    "S*P", "S*M", "S*C", "S*S", "D*C", "D*W", "H#V", "W#V", "W#F", "W#C",
};

bool isTokenMiddle(char c) { return c == '-' || c == '+' || c == '#' || c == '*'; }

// Bit k is set when the line holds token k. One pass over the line instead
// of one search per token: most template lines hold no token at all.
uint64_t tokensIn(const std::string& line)
{
    uint64_t mask = 0;
    for (size_t i = 1; i + 1 < line.size(); ++i) {
        if (!isTokenMiddle(line[i]))
            continue;
        for (size_t k = 0; k < kTokens.size(); ++k) {
            const char* t = kTokens[k];
            if (line[i] == t[1] && line[i - 1] == t[0] && line[i + 1] == t[2])
                mask |= uint64_t{1} << k;
        }
    }
    return mask;
}

int clampSlide(int i) { return i < 0 ? 0 : (i > kMaxSlides ? kMaxSlides : i); }

// "E:" for a directory on drive E; "C:" when the text names no drive.
std::string driveOf(const std::string& dir) { return dir.size() >= 2 && dir[1] == ':' ? dir.substr(0, 2) : "C:"; }

}  // namespace

void StyleEngine::ReplaceAll(std::string& text, const std::string& find, const std::string& replacement)
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
    uint64_t mask = tokensIn(line);
    if (mask != 0) {
        const int s = clampSlide(slide);
        const int n = SI.NumOfSlides;
        const int prev = s > 1 ? s - 1 : s;
        const int next = s < n ? s + 1 : s;
        const bool hasAudio = SI.AudioPart[s] != -1;
        const auto part = [&](int i) { return hasAudio ? SI.AudioPart[clampSlide(i)] : SI.VideoPart[clampSlide(i)]; };

        const auto value = [&](size_t k) -> std::string {
            switch (k) {
            case 0: return tav::fmt000(prev);
            case 1: return tav::fmt000(next);
            case 2: return tav::fmt000(s);
            case 3: return std::to_string(prev);
            case 4: return std::to_string(next);
            case 5: return std::to_string(s);
            case 6: return SI.SlideName[clampSlide(prev)];
            case 7: return SI.SlideName[clampSlide(next)];
            case 8: return SI.SlideName[s];
            case 9: return SI.StartTime[s];
            case 10: return SI.StartTime[clampSlide(prev)];
            case 11: return SI.StartTime[clampSlide(next)];
            case 12: {
                // End of the run of slides that share this slide's media.
                int last = s;
                while (last < n && last < kMaxSlides && SI.AudioPart[last + 1] == SI.AudioPart[s] &&
                       SI.VideoPart[last + 1] == SI.VideoPart[s])
                    ++last;
                return SI.EndTime[last];
            }
            case 13: return SI.SlideImage[s];
            case 14: return std::to_string(part(s));
            case 15: {
                const int p = part(s);
                return std::to_string(p == 1 ? p : p - 1);
            }
            case 16: {
                const int p = part(s);
                return std::to_string(p == part(n) ? p : p + 1);
            }
            case 17: return SI.SlideTitle[s];
            case 18: return toDisk ? "file:" : S.WebURL;
            case 19: return toDisk ? "file:" : (S.Stream ? S.StreamURL : S.WebURL);
            case 20: return S.LecName;
            case 21: {
                const int p = part(s);
                if (p < 0 || p > kMaxParts)
                    return "";
                return hasAudio ? SI.AudioFile[p] : SI.VideoFile[p];
            }
            case 22: return driveOf(S.CDDir);
            case 23: return driveOf(S.WebDir);
            case 24: return S.LecDir;
            case 25: return S.MediaDir;
            case 26: return S.CopyDir;
            case 27: return S.StyleDir;
            case 28: return S.CDDir;
            case 29: return S.WebDir;
            case 30: return std::to_string(VideoHeight);
            case 31: return std::to_string(VideoWidth);
            case 32: return std::to_string(FrameWidth);
            default: return std::to_string(PlayerWidth);
            }
        };

        for (size_t k = 0; k < kTokens.size() && mask != 0; ++k) {
            if (!(mask & (uint64_t{1} << k)))
                continue;
            ReplaceAll(line, kTokens[k], value(k));
            mask = tokensIn(line) & ~((uint64_t{2} << k) - 1);
        }
    }
    // Image-map links point into the published directory, never at a file.
    if (line.find("<AREA") != std::string::npos)
        ReplaceAll(line, "HREF=\"file://", "HREF=\"");
}
