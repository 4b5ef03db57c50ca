#include "speech/SpeechChunks.h"

#include <algorithm>
#include <cmath>

#include "media/SpeechAudio.h"

namespace pellucor {

namespace {

constexpr size_t kFrame = kSpeechRate / 100;  // 10 ms
// Below this level (RMS against full scale) sound is silence, however
// quiet the rest of the recording is: about -55 dBFS.
constexpr double kSilenceLevel = 58;
// Speech is this many times louder than the recording's quiet (about 10 dB).
constexpr double kAboveQuiet = 3.2;
constexpr size_t kJoinGap = 60;   // frames: shorter silences stay inside a stretch
constexpr size_t kPad = 25;       // frames kept before and after speech

}  // namespace

std::vector<SpeechStretch> SpeechStretches(const std::vector<int16_t>& pcm, double longest, double packGap)
{
    const auto packFrames = static_cast<size_t>(std::max(0.0, packGap) * 100);
    const size_t frames = pcm.size() / kFrame;
    std::vector<double> level(frames);
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (size_t i = f * kFrame; i < (f + 1) * kFrame; ++i)
            sum += static_cast<double>(pcm[i]) * pcm[i];
        level[f] = std::sqrt(sum / kFrame);
    }
    if (frames == 0)
        return {};
    std::vector<double> sorted = level;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(frames / 10), sorted.end());
    const double threshold = std::max(kSilenceLevel, sorted[frames / 10] * kAboveQuiet);

    // Runs of loud frames, joined over short silences and padded.
    std::vector<SpeechStretch> runs;
    for (size_t f = 0; f < frames; ++f) {
        if (level[f] < threshold)
            continue;
        if (!runs.empty() && f <= runs.back().to + kJoinGap)
            runs.back().to = f + 1;
        else
            runs.push_back({f, f + 1});
    }
    // A click is no speech: a run must last a tenth of a second.
    std::erase_if(runs, [](const SpeechStretch& r) { return r.to - r.from < 10; });
    const auto longestFrames = static_cast<size_t>(longest * 100);
    std::vector<SpeechStretch> out;
    for (SpeechStretch r : runs) {
        r.from = r.from > kPad ? r.from - kPad : 0;
        r.to = std::min(frames, r.to + kPad);
        if (!out.empty() && r.from < out.back().to)
            r.from = out.back().to;
        if (!out.empty() && r.from <= out.back().to + packFrames && r.to - out.back().from <= longestFrames) {
            out.back().to = r.to;
            continue;
        }
        // Too long for one: cut at the quietest frame of its second half.
        while (r.to - r.from > longestFrames) {
            const size_t lo = r.from + longestFrames / 2, hi = r.from + longestFrames;
            const size_t cut = static_cast<size_t>(
                std::min_element(level.begin() + static_cast<long>(lo), level.begin() + static_cast<long>(hi))
                - level.begin());
            out.push_back({r.from, cut});
            r.from = cut;
        }
        out.push_back(r);
    }
    for (SpeechStretch& s : out) {
        s.from *= kFrame;
        s.to = std::min(pcm.size(), s.to * kFrame);
    }
    return out;
}

}  // namespace pellucor
