// A recording cut into what the recogniser is given: every stretch of
// speech, the pauses between them packed only for an engine whose every
// call costs alike, and never longer than the engine takes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "media/SpeechAudio.h"
#include "speech/SpeechChunks.h"

namespace {
using namespace pellucor;

struct Case {
    const char* name;
    std::vector<std::pair<double, double>> speech;  // seconds: from, to (a tone)
    double longest, packGap;
    size_t fewest, mostStretches;  // given
    double most, least;  // seconds given in all: at most, at least
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"PausesArePackedForAnEngineOfWholeWindows", {{2, 4}, {5.5, 7}}, 25, 2, 1, 1, 6, 5.4},
    {"SilenceIsNeverGivenToAnEngineThatHearsEveryFrame", {{2, 4}, {5.5, 7}}, 25, 0, 2, 2, 4.6, 3.5},
    {"ALongSilenceIsNeverPacked", {{2, 4}, {12, 14}}, 25, 2, 2, 2, 5, 4},
    {"ALongTalkIsCutForTheLongestStretch", {{1, 61}}, 25, 2, 3, 6, 61, 60},
    {"OnlySilenceGivesNothing", {}, 25, 2, 0, 0, 0, 0},
};

class SpeechChunks : public ::testing::TestWithParam<Case> { };

TEST_P(SpeechChunks, GiveTheSpeechAndNoMoreOfTheSilenceThanTheEngineWants)
{
    const Case& c = GetParam();
    std::vector<int16_t> pcm(static_cast<size_t>(70 * kSpeechRate), 0);
    for (const auto& [from, to] : c.speech)
        for (auto i = static_cast<size_t>(from * kSpeechRate); i < static_cast<size_t>(to * kSpeechRate); ++i)
            pcm[i] = static_cast<int16_t>(8000 * std::sin(static_cast<double>(i) * 0.2));
    const std::vector<SpeechStretch> got = SpeechStretches(pcm, c.longest, c.packGap);
    ASSERT_GE(got.size(), c.fewest);
    ASSERT_LE(got.size(), c.mostStretches);
    double given = 0;
    for (const SpeechStretch& s : got) {
        const double seconds = static_cast<double>(s.to - s.from) / kSpeechRate;
        EXPECT_LE(seconds, c.longest);
        given += seconds;
    }
    EXPECT_LE(given, c.most);
    EXPECT_GE(given, c.least);
    // Every sound is given.
    for (const auto& [from, to] : c.speech) {
        bool heard = false;
        for (const SpeechStretch& s : got)
            heard = heard
                || (s.from <= static_cast<size_t>((from + 0.1) * kSpeechRate)
                    && s.to > static_cast<size_t>(from * kSpeechRate));
        EXPECT_TRUE(heard) << from;
    }
}

INSTANTIATE_TEST_SUITE_P(Recordings, SpeechChunks, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
