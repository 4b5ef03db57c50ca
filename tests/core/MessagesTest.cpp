#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/TavUtils.h"

namespace pellucor {

using namespace testing_support;

namespace {

struct UnattendedScope {
    UnattendedScope() { Tav_SetUnattended(true); }
    ~UnattendedScope() { Tav_SetUnattended(false); }
};

TEST(Messages, UnattendedModeSilencesAndAnswersAffirmatively)
{
    RecordingMessageSink sink;
    sink.answers = {TavCancel, TavNo};
    {
        UnattendedScope u;
        Tav_Message("hidden");
        EXPECT_EQ(Tav_AskOkCancel("q1"), TavOK);
        EXPECT_EQ(Tav_AskYesNoCancel("q2"), TavYes);
        PlainMessage("plain is shown even now");
    }
    EXPECT_TRUE(sink.questions.empty());
    EXPECT_EQ(sink.messages, (Strings {"plain is shown even now"}));
    EXPECT_EQ(Tav_AskOkCancel("q3"), TavCancel);
    EXPECT_EQ(Tav_AskYesNoCancel("q4"), TavNo);
}

TEST(DebugLog, WritesCrLfLinesToTheStateDirectory)
{
    Tav_DebugLog("marker line for the test");
    const std::string text = readFile(DebugLogPath());
    EXPECT_TRUE(holds(text, "marker line for the test\r\n"));
}

}  // namespace

}  // namespace pellucor
