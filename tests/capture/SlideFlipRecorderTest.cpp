#include <gtest/gtest.h>

#include <filesystem>

#include <map>
#include <sstream>

#include "FakeEncoder.h"
#include "FakePlayer.h"
#include "TestSupport.h"
#include "capture/EncoderSetup.h"
#include "capture/PlayerWindow.h"
#include "capture/SlideFlipRecorder.h"
#include "core/TavString.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

// Three slide pictures, a fixed clock moved by hand, and an encoder and a
// player that only count what they were asked.
class SlideFlipRecorderTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingMessageSink sink;
    RecordingFields setup;
    FakeEncoder enc;
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
        encoderWindow->clock = [this] { return now; };
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
        EXPECT_TRUE(open(mode).load());
        return *rec;
    }
    // After the given seconds, a key.
    void press(int seconds, int key)
    {
        now += seconds;
        rec->keyDown(key);
    }
    Strings events() { return readLines(setup.txtFile); }
};

// Keys, each pressed some seconds after the one before ("0D 70D 30E":
// D and U for Page Down and Up, E for Esc, + = - as typed), from a starting
// slide and time: the events file written and where the next part starts.
struct Script {
    const char* name;
    SlideFlipRecorder::Mode mode;
    const char *file, *slide, *start, *keys, *events, *nextSlide, *nextStart;
};

void PrintTo(const Script& s, std::ostream* os) { *os << s.name; }

constexpr auto kFull = SlideFlipRecorder::FullScreen;
const Script kScripts[] = {
    // The first key starts the timing on slide 1.
    {"TenMinuteOffset", kFull, "rawmedia.txt", "1", "00:10:00", "0D 70D 30E",
     "u 00:10:00 00:11:10 URL\\sld001.htm\r\nu 00:11:10 00:11:40 URL\\sld002.htm\r\n", "3", "00:11:40"},
    // Back at slide 1 records slide 1 and stays; before the timing nothing is written.
    {"BackNeverBelowOne", SlideFlipRecorder::Windowed, "rawmedia.txt", "1", "00:00:00", "0U 0+ 5U 4= 6-",
     "u 00:00:00 00:00:05 URL\\sld001.htm\r\nu 00:00:05 00:00:09 URL\\sld001.htm\r\n"
     "u 00:00:09 00:00:15 URL\\sld002.htm\r\n",
     "1", "00:00:00"},
    {"ImagesFileInCapitalsInTicks", kFull, "IMAGES.TXT", "1", "00:01:00", "0+ 5+ 7E",
     "# CS=00:01:05 DT=300\r\n300 img001.gif\r\n# CS=00:01:12 DT=420\r\n420 img002.gif\r\n", "3", "00:01:12"},
    // No picture for slide 4: the recording ends; the last key is too late.
    {"RunningOutOfSlidesStops", kFull, "rawmedia.txt", "1", "00:00:00", "2+ 2+ 2+ 2+ 2+",
     "u 00:00:00 00:00:02 URL\\sld001.htm\r\nu 00:00:02 00:00:04 URL\\sld002.htm\r\n"
     "u 00:00:04 00:00:06 URL\\sld003.htm\r\n",
     "4", "00:00:06"},
    {"EscBeforeTheStartEmptiesTheStartTime", kFull, "rawmedia.txt", "2", "00:05:00", "0E", "", "2", ""},
};

class SlideFlipRecorderScript : public SlideFlipRecorderTest, public ::testing::WithParamInterface<Script> { };

TEST_P(SlideFlipRecorderScript, WritesTheEventsAndCarriesOn)
{
    const Script& c = GetParam();
    setup.txtFile = dir.file(c.file);
    setup.txtSlideNum = c.slide;
    setup.txtStartTime = c.start;
    loaded(c.mode);
    const std::map<char, int> keys {{'D', Qt::Key_PageDown}, {'U', Qt::Key_PageUp}, {'E', Qt::Key_Escape},
                                    {'+', Qt::Key_Plus},     {'=', Qt::Key_Equal},  {'-', Qt::Key_Minus}};
    std::istringstream script(c.keys);
    int seconds = 0;
    for (char key = 0; script >> seconds >> key;)
        press(seconds, keys.at(key));
    EXPECT_EQ(readFile(setup.txtFile), c.events);
    EXPECT_EQ(setup.txtSlideNum, c.nextSlide);
    EXPECT_EQ(setup.txtStartTime, c.nextStart);
    EXPECT_EQ(closes, rec->Stopped() ? 1 : 0);
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, SlideFlipRecorderScript, ::testing::ValuesIn(kScripts));

