#include <gtest/gtest.h>

#include "FakeEncoder.h"
#include "FakePlayer.h"
#include "TestSupport.h"
#include "capture/EncoderSetup.h"
#include "capture/PlayerWindow.h"
#include "capture/SlideFlipRecorder.h"
#include "capture/TimingEditor.h"
#include "core/TavString.h"

namespace pellucor {

using namespace testing_support;

namespace {

class SlideFlipRecorderTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingMessageSink sink;
    RecordingFields setup;
    int64_t now = 1000000;
    int closes = 0;
    std::unique_ptr<SlideFlipRecorder> rec;

    void SetUp() override
    {
        for (const char* n : {"img001.gif", "img002.gif", "img003.gif"})
            writeFile(dir.file(n), "GIF89a");
        setup.txtFile = dir.file("rawmedia.txt");
    }

    SlideFlipRecorder& open(SlideFlipRecorder::Mode mode = SlideFlipRecorder::FullScreen)
    {
        rec = std::make_unique<SlideFlipRecorder>(setup, mode, false);
        rec->clock = [this] { return now; };
        rec->imageName = [](int n) { return n >= 1 && n <= 3 ? "img" + Fmt000(n) + ".gif" : std::string(); };
        rec->lectureDir = [this] { return dir.dir(); };
        QObject::connect(rec.get(), &SlideFlipRecorder::closeRequested, [this] { ++closes; });
        return *rec;
    }

