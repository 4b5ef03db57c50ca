// The choice of the slide sequence from per-frame likenesses, on made-up
// samples one second apart: which slide each letter shows plainly ("A" is
// slide 0), "." shows none (the camera on the lecturer), "=" shows A or B
// but cannot tell which (two slides alike, where they differ hidden); the
// spans chosen and their starts. And the events rows made of a result.
#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "media/LectureSync.h"
#include "media/SlideSequence.h"

namespace {
using namespace pellucor;

std::vector<SlideSample> samples(const std::string& letters)
{
    std::vector<SlideSample> out;
    for (size_t k = 0; k < letters.size(); ++k) {
        SlideSample s {static_cast<double>(k), std::vector<float>(4, 0.02f)};
        if (letters[k] != '.') {
            s.scores.assign(4, 0.5f);
            for (const char shown : letters[k] == '=' ? std::string("AB") : std::string(1, letters[k]))
                s.scores[static_cast<size_t>(shown - 'A')] = 0.9f;
        }
        out.push_back(std::move(s));
    }
    return out;
}

struct Case {
    const char* shown;
    const char* chosen;  // "slide@start" per span
    bool sure;           // every change beyond doubt
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.shown << '"'; }

const Case kCases[] = {
    {"AAAAABBBBB", "A@0 B@4.5", true},
    {"AAAAAAAAAACAAAAAAAAA", "A@0", true},                 // one odd frame is no change
    {"AAAABBBBCCCCAAAA", "A@0 B@3.5 C@7.5 A@11.5", true},  // going back to an earlier slide
    {"AAAA......AAAA", "A@0", true},                       // the slide out of sight: it stays
    {"AAAA......CCCC", "A@0 C@6.5", false},                // changed out of sight: when is unsure
    {"....BBBBDDDD", "B@0 D@7.5", true},                   // the first slide seen starts at 0
    {"AAAA====BBBB", "A@0 B@7.5", true},                   // alike, not told apart: the slide before stays
    {"..........", "", true},
};

class SlideSequence : public ::testing::TestWithParam<Case> { };

TEST_P(SlideSequence, ChoosesTheSlidesShown)
{
    std::ostringstream chosen;
    bool sure = true;
    for (const SlideSpan& span : ChooseSlides(samples(GetParam().shown))) {
        chosen << (chosen.tellp() > 0 ? " " : "") << static_cast<char>('A' + span.slide) << "@" << span.start;
        sure = sure && span.confidence >= LectureSync::kReviewBelow;
    }
    EXPECT_EQ(chosen.str(), GetParam().chosen);
    EXPECT_EQ(sure, GetParam().sure);
}

INSTANTIATE_TEST_SUITE_P(Samples, SlideSequence, ::testing::ValuesIn(kCases));

TEST(SyncedEvents, WholeSecondsAndChangesOfNoTimeLeftOut)
{
    const SyncResult result {{{0, 0, 1}, {4.4, 1, 0.9}, {9.2, 2, 1}, {9.4, 3, 0.3}, {15.5, 0, 1}}, 20.2, 0};
    const auto rows = LectureSync::Rows(result, {"sld001.htm", "sld002.htm", "sld003.htm", "sld007.htm"});
    testing_support::TempDir dir;
    std::string err;
    ASSERT_TRUE(LectureSync::WriteEvents(dir.file("talk1.txt"), "/x/talk1.mp4", rows, err)) << err;
    EXPECT_EQ(testing_support::readFile(dir.file("talk1.txt")),
              "# Slide times found from talk1.mp4 by pellucor sync-slides\r\n"
              "u 00:00:00 00:00:04 URL\\sld001.htm\r\n"
              "u 00:00:04 00:00:09 URL\\sld002.htm\r\n"
              "# review: sld007.htm from 00:00:09, confidence 30%\r\n"
              "u 00:00:09 00:00:16 URL\\sld007.htm\r\n"
              "u 00:00:16 00:00:20 URL\\sld001.htm\r\n");
}

}  // namespace