TEST_F(SlideFlipRecorderTest, FullScreenShowsOnlyTheSlideOnceTimingAndWindowedSaysWhichSlide)
{
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
    press(1, Qt::Key_PageDown);
    EXPECT_EQ(r.ImageName(), "img002.gif");

    SlideFlipRecorder& w = loaded(SlideFlipRecorder::Windowed);
    EXPECT_EQ(w.Status(), "Plus or Page-Down to Start");
    press(0, Qt::Key_Plus);
    EXPECT_EQ(w.Status(), "Viewing Slide 001");
    EXPECT_FALSE(w.keyDown(Qt::Key_A));
    setup.txtStartTime = "";  // as Esc before the start leaves it: the beginning
    loaded();
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
    for (int left = 5; left > 0; --left) {
        EXPECT_EQ(r.Status(), "Waiting for " + std::to_string(left) + " seconds ");
        EXPECT_FALSE(r.TimingStarted());
        ++now;
        r.countDown();  // a second later; the tick after "1" starts timing, first slide still on screen
    }
    EXPECT_TRUE(r.TimingStarted());
    EXPECT_FALSE(r.delayTimer().isActive());
    EXPECT_EQ(r.SlideNum(), 1);
    press(10, Qt::Key_PageDown);
    EXPECT_EQ(events(), Strings {"u 00:00:00 00:00:10 URL\\sld001.htm"});
}

// Slide times follow the recording's own clock, from the moment it
// started: whether Record in the encoder set-up started it before the
// first key, or the first key started it before a start-up delay.
TEST_F(SlideFlipRecorderTest, SlideTimesAreOnTheRecordingsClockWhateverStartedIt)
{
    setup.chkEncoder = true;
    encoderWindow->start();  // Record, in the set-up
    now += 30;
    loaded();
    press(0, Qt::Key_PageDown);
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();  // no "Unable to Start Encoder"
    EXPECT_TRUE(enc.encoding && rec->MediaStarted());
    EXPECT_EQ(enc.starts, 1);
    press(10, Qt::Key_PageDown);
    EXPECT_EQ(events(), Strings {"u 00:00:00 00:00:40 URL\\sld001.htm"});
    encoderWindow->stopEncoding();

    std::filesystem::remove(setup.txtFile);
    setup.txtDelay = "5";
    setup.txtSlideNum = "1";
    setup.txtStartTime = "00:00:00";
    loaded();
    press(0, Qt::Key_PageDown);
    for (int left = 5; left > 0; --left) {
        ++now;
        rec->countDown();
    }
    press(10, Qt::Key_PageDown);
    EXPECT_EQ(events(), Strings {"u 00:00:00 00:00:15 URL\\sld001.htm"});
}

TEST_F(SlideFlipRecorderTest, LoadFailsClosedOnAnUnwritableFileOrAMissingSlide)
{
    setup.txtFile = dir.file("no/such/dir/rawmedia.txt");
    EXPECT_FALSE(open().load());
    EXPECT_TRUE(sink.saw("Error, Unable to open " + setup.txtFile));
    EXPECT_EQ(closes, 1);
    setup.txtFile = dir.file("rawmedia.txt");
    setup.txtSlideNum = "7";
    EXPECT_FALSE(open().load());
    EXPECT_TRUE(sink.saw("Unable to find Image " + dir.dir()));
    setup.txtStartTime = "half past";
    EXPECT_FALSE(open().load());
    EXPECT_TRUE(sink.saw("Start Time"));
    setup.txtStartTime = "00:00:00";
    setup.chkNone = true;  // No Slides needs no picture
    EXPECT_TRUE(open().load());
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
    ASSERT_TRUE(r.load());
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