    std::vector<std::string> events() { return readLines(setup.txtFile); }
};

TEST_F(SlideFlipRecorderTest, TenMinuteOffsetAndSeventySecondsGiveTheOffsetTimes)
{
    setup.txtStartTime = "00:10:00";
    SlideFlipRecorder& r = open();
    ASSERT_TRUE(r.Form_Load());
    EXPECT_EQ(r.Status(), "Page-Down to Start ESC to Exit");
    EXPECT_FALSE(r.ButtonsVisible());
    EXPECT_TRUE(r.TinyVisible());
    EXPECT_EQ(r.ImageName(), "img001.gif");

    r.Form_KeyDown(Qt::Key_PageDown);  // timing starts; slide 1 stays
    EXPECT_TRUE(r.TimingStarted());
    EXPECT_EQ(r.SlideNum(), 1);
    EXPECT_FALSE(r.StatusVisible());
    EXPECT_TRUE(r.SlideVisible());
    EXPECT_TRUE(events().empty());

    now += 70;
    r.Form_KeyDown(Qt::Key_PageDown);
    ASSERT_EQ(events(), (Strings {"u 00:10:00 00:11:10 URL\\sld001.htm"}));
    EXPECT_EQ(r.SlideNum(), 2);
    EXPECT_EQ(r.ImageName(), "img002.gif");

    now += 30;
    r.Form_KeyDown(Qt::Key_Escape);
    EXPECT_EQ(events(), (Strings {"u 00:10:00 00:11:10 URL\\sld001.htm", "u 00:11:10 00:11:40 URL\\sld002.htm"}));
    // The next part continues with the next slide, from the last time.
    EXPECT_EQ(setup.txtSlideNum, "3");
    EXPECT_EQ(setup.txtStartTime, "00:11:40");
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SlideFlipRecorderTest, PageUpRecordsTheSlideLeftAndNeverGoesBelowOne)
{
    SlideFlipRecorder& r = open(SlideFlipRecorder::Windowed);
    ASSERT_TRUE(r.Form_Load());
    EXPECT_EQ(r.Status(), "Plus or Page-Down to Start");
    r.Form_KeyDown(Qt::Key_PageUp);  // before timing: nothing written
    EXPECT_EQ(r.SlideNum(), 1);
    EXPECT_TRUE(events().empty());

    r.Form_KeyDown(Qt::Key_Plus);
    EXPECT_EQ(r.Status(), "Viewing Slide 001");
    now += 5;
    r.Form_KeyDown(Qt::Key_PageUp);  // at slide 1: records slide 1, stays there
    EXPECT_EQ(r.SlideNum(), 1);
    now += 4;
    r.Form_KeyDown(Qt::Key_Equal);
    now += 6;
    r.Form_KeyDown(Qt::Key_Minus);  // back from slide 2 to slide 1
    EXPECT_EQ(r.SlideNum(), 1);
    EXPECT_EQ(r.Status(), "Viewing Slide 001");
    EXPECT_EQ(events(),
              (Strings {"u 00:00:00 00:00:05 URL\\sld001.htm", "u 00:00:05 00:00:09 URL\\sld001.htm",
                        "u 00:00:09 00:00:15 URL\\sld002.htm"}));
    EXPECT_FALSE(r.Form_KeyDown(Qt::Key_A));
}

TEST_F(SlideFlipRecorderTest, EscBeforeTheStartWritesNothingAndEmptiesTheStartTime)
{
    setup.txtSlideNum = "2";
    setup.txtStartTime = "00:05:00";
    SlideFlipRecorder& r = open();
    ASSERT_TRUE(r.Form_Load());
    r.Form_KeyDown(Qt::Key_Escape);
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(setup.txtSlideNum, "2");
    EXPECT_EQ(setup.txtStartTime, "");
    EXPECT_EQ(closes, 1);

    // The next load reads the empty start time as the beginning.
    SlideFlipRecorder& again = open();
    ASSERT_TRUE(again.Form_Load());
    EXPECT_EQ(setup.txtStartTime, "00:00:00");
}

TEST_F(SlideFlipRecorderTest, DelayOfFiveCountsDownASecondAtATime)
{
    setup.txtDelay = "5";
    SlideFlipRecorder& r = open();
    ASSERT_TRUE(r.Form_Load());
    r.Form_KeyDown(Qt::Key_PageDown);
    EXPECT_EQ(r.Status(), "Waiting for 5 seconds ");
    EXPECT_EQ(r.StatusColour(), kColourYellow);
    EXPECT_TRUE(r.delayTimer().isActive());
    EXPECT_EQ(r.delayTimer().interval(), 1000);
    std::vector<std::string> shown;
    for (int i = 0; i < 4; ++i) {
        ++now;
        r.countDown();
        shown.push_back(r.Status());
    }
    EXPECT_EQ(shown,
              (Strings {"Waiting for 4 seconds ", "Waiting for 3 seconds ", "Waiting for 2 seconds ",
                        "Waiting for 1 seconds "}));
    EXPECT_FALSE(r.TimingStarted());
    ++now;
    r.countDown();  // the following tick starts timing, first slide still on screen
    EXPECT_TRUE(r.TimingStarted());
    EXPECT_FALSE(r.delayTimer().isActive());
    EXPECT_EQ(r.SlideNum(), 1);
    now += 10;
    r.Form_KeyDown(Qt::Key_PageDown);
    EXPECT_EQ(events(), (Strings {"u 00:00:00 00:00:10 URL\\sld001.htm"}));
}

TEST_F(SlideFlipRecorderTest, ImagesFileInCapitalsGetsDurationsInTicks)
{
    setup.txtFile = dir.file("IMAGES.TXT");
    setup.txtStartTime = "00:01:00";
    SlideFlipRecorder& r = open();
    ASSERT_TRUE(r.Form_Load());
    r.cmdPlus_Click();
    now += 5;
    r.cmdPlus_Click();
    now += 7;
    r.cmdX_Click();
    EXPECT_EQ(events(), (Strings {"# CS=00:01:05 DT=300", "300 img001.gif", "# CS=00:01:12 DT=420", "420 img002.gif"}));
}

TEST_F(SlideFlipRecorderTest, LoadFailsClosedOnAnUnwritableFileOrAMissingSlide)
{
    setup.txtFile = dir.file("no/such/dir/rawmedia.txt");
    EXPECT_FALSE(open().Form_Load());
    EXPECT_TRUE(sink.saw("Error, Unable to open " + setup.txtFile));
    EXPECT_EQ(closes, 1);

    setup.txtFile = dir.file("rawmedia.txt");
    setup.txtSlideNum = "7";
    EXPECT_FALSE(open().Form_Load());
    EXPECT_TRUE(sink.saw("Unable to find Image " + dir.dir()));

    setup.txtStartTime = "half past";
    EXPECT_FALSE(open().Form_Load());
    EXPECT_TRUE(sink.saw("Start Time"));

    // No Slides needs no picture.
    setup.txtStartTime = "00:00:00";
    setup.chkNone = true;
    EXPECT_TRUE(open().Form_Load());
}

TEST_F(SlideFlipRecorderTest, RunningOutOfSlidesEndsTheRecording)
{
    SlideFlipRecorder& r = open();
    ASSERT_TRUE(r.Form_Load());
    r.cmdPlus_Click();
    for (int i = 0; i < 3; ++i) {
        now += 2;
        r.cmdPlus_Click();
    }
    EXPECT_TRUE(r.Stopped());
    EXPECT_EQ(events().size(), 3u);  // slides 1 to 3; no picture for slide 4
    EXPECT_EQ(setup.txtSlideNum, "4");
    EXPECT_TRUE(sink.messages.empty());
    r.cmdPlus_Click();  // nothing more after the stop
    EXPECT_EQ(events().size(), 3u);
}

TEST_F(SlideFlipRecorderTest, FirstPressStartsTheEncoderAndEscStopsIt)
{
    FakeEncoderLog log;
    FakeEncoder enc(&log);
    enc.audioDrivers = {"default"};
    EncoderSetup encoderWindow(enc);
    setup.chkEncoder = true;
    SlideFlipRecorder& r = open();
    r.encoder = &encoderWindow;
    ASSERT_TRUE(r.Form_Load());
    r.cmdPlus_Click();
    EXPECT_TRUE(enc.encoding);
    EXPECT_TRUE(r.MediaStarted());
    r.cmdX_Click();
    EXPECT_FALSE(enc.encoding);
    EXPECT_FALSE(r.MediaStarted());
}

TEST_F(SlideFlipRecorderTest, FailedEncoderStartIsReportedAndTriedAgainAfterTheDelay)
{
    FakeEncoderLog log;
    FakeEncoder enc(&log);
    enc.audioDrivers = {"default"};
    enc.startError = "no device";
    EncoderSetup encoderWindow(enc);
    setup.chkEncoder = true;
    setup.txtDelay = "2";
    SlideFlipRecorder& r = open();
    r.encoder = &encoderWindow;
    ASSERT_TRUE(r.Form_Load());
    r.cmdPlus_Click();
    EXPECT_TRUE(sink.saw("Unable to Start Encoder"));
    r.countDown();
    r.countDown();
    EXPECT_EQ(enc.starts, 2);
    EXPECT_TRUE(r.TimingStarted());  // the recording goes on without media
}

TEST_F(SlideFlipRecorderTest, EndOfPlaybackEndsTheRecording)
{
    FakePlayer ctl;
    PlayerWindow playerWindow(ctl);
    ASSERT_TRUE(playerWindow.SetSource(dir.file("img001.gif")));
    setup.chkNoMedia = false;
    setup.chkPlayer = true;
    SlideFlipRecorder& r = open();
    r.player = &playerWindow;
    ASSERT_TRUE(r.Form_Load());
    r.cmdPlus_Click();
    EXPECT_EQ(ctl.PlayState(), PlayerControl::Playing);
    EXPECT_TRUE(r.playbackTimer().isActive());
    now += 3;
    r.watchPlayback();  // still playing
    EXPECT_FALSE(r.Stopped());
    ctl.End();
    r.watchPlayback();
    EXPECT_TRUE(r.Stopped());
    EXPECT_EQ(events(), (Strings {"u 00:00:00 00:00:03 URL\\sld001.htm"}));
}

TEST_F(SlideFlipRecorderTest, TheTimingEditorReadsAndRewritesARecordedFile)
{
    SlideFlipRecorder& r = open();
    ASSERT_TRUE(r.Form_Load());
    r.cmdPlus_Click();
    for (int i = 0; i < 2; ++i) {
        now += 65;
        r.cmdPlus_Click();
    }
    now += 3600;
    r.cmdX_Click();
    TimingEditor editor;
    ASSERT_TRUE(editor.LoadFile(setup.txtFile));
    EXPECT_EQ(editor.Rows().size(), 3u);
    EXPECT_EQ(editor.TimeEnd(), "01:02:10");
    ASSERT_TRUE(editor.SaveFile(dir.file("copy.txt")));
    EXPECT_EQ(readFile(dir.file("copy.txt")), readFile(setup.txtFile));
}

}  // namespace

}  // namespace pellucor
