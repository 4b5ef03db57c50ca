#include <gtest/gtest.h>

#include <QCoreApplication>

#include "AppFixture.h"
#include "app/Pellucor.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

class Automation : public AppFixture {
protected:
    pellucor p {&app};
    std::string msg;
};

TEST_F(Automation, DirectoryTextsAreNormalisedAndUrlsKeptAsGiven)
{
    p.SetTextMedia("  /lec/l01  ");
    EXPECT_EQ(publishForm.TextMedia, "/lec/l01/");
    p.SetTextMedia("/lec/l01/");
    EXPECT_EQ(publishForm.TextMedia, "/lec/l01/");
    p.SetTextMedia("   ");
    EXPECT_EQ(publishForm.TextMedia, "");
    p.SetTextWebURL(" http://h/x ");
    EXPECT_EQ(publishForm.TextWebURL, " http://h/x ");
    p.SetTextStream(" rtsp://h/x");
    EXPECT_EQ(publishForm.TextStream, " rtsp://h/x");
    p.SetOptWeb(true);
    p.SetOptCD(false);
    p.SetOptStream(true);
    EXPECT_EQ(publishForm.optWeb, 1);
    EXPECT_EQ(publishForm.optCD, 0);
    EXPECT_EQ(publishForm.chkStream, 1);
    EXPECT_TRUE(app.Started());
}

TEST_F(Automation, SetTextPPFillsBothWindowsAndRefillsTheOtherFields)
{
    p.SetTextMedia("/elsewhere/");
    p.SetTextCDDir("/out/");
    p.SetTextPP(lec.substr(0, lec.size() - 1));
    EXPECT_EQ(mainWindow.lblDirectory, lec);
    EXPECT_EQ(publishForm.lblDirectory, lec);
    EXPECT_EQ(publishForm.TextPP, lec);
    EXPECT_EQ(publishForm.TextName, "talk");
    EXPECT_EQ(publishForm.TextMedia, lec);  // the media directory set before is lost
    EXPECT_EQ(publishForm.TextCDDir, lec + "synccd/");
    EXPECT_EQ(publishForm.TextWebDir, lec + "syncweb/");
    EXPECT_EQ(publishForm.TextCopy, lec + "copy/");
}

TEST_F(Automation, OKToPublishEmptiesTheMessageOnlyWhenTheLectureIsAcceptable)
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
}

TEST_F(Automation, PublishIsUnattendedAndWaitReturnsAtOnceWithoutAutoStart)
{
    copySample();
    p.SetTextPP(lec);
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

TEST_F(Automation, WaitUntilCompleteRunsThePollerToTheEnd)
{
    copySample();
    p.SetTextPP(lec);
    p.SetTextStyle(PELLUCOR_STYLE_DIR);
    publishForm.logPoller.setInterval(50);
    ASSERT_TRUE(p.Publish(msg)) << msg;
    EXPECT_TRUE(p.IsRunning());
    p.WaitUntilComplete();
    EXPECT_FALSE(p.IsRunning());
    EXPECT_EQ(p.GetStatus(), "Process:All Done");
    EXPECT_TRUE(fs::exists(lec + "synccd/index.htm"));
}

TEST_F(Automation, ReleasingEndsTheProgram)
{
    bool ended = false;
    p.terminate = [&] { ended = true; };
    p.Class_Terminate();
    EXPECT_TRUE(ended);
}

}  // namespace

}  // namespace pellucor
