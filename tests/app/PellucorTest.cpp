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
    pellucor p{&app};
    std::string msg;
};

TEST_F(Automation, DirectoryTextsAreNormalisedAndUrlsKeptAsGiven)
{
    p.SetTextMedia("  /lec/l01  ");
    EXPECT_EQ(form1.TextMedia, "/lec/l01/");
    p.SetTextMedia("/lec/l01/");
    EXPECT_EQ(form1.TextMedia, "/lec/l01/");
    p.SetTextMedia("   ");
    EXPECT_EQ(form1.TextMedia, "");
    p.SetTextWebURL(" http://h/x ");
    EXPECT_EQ(form1.TextWebURL, " http://h/x ");
    p.SetTextStream(" rtsp://h/x");
    EXPECT_EQ(form1.TextStream, " rtsp://h/x");
    p.SetOptWeb(true);
    p.SetOptCD(false);
    p.SetOptStream(true);
    EXPECT_EQ(form1.optWeb, 1);
    EXPECT_EQ(form1.optCD, 0);
    EXPECT_EQ(form1.chkStream, 1);
    EXPECT_TRUE(app.Started());
}

TEST_F(Automation, SetTextPPFillsBothWindowsAndRefillsTheOtherFields)
{
    p.SetTextMedia("/elsewhere/");
    p.SetTextCDDir("/out/");
    p.SetTextPP(lec.substr(0, lec.size() - 1));
    EXPECT_EQ(form2.lblDirectory, lec);
    EXPECT_EQ(form1.lblDirectory, lec);
    EXPECT_EQ(form1.TextPP, lec);
    EXPECT_EQ(form1.TextName, "talk");
    EXPECT_EQ(form1.TextMedia, lec);  // the media directory set before is lost
    EXPECT_EQ(form1.TextCDDir, lec + "synccd/");
    EXPECT_EQ(form1.TextWebDir, lec + "syncweb/");
    EXPECT_EQ(form1.TextCopy, lec + "copy/");
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
    form1.chkAutoStart = 0;
    ASSERT_TRUE(p.Publish(msg)) << msg;
    EXPECT_TRUE(Tav_Unattended());
    EXPECT_FALSE(p.IsRunning());
    p.WaitUntilComplete();
    EXPECT_TRUE(tav::startsWith(p.GetStatus(), "Complete (You must manually run: "));

    p.SetTextMedia(dir.dir() + "nothing/");
    fs::create_directories(dir.dir() + "nothing/");
    EXPECT_FALSE(p.Publish(msg));
    EXPECT_EQ(msg, "Media directory is empty " + dir.dir() + "nothing/");
    EXPECT_TRUE(sink.messages.empty());  // unattended: no message box
}

TEST_F(Automation, WaitUntilCompleteRunsThePollerToTheEnd)
{
    int argc = 0;
    QCoreApplication qapp(argc, nullptr);
    copySample();
    p.SetTextPP(lec);
    p.SetTextStyle(PELLUCOR_STYLE_DIR);
    form1.Timer1.setInterval(50);
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
