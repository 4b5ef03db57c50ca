// Cues cut from timed words: where each cue ends and how long it shows.
#include <gtest/gtest.h>

#include "core/CaptionReview.h"
#include "speech/CaptionCues.h"

namespace {
using namespace pellucor;

// Words of a steady speaker: one every 0.4 s, each 0.3 s long, with the
// given pauses (seconds added before word i).
std::vector<SpokenWord> speech(const std::vector<std::string>& text, std::map<size_t, double> pauses = {})
{
    std::vector<SpokenWord> words;
    double t = 0.2;
    for (size_t i = 0; i < text.size(); ++i) {
        t += pauses.count(i) ? pauses[i] : 0;
        words.push_back({t, t + 0.3, text[i], 0.9f});
        t += 0.4;
    }
    return words;
}

struct Case {
    const char* name;
    std::vector<SpokenWord> words;
    std::vector<std::string> cues;  // each cue's lines joined by "|"
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> kLong
    = {"the", "students", "opened", "their",  "books", "and",    "read", "about", "the", "weather", "over",
       "the", "sea",      "in",     "winter", "when",  "storms", "come", "from",  "the", "west"};

const Case kCases[] = {
    {"APauseEndsACue",
     speech({"welcome", "to", "the", "lecture", "today", "we", "begin"}, {{4, 0.8}}),
     {"welcome to the lecture", "today we begin"}},
    {"ASentenceEndEndsACue",
     speech({"good", "morning", "to", "you.", "we", "begin", "with", "waves"}),
     {"good morning to you.", "we begin with waves"}},
    {"TooShortForASentenceEnd", speech({"yes.", "we", "begin"}), {"yes. we begin"}},
    {"TooShortToBreakAtAPause", speech({"so", "then", "we", "go", "on"}, {{1, 0.6}}), {"so then we go on"}},
    {"TwoLinesOf42AtMost",
     speech(kLong),
     {"the students opened their books and read|about the weather over the sea in winter",
      "when storms come from the west"}},
};

class CaptionCues : public ::testing::TestWithParam<Case> { };

TEST_P(CaptionCues, CutsAtPausesAndSentencesWithinTheLimits)
{
    const Case& c = GetParam();
    const std::vector<TimedCue> cues = MakeCaptionCues(c.words);
    std::vector<std::string> got;
    size_t word = 0;
    for (size_t i = 0; i < cues.size(); ++i) {
        std::string joined;
        for (const std::string& line : cues[i].lines) {
            joined += (joined.empty() ? "" : "|") + line;
            EXPECT_LE(line.size(), 42u);
        }
        got.push_back(joined);
        EXPECT_LE(cues[i].lines.size(), 2u);
        EXPECT_DOUBLE_EQ(cues[i].start, c.words[word].start) << "a cue starts with its first word";
        EXPECT_LE(cues[i].end - cues[i].start, 7.0);
        if (i + 1 < cues.size()) {
            EXPECT_LE(cues[i].end, cues[i + 1].start);
            EXPECT_TRUE(cues[i].end - cues[i].start >= 1.0 || cues[i].end == cues[i + 1].start);
        } else {
            EXPECT_GE(cues[i].end - cues[i].start, 1.0);
        }
        size_t words = 0;
        for (const std::string& line : cues[i].lines)
            words += static_cast<size_t>(std::count(line.begin(), line.end(), ' ')) + 1;
        EXPECT_EQ(cues[i].confidences, std::vector<float>(words, 0.9f)) << "each word keeps its confidence";
        word += words;
    }
    EXPECT_EQ(got, c.cues);
}

INSTANTIATE_TEST_SUITE_P(Words, CaptionCues, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CaptionText, IsMarkedAsMachineMadeWithItsWordsConfidencesAndEscaped)
{
    const std::string vtt
        = MachineCaptionsText({{1, 2.5, {"fish & chips <b>"}, {0.98f, 0.4f, 1, 0.5f}}, {3, 4, {"no confidences"}, {}}},
                              "PocketSphinx, en-us");
    EXPECT_EQ(vtt,
              "WEBVTT\r\n\r\nNOTE Automatic captions: made by speech recognition (PocketSphinx, en-us), not "
              "checked by a person\r\n\r\nNOTE Confidence: 98 40 100 50\r\n\r\n00:00:01.000 --> 00:00:02.500\r\n"
              "fish &amp; chips &lt;b&gt;\r\n\r\n00:00:03.000 --> 00:00:04.000\r\nno confidences\r\n");
    // Read back for the caption editor: a list a cue, a mark a word.
    const auto marks = CueConfidences(vtt);
    ASSERT_EQ(marks.size(), 2u);
    std::vector<int> first;
    for (const WordMark& m : marks[0])
        first.push_back(m.confidence);
    EXPECT_EQ(first, (std::vector<int> {98, 40, 100, 50}));
    EXPECT_TRUE(marks[1].empty());
}

}  // namespace
