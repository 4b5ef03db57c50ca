#include <gtest/gtest.h>

#include "FakeEncoder.h"
#include "FakePlayer.h"
#include "TestSupport.h"
#include "capture/EncoderSetup.h"
#include "capture/PlayerWindow.h"
#include "capture/RecordingSetup.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

// The windows of the recording flow with a fake encoder; each records that
// it was shown. The recording flow itself runs in the real windows, in
// RecordingFlowTest.
struct FakeWindows : RecordingWindows {
    FakeEncoder encoder;
    std::unique_ptr<EncoderSetup> enc;
    bool openSourceInDialog = true;
    Strings calls;

    EncoderSetup* LoadMediaOpener(std::string&) override
    {
        encoder.audioDrivers = {"default"};
        enc = std::make_unique<EncoderSetup>(encoder);
        return enc.get();
    }
    void ShowEncoderModal() override
    {
        calls.push_back("encoder");
        if (openSourceInDialog)
            enc->setUp();
    }
    PlayerWindow* LoadPlayer(std::string&) override { return nullptr; }
    void ShowPlayer() override { }
    void RunRecorder(bool maximized, RecordingFields&) override
    {
        calls.push_back(maximized ? "SlideFlipRecorderScaled" : "SlideFlipRecorder");
    }
    void UnloadEncoder() override { enc.reset(); }
    void UnloadPlayer() override { }
};

class RecordingSetupTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingMessageSink sink;
    FakeWindows windows;
    RecordingSetup setup {&windows};

    void SetUp() override
    {
        setup.lectureDir = [this] { return dir.dir(); };
        setup.lectureName = [] { return std::string("talk"); };
        setup.load();
    }
};

// The names and texts of a new and an empty events file: in the recording flow.
TEST_F(RecordingSetupTest, FileNamesFollowThePartsAndTheStatusLineDescribesTheEventsFile)
{
    EXPECT_EQ(setup.Fields().txtMedia, dir.dir() + "rawmedia.rm");
    EXPECT_FALSE(setup.PartVisible());
    writeFile(setup.Fields().txtFile, "");
    setup.ShowFileStatus();
    EXPECT_EQ(std::pair(setup.StatusColour(), setup.TxtFileColour()), std::pair(kColourWhite, kColourYellow));
    writeFile(setup.Fields().txtFile, "u 00:00:00 00:00:05 URL\\sld001.htm\r\n");
    setup.ShowFileStatus();
    EXPECT_EQ(setup.Status().rfind("Event file size 36 bytes - Unless you intend to append", 0), 0u);
    EXPECT_EQ(setup.StatusColour(), kColourYellow);

    setup.multiPartChanged(true);
    EXPECT_TRUE(sink.saw("MultiPart lectures use a different naming scheme"));
    setup.partChanged("2");
    EXPECT_EQ(setup.Fields().txtFile, dir.dir() + "talk2.txt");
    EXPECT_EQ(setup.Fields().txtMedia, dir.dir() + "talk2.rm");

    setup.lectureDir = [] { return std::string("/no/such/dir/"); };
    setup.load();
    EXPECT_EQ(setup.Status(), "Error in Directory");
}

TEST_F(RecordingSetupTest, PlayMediaWithoutTheFileOrAnEncoderThatDidNotOpenStopsTheFlow)
{
    setup.SetMediaControl(RecordingSetup::PlayMedia);
    EXPECT_EQ(setup.TxtMediaColour(), kColourYellow);
    setup.startRecording();
    EXPECT_TRUE(sink.saw("RealPlayer not started - file does not exist - " + dir.dir() + "rawmedia.rm"));
    EXPECT_TRUE(sink.saw("Player Setup Incomplete"));
    EXPECT_TRUE(windows.calls.empty());  // no recorder

    windows.openSourceInDialog = false;  // an encoder that did not open stops the flow too
    setup.SetMediaControl(RecordingSetup::RecordMedia);
    setup.startRecording();
    EXPECT_TRUE(sink.saw("Encoder Setup Incomplete"));
    EXPECT_EQ(windows.calls, Strings {"encoder"});
}

