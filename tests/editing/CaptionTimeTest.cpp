// A cue time as the caption editor takes it typed: hours, minutes and
// seconds with a point or a comma; anything else is refused, never thrown.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "editing/CaptionEditor.h"

namespace {
using pellucor::CaptionEditor;

struct Typed {
    std::string text;
    bool taken;
    double seconds;
};

void PrintTo(const Typed& t, std::ostream* os) { *os << '"' << t.text.substr(0, 16) << '"'; }

class CaptionTime : public ::testing::TestWithParam<Typed> { };

TEST_P(CaptionTime, IsTakenOrRefused)
{
    const Typed& t = GetParam();
    double seconds = -1;
    EXPECT_EQ(CaptionEditor::ParseTime(t.text, seconds), t.taken) << t.text;
    if (t.taken) {
        EXPECT_DOUBLE_EQ(seconds, t.seconds) << t.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Typed, CaptionTime,
                         ::testing::Values(Typed {"00:01:02.500", true, 62.5}, Typed {" 1:02,5 ", true, 62.5},
                                           Typed {"75", true, 75}, Typed {"1:2:3", true, 3723}, Typed {".", false, 0},
                                           Typed {"1:.", false, 0}, Typed {"1..2", false, 0},
                                           Typed {"1:2:3:4", false, 0}, Typed {"", false, 0}, Typed {"1:-2", false, 0},
                                           Typed {std::string(400, '9'), false, 0}));

}  // namespace
