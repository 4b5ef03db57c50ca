#include <gtest/gtest.h>

#include "FakeEncoder.h"
#include "FakePlayer.h"
#include "TestSupport.h"
#include "capture/EncoderSetup.h"
#include "capture/PlayerWindow.h"
#include "capture/SlideFlipRecorder.h"
#include "core/TavString.h"

namespace pellucor {

using namespace testing_support;

namespace {

// Three slide pictures, a fixed clock moved by hand, and an encoder and a
// player that only count what they were asked.
class SlideFlipRecorderTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingMessageSink sink;
    RecordingFields setup;
    FakeEncoder enc {nullptr};
    std::unique_ptr<EncoderSetup> encoderWindow;
    int64_t now = 1000000;
    int closes = 0;
    std::unique_ptr<SlideFlipRecorder> rec;

    void SetUp() override
    {
        for (const char* n : {"img001.gif", "img002.gif", "img003.gif"})
            writeFile(dir.file(n), "GIF89a");
        setup.txtFile = dir.file("rawmedia.txt");
        enc.audioDrivers = {"default"};
        encoderWindow = std::make_unique<EncoderSetup>(enc);
    }
    SlideFlipRecorder& open(SlideFlipRecorder::Mode mode = SlideFlipRecorder::FullScreen)
    {
        rec = std::make_unique<SlideFlipRecorder>(setup, mode, false);
        rec->clock = [this] { return now; };
        rec->imageName = [](int n) { return n >= 1 && n <= 3 ? "img" + Fmt000(n) + ".gif" : std::string(); };
        rec->lectureDir = [this] { return dir.dir(); };
        rec->encoder = encoderWindow.get();
        QObject::connect(rec.get(), &SlideFlipRecorder::closeRequested, [this] { ++closes; });
        return *rec;
    }
    SlideFlipRecorder& loaded(SlideFlipRecorder::Mode mode = SlideFlipRecorder::FullScreen)
    {
        EXPECT_TRUE(open(mode).Form_Load());
        return *rec;
    }
    // After the given seconds, a key.
    void press(int seconds, int key)
    {
        now += seconds;
        rec->Form_KeyDown(key);
    }
    Strings events() { return readLines(setup.txtFile); }
};

TEST_F(SlideFlipRecorderTest, TenMinuteOffsetAndSeventySecondsGiveTheOffsetTimes)
{
    setup.txtStartTime = "00:10:00";
    SlideFlipRecorder& r = loaded();
    EXPECT_EQ(r.Status(), "Page-Down to Start ESC to Exit");
    EXPECT_FALSE(r.ButtonsVisible());
    EXPECT_TRUE(r.TinyVisible());
    EXPECT_EQ(r.ImageName(), "img001.gif");

    press(0, Qt::Key_PageDown);  // timing starts; slide 1 stays
    EXPECT_TRUE(r.TimingStarted());
    EXPECT_EQ(r.SlideNum(), 1);
    EXPECT_FALSE(r.StatusVisible());
    EXPECT_TRUE(r.SlideVisible());
    EXPECT_TRUE(events().empty());
    press(70, Qt::Key_PageDown);
    EXPECT_EQ(events(), Strings {"u 00:10:00 00:11:10 URL\\sld001.htm"});
    EXPECT_EQ(r.SlideNum(), 2);
    EXPECT_EQ(r.ImageName(), "img002.gif");
    press(30, Qt::Key_Escape);
    EXPECT_EQ(events(), (Strings {"u 00:10:00 00:11:10 URL\\sld001.htm", "u 00:11:10 00:11:40 URL\\sld002.htm"}));
    // The next part continues with the next slide, from the last time.
    EXPECT_EQ(setup.txtSlideNum, "3");
    EXPECT_EQ(setup.txtStartTime, "00:11:40");
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SlideFlipRecorderTest, PageUpRecordsTheSlideLeftAndNeverGoesBelowOne)
{
    SlideFlipRecorder& r = loaded(SlideFlipRecorder::Windowed);
    EXPECT_EQ(r.Status(), "Plus or Page-Down to Start");
    press(0, Qt::Key_PageUp);  // before timing: nothing written
    EXPECT_EQ(r.SlideNum(), 1);
    EXPECT_TRUE(events().empty());
    press(0, Qt::Key_Plus);
    EXPECT_EQ(r.Status(), "Viewing Slide 001");
    press(5, Qt::Key_PageUp);  // at slide 1: records slide 1, stays there
    EXPECT_EQ(r.SlideNum(), 1);
    press(4, Qt::Key_Equal);
    press(6, Qt::Key_Minus);  // back from slide 2 to slide 1
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
    loaded();
    press(0, Qt::Key_Escape);
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(setup.txtSlideNum, "2");
    EXPECT_EQ(setup.txtStartTime, "");
    EXPECT_EQ(closes, 1);
    loaded();  // the next load reads the empty start time as the beginning
    EXPECT_EQ(setup.txtStartTime, "00:00:00");
}

TEST_F(SlideFlipRecorderTest, DelayOfFiveCountsDownASecondAtATime)
{
    setup.txtDelay = "5";
    SlideFlipRecorder& r = loaded();
    press(0, Qt::Key_PageDown);
    EXPECT_EQ(r.StatusColour(), kColourYellow);
    EXPECT_TRUE(r.delayTimer().isActive());
    EXPECT_EQ(r.delayTimer().interval(), 1000);
    Strings shown {r.Status()};
    for (int i = 0; i < 4; ++i, ++now) {
        r.countDown();
        shown.push_back(r.Status());
    }
    EXPECT_EQ(shown,
              (Strings {"Waiting for 5 seconds ", "Waiting for 4 seconds ", "Waiting for 3 seconds ",
                        "Waiting for 2 seconds ", "Waiting for 1 seconds "}));
    EXPECT_FALSE(r.TimingStarted());
    r.countDown();  // the following tick starts timing, first slide still on screen
    EXPECT_TRUE(r.TimingStarted());
    EXPECT_FALSE(r.delayTimer().isActive());
    EXPECT_EQ(r.SlideNum(), 1);
    press(10, Qt::Key_PageDown);
    EXPECT_EQ(events(), Strings {"u 00:00:00 00:00:10 URL\\sld001.htm"});
}

TEST_F(SlideFlipRecorderTest, ImagesFileInCapitalsGetsDurationsInTicks)
{
    setup.txtFile = dir.file("IMAGES.TXT");
    setup.txtStartTime = "00:01:00";
    loaded();
    press(0, Qt::Key_Plus);
    press(5, Qt::Key_Plus);
    press(7, Qt::Key_Escape);
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
    setup.txtStartTime = "00:00:00";
    setup.chkNone = true;  // No Slides needs no picture
    EXPECT_TRUE(open().Form_Load());
}

TEST_F(SlideFlipRecorderTest, RunningOutOfSlidesEndsTheRecording)
{
    SlideFlipRecorder& r = loaded();
    for (int i = 0; i < 4; ++i)
        press(2, Qt::Key_Plus);
    EXPECT_TRUE(r.Stopped());
    EXPECT_EQ(events().size(), 3u);  // slides 1 to 3; no picture for slide 4
    EXPECT_EQ(setup.txtSlideNum, "4");
    EXPECT_TRUE(sink.messages.empty());
    press(2, Qt::Key_Plus);  // nothing more after the stop
    EXPECT_EQ(events().size(), 3u);
}

TEST_F(SlideFlipRecorderTest, TheEncoderStartsAtTheFirstPressStopsAtEscAndAFailedStartIsTriedAgainAfterTheDelay)
{
    setup.chkEncoder = true;
    loaded();
    press(0, Qt::Key_Plus);
    EXPECT_TRUE(enc.encoding && rec->MediaStarted());
    press(0, Qt::Key_Escape);
    EXPECT_FALSE(enc.encoding || rec->MediaStarted());

    enc.startError = "no device";
    setup.txtDelay = "2";
    loaded();
    press(0, Qt::Key_Plus);
    EXPECT_TRUE(sink.saw("Unable to Start Encoder"));
    rec->countDown();
    rec->countDown();
    EXPECT_EQ(enc.starts, 3);
    EXPECT_TRUE(rec->TimingStarted());  // the recording goes on without media
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
    press(0, Qt::Key_Plus);
    EXPECT_EQ(ctl.PlayState(), PlayerControl::Playing);
    EXPECT_TRUE(r.playbackTimer().isActive());
    now += 3;
    r.watchPlayback();  // still playing
    EXPECT_FALSE(r.Stopped());
    ctl.End();
    r.watchPlayback();
    EXPECT_TRUE(r.Stopped());
    EXPECT_EQ(events(), Strings {"u 00:00:00 00:00:03 URL\\sld001.htm"});
}

}  // namespace

}  // namespace pellucor