TEST_F(RecordingSetupTest, AppendingIsAskedOnlyForSinglePartLecturesAndTheEncoderRecordsThePartsMedia)
{
    writeFile(setup.Fields().txtFile, "u 00:00:00 00:00:05 URL\\sld001.htm\r\n");
    sink.answers = {TavNo};
    setup.startRecording();
    ASSERT_EQ(sink.questions.size(), 1u);
    EXPECT_EQ(sink.questions[0].rfind("Are you sure that you want to append timing events to an existing file - ", 0),
              0u);
    EXPECT_TRUE(windows.calls.empty());

    setup.multiPartChanged(true);
    writeFile(setup.Fields().txtFile, "u 00:00:00 00:00:05 URL\\sld001.htm\r\n");
    setup.SetMediaControl(RecordingSetup::RecordMedia);
    setup.SetDisplayStyle(RecordingSetup::MaximizedGIFs);
    setup.startRecording();
    EXPECT_EQ(sink.questions.size(), 1u);
    EXPECT_EQ(windows.calls, (Strings {"encoder", "SlideFlipRecorderScaled"}));
    EXPECT_EQ(windows.encoder.outputFile, setup.Fields().txtMedia);
    EXPECT_FALSE(windows.enc);  // unloaded afterwards
}

TEST(EncoderSetupModel, BitRateIndexFourSetsOnlyDslAndButtonsFollowTheEncoder)
{
    RecordingMessageSink sink;
    FakeEncoder enc;
    enc.audioDrivers = {"default"};
    enc.videoDrivers = {"cam", "WDM cam"};
    EncoderSetup rec(enc);
    EXPECT_EQ(rec.VideoIndex(), 1);  // the WDM driver
    rec.speedChosen(4);
    rec.ApplyEncoderSettings();
    EXPECT_EQ(std::vector<bool>(enc.targets, enc.targets + 6),
              (std::vector<bool> {false, false, false, false, true, false}));
    EXPECT_EQ(enc.inputKind, EncoderControl::InputDevices);
    EXPECT_FALSE(rec.RecordEnabled());
    rec.videoChanged(true);
    rec.setUp();
    EXPECT_TRUE(rec.RecordEnabled());
    EXPECT_TRUE(rec.DialogsVisible());
    rec.start();
    EXPECT_TRUE(rec.StopEnabled());  // and Record disabled: in the recording flow
    EXPECT_FALSE(rec.startEncoding());
    EXPECT_EQ(rec.Status(), "Already Encoding...");
}

TEST(PlayerWindowModel, OpensPausedReportsTheClipPlaysAndCompletes)
{
    TempDir dir;
    RecordingMessageSink sink;
    FakePlayer ctl;
    PlayerWindow play(ctl);
    EXPECT_FALSE(play.SetSource(dir.file("missing.rm")));
    EXPECT_TRUE(sink.saw("RealPlay Module - File does not exist " + dir.file("missing.rm")));
    writeFile(dir.file("talk.rm"), "media");
    ASSERT_TRUE(play.SetSource(dir.file("talk.rm")));
    EXPECT_EQ(play.Status(), "Audio-Only Length=6000");  // a picture's size: in the recording flow
    EXPECT_EQ(ctl.Source(), "file:\\\\\\" + dir.file("talk.rm"));
    EXPECT_EQ(ctl.PlayState(), PlayerControl::Paused);  // paused once open

    play.play();
    EXPECT_EQ(play.PlayCaption(), "Pause");
    EXPECT_FALSE(play.startPlaying());  // already playing
    EXPECT_EQ(play.Status(), "Cannot Play");
    ctl.position = 2500;
    play.showPosition();
    EXPECT_EQ(play.Status(), "Playing 00:00:02/00:00:06");
    EXPECT_EQ(play.StatusColour(), kColourGreen);
    play.play();
    EXPECT_EQ(play.PlayCaption(), "Play");
    play.showPosition();
    EXPECT_EQ(play.Status().rfind("Paused ", 0), 0u);
    ctl.End();
    play.showPosition();
    EXPECT_EQ(play.Status(), "Play Complete");
    EXPECT_FALSE(play.positionTimer().isActive());

    // Played from the timing editor: a cut from 1 s to 3 s is skipped.
    ASSERT_TRUE(play.PlayFrom(dir.file("talk.rm"), 500, [](long ms) { return ms >= 1000 && ms < 3000 ? 3000 : ms; }));
    EXPECT_EQ(ctl.PlayState(), PlayerControl::Playing);
    for (const auto& [at, then] : {std::pair {800L, 800L}, {1200L, 3000L}, {3400L, 3400L}}) {
        ctl.position = at;
        play.skipAhead();
        EXPECT_EQ(ctl.position, then) << at;
    }
}

}  // namespace
