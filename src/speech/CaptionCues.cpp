#include "speech/CaptionCues.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/CaptionFiles.h"
#include "core/CaptionReview.h"
#include "core/TavString.h"

namespace pellucor {

namespace {

// Characters as a reader counts them (UTF-8 continuation bytes are not).
size_t shown(const std::string& s)
{
    return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return !IsUtf8Continuation(c); }));
}

std::string join(const std::vector<std::string>& words, size_t from, size_t to)
{
    std::string out;
    for (size_t i = from; i < to; ++i)
        out += (i > from ? " " : "") + words[i];
    return out;
}

bool endsSentence(const std::string& word)
{
    return !word.empty() && (word.back() == '.' || word.back() == '?' || word.back() == '!');
}

}  // namespace

std::vector<std::string> CaptionLines(const std::vector<std::string>& words, const CaptionRules& rules)
{
    if (words.empty())
        return {};
    const std::string all = join(words, 0, words.size());
    if (shown(all) <= rules.lineLength)
        return {all};
    if (rules.lines < 2)
        return {};
    std::vector<std::string> best;
    size_t bestLongest = rules.lineLength + 1;
    for (size_t cut = 1; cut < words.size(); ++cut) {
        std::string a = join(words, 0, cut), b = join(words, cut, words.size());
        const size_t longest = std::max(shown(a), shown(b));
        if (longest < bestLongest) {
            bestLongest = longest;
            best = {std::move(a), std::move(b)};
        }
    }
    return best;
}

std::vector<TimedCue> MakeCaptionCues(const std::vector<SpokenWord>& words, const CaptionRules& rules)
{
    std::vector<TimedCue> cues;
    std::vector<std::string> text;
    std::vector<float> confidences;
    double start = 0, end = 0;
    auto close = [&] {
        if (!text.empty())
            cues.push_back({start, end, CaptionLines(text, rules), confidences});
        text.clear();
        confidences.clear();
    };
    for (const SpokenWord& w : words) {
        if (w.text.empty())
            continue;
        if (!text.empty()) {
            const bool longEnough = end - start >= rules.shortest;
            std::vector<std::string> more = text;
            more.push_back(w.text);
            const bool fits = w.end - start <= rules.longest && !CaptionLines(more, rules).empty();
            const bool breakHere = w.start - end >= rules.pause || endsSentence(text.back());
            if (!fits || (breakHere && longEnough))
                close();
        }
        if (text.empty())
            start = w.start;
        text.push_back(w.text);
        confidences.push_back(w.confidence);
        end = std::max(end, w.end);
        if (CaptionLines(text, rules).empty()) {  // a single word longer than a line
            cues.push_back({start, end, {text.back()}, confidences});
            text.clear();
            confidences.clear();
        }
    }
    close();
    // Shown at least the shortest time where the next cue leaves room, and
    // never into the next one.
    for (size_t i = 0; i < cues.size(); ++i) {
        TimedCue& c = cues[i];
        const double next = i + 1 < cues.size() ? cues[i + 1].start : c.start + rules.longest;
        c.end = std::clamp(std::max(c.end, c.start + rules.shortest), c.start, std::max(next, c.start));
        c.end = std::min(c.end, c.start + rules.longest);
    }
    return cues;
}

std::string MachineCaptionsText(const std::vector<TimedCue>& cues, const std::string& madeBy,
                                const std::string& language, const std::string& translatedFrom)
{
    std::string out = std::string(kMachineCaptionsStart) + ": made by speech recognition (" + madeBy
        + "), not checked by a person\r\n";
    if (!language.empty())
        out += "Language: " + language + "\r\n";
    if (!translatedFrom.empty())
        out += std::string(kTranslatedFromField) + ": "
            + (translatedFrom == "auto" ? std::string("the language spoken") : translatedFrom) + "\r\n";
    for (const TimedCue& c : cues) {
        if (!c.confidences.empty()) {
            std::vector<WordMark> marks;
            for (const float p : c.confidences)
                marks.push_back({static_cast<int>(std::lround(std::clamp(p, 0.0F, 1.0F) * 100)), false});
            out += "\r\n" + ConfidenceNote(marks) + "\r\n";
        }
        out += "\r\n" + WebVttTiming(c.start, c.end) + "\r\n";
        for (const std::string& line : c.lines)
            out += WebVttEscaped(line) + "\r\n";
    }
    return out;
}

}  // namespace pellucor
