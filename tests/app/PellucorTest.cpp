// The automation object in the program's own process: the lecture it is
// given fills both windows, a publish runs unattended and a failure is
// answered, never shown.
#include <gtest/gtest.h>

#include "AppFixture.h"
#include "app/Pellucor.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

class Automation : public AppFixture {
protected:
    pellucor p {&app};
};

TEST_F(Automation, SetTextPPFillsBothWindowsAndRefillsTheOtherFields)
{
    p.SetTextMedia("  /elsewhere  ");
    EXPECT_EQ(publishForm.TextMedia, "/elsewhere/");
    p.SetTextCDDir("/out/");
    p.SetTextPP(lec.substr(0, lec.size() - 1));
    EXPECT_TRUE(app.Started());
    EXPECT_EQ(mainWindow.lblDirectory, lec);
    EXPECT_EQ(publishForm.lblDirectory, lec);
    EXPECT_EQ(publishForm.TextPP, lec);
    EXPECT_EQ(publishForm.TextName, "talk");
    EXPECT_EQ(publishForm.TextMedia, lec);  // the media directory set before is lost
    EXPECT_EQ(publishForm.TextCDDir, lec + "synccd/");
    EXPECT_EQ(publishForm.TextWebDir, lec + "syncweb/");
    EXPECT_EQ(publishForm.TextCopy, lec + "copy/");
}

TEST_F(Automation, PublishRunsUnattendedAndAnswersAFailure)
{
    p.SetTextPP(lec);
    msg = "left by the client";
    EXPECT_FALSE(p.OKToPublish(msg));
    EXPECT_FALSE(msg.empty());
    EXPECT_NE(msg, "left by the client");
    copySample();
    msg = "left by the client";
    EXPECT_TRUE(p.OKToPublish(msg));
    EXPECT_EQ(msg, "");

    // A whole publish by a client runs in automation_dbus.sh; without
    // autostart the wait returns at once.
    p.SetTextStyle(PELLUCOR_STYLE_DIR);
    publishForm.chkAutoStart = 0;
    ASSERT_TRUE(p.Publish(msg)) << msg;
    EXPECT_TRUE(Unattended());
    p.WaitUntilComplete();
    EXPECT_FALSE(p.IsRunning());
    EXPECT_TRUE(StartsWith(p.GetStatus(), "Complete (You must manually run: ")) << p.GetStatus();

    p.SetTextMedia(dir.dir() + "nothing/");
    fs::create_directories(dir.dir() + "nothing/");
    EXPECT_FALSE(p.Publish(msg));
    EXPECT_EQ(msg, "Media directory is empty " + dir.dir() + "nothing/");
    EXPECT_TRUE(sink.messages.empty());  // unattended: no message box
}

}  // namespace

}  // namespace pellucor
