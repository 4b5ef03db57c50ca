// Publishing a lecture with a 60-second part from the main window's
// "Publish To Disk", cancelled and to its end.
#include <cstdlib>
#include <filesystem>

#include "LectureWindows.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

class PublishWindow : public LectureWindows {
protected:
    std::string out = root.dir() + "disk/";
    std::string chooserTitle;
    QPushButton* cmdPub = nullptr;

    void SetUp() override
    {
        const std::string cmd
            = "sh '" + sourceDir() + "samples/make-long-lecture.sh' '" + lecture + "' 60 640x480 >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        open();
        // The directory chooser answers with the output directory.
        windows->context().hooks.chooseDirectory = [this](const std::string& title, std::string& dir, bool) {
            chooserTitle = title;
            dir = out;
            return true;
        };
        cmdPub = findWidget<QPushButton>(view(), "cmdPub");
        ASSERT_TRUE(cmdPub && cmdPub->isEnabled()) << statusText();
    }
    void publish() { cmdPub->click(); }
};

// Cancelled during its media preparation (long enough at this picture
// size to be caught there), then published to its end.
TEST_F(PublishWindow, CancelLeavesNoPartialMediaThenPublishToDiskKeepsTheWindowAnsweringAndFillsTheBar)
{
    ASSERT_TRUE(cancelPast([this] { publish(); }, 20,
                           [&] {
                               // Closing the window first asks; declined, the publish goes on.
                               sink.answers = {TavCancel};
                               EXPECT_FALSE(view().close());
                               EXPECT_TRUE(model().busy);
                           }));
    ASSERT_FALSE(sink.questions.empty());
    EXPECT_EQ(sink.questions.back(), "A publish is running: cancel it and quit?");
    EXPECT_EQ(statusText(), "Publish cancelled during media preparation of talk1: its unfinished media was removed");
    EXPECT_FALSE(model().Enabled["cmdTestDisk"]);
    EXPECT_FALSE(cmdCancel->isVisible());
    EXPECT_TRUE(cmdPub->isEnabled());
    EXPECT_FALSE(fs::exists(out));  // nothing published, nothing left beside it
    EXPECT_TRUE(leftBeside(out).empty());

    bool lockedWhileRunning = false;
    const Shown shown = runJob([this] { publish(); },
                               [&] {
                                   lockedWhileRunning = lockedWhileRunning
                                       || (model().busy && progress->isVisible() && !cmdPub->isEnabled());
                               });
    EXPECT_LE(shown.worstLate, kAnswersWithinMs) << "the window stopped answering for " << shown.worstLate << " ms";
    EXPECT_EQ(shown.highest, 100);
    EXPECT_TRUE(lockedWhileRunning);
    EXPECT_TRUE(shown.cancelOffered);
    EXPECT_EQ(chooserTitle, "Select Disk Publish Directory");
    EXPECT_EQ(statusText(), "Process:All Done");
    EXPECT_TRUE(model().Enabled["cmdTestDisk"] && model().Enabled["mnuTestDisk"]);
    EXPECT_TRUE(cmdPub->isEnabled());
    EXPECT_TRUE(fs::exists(out + "index.htm"));
    EXPECT_TRUE(fs::exists(out + "talk1.mp4"));
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
}

}  // namespace

}  // namespace pellucor
