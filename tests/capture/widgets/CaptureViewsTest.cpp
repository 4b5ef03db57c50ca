#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "FakeEncoder.h"
#include "FakePlayer.h"
#include "TestSupport.h"
#include "capture/EncoderSetup.h"
#include "capture/FfmpegEncoder.h"
#include "capture/MediaConverter.h"
#include "capture/PlayerWindow.h"
#include "capture/RecordingSetup.h"
#include "capture/widgets/DeviceDialogs.h"
#include "capture/widgets/EncoderSetupView.h"
#include "capture/widgets/MediaConverterView.h"
#include "capture/widgets/PlayerWindowView.h"
#include "capture/widgets/QtRecordingWindows.h"
#include "capture/widgets/RecordingSetupView.h"
#include "capture/widgets/SlideFlipRecorderView.h"
#include "media/FfmpegMediaFile.h"

namespace pellucor {

using namespace testing_support;

namespace {

std::string text(const QLabel* l) { return l->text().toStdString(); }

TEST(CaptureViews, EncoderWindowFollowsItsModel)
{
    RecordingMessageSink sink;
    FakeEncoderLog log;
    FakeEncoder encoder(&log);
    encoder.audioDrivers = {"default"};
    EncoderSetup model(encoder);
    EncoderSetupView view(model);
    EXPECT_EQ(view.windowTitle(), "RealProducer - Live Media Capture");
    EXPECT_FALSE(view.CmdStart()->isEnabled());
    model.cmdSetup_Click();
    EXPECT_EQ(text(view.LblStatus()), "Setup Complete...");
    EXPECT_TRUE(view.CmdStart()->isEnabled());
    view.CmdStart()->click();
    EXPECT_EQ(text(view.LblStatus()), "Encoding Started...");
    EXPECT_FALSE(view.CmdStart()->isEnabled());
    model.Helper(true);
    EXPECT_EQ(view.CmdDone()->text(), "Next >>");
}

TEST(CaptureViews, ConverterWindowShowsProgressAndAsksBeforeClosingWhileEncoding)
{
    RecordingMessageSink sink;
    FakeEncoderLog log;
    FakeEncoder encoder(&log);
    MediaConverter model(encoder);
    MediaConverterView view(model);
    view.show();
    EXPECT_EQ(view.windowTitle(), "RealProducer - Offline Encoding");
    model.cmdStart_Click();
    EXPECT_EQ(text(view.LblStatus()), "Encoding Starting...");
    model.rpCtl_OnEncodingProgressChanged(40);
    EXPECT_EQ(view.Progress()->value(), 40);
    sink.answers = {TavNo};
    EXPECT_FALSE(view.close());  // still encoding: the answer keeps it open
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(sink.questions.size(), 1u);
    sink.answers = {TavYes};
    view.close();
    EXPECT_FALSE(view.isVisible());
}

TEST(CaptureViews, PlayerWindowFollowsTheClip)
{
    TempDir dir;
    RecordingMessageSink sink;
    writeFile(dir.file("talk.rm"), "media");
    FakePlayer player;
    PlayerWindow model(player);
    PlayerWindowView view(model, nullptr);
    ASSERT_TRUE(model.SetSource(dir.file("talk.rm")));
    EXPECT_EQ(text(view.LblStatus()), "Audio-Only Length=6000");
    EXPECT_EQ(view.CmdPlay()->text(), "Play");
    view.CmdPlay()->click();
    EXPECT_EQ(view.CmdPlay()->text(), "Pause");
    EXPECT_EQ(text(view.LblStatus()), "Playing");
}

TEST(CaptureViews, RecordingSetupWindowShowsTheEventsFileStatus)
{
    TempDir dir;
    RecordingMessageSink sink;
    RecordingSetup model;
    model.lectureDir = [&] { return dir.dir(); };
    model.lectureName = [] { return std::string("talk"); };
    RecordingSetupView view(model);
    model.Form_Load();
    EXPECT_EQ(view.windowTitle(), "Pellucor DuzoDA!");
    EXPECT_EQ(text(view.LblCount()), "Event file does not exist (normal)");
    EXPECT_EQ(view.TxtFile()->text().toStdString(), dir.file("rawmedia.txt"));
    writeFile(dir.file("rawmedia.txt"), "");
    view.TxtFile()->setText(QString::fromStdString(dir.file("rawmedia.txt")));
    emit view.TxtFile()->textEdited(view.TxtFile()->text());
    EXPECT_EQ(text(view.LblCount()), "Event file is empty (normal)");
    view.show();
    emit model.visibilityRequested(false);
    EXPECT_FALSE(view.isVisible());
}

TEST(CaptureViews, CompressionDialogDescribesTheEncoding)
{
    FfmpegEncoder encoder;
    encoder.SetDevices({{"lavfi", "sine", "tone"}}, {});
    encoder.SetInputKind(EncoderControl::InputDevices);
    encoder.SetOutputFilename("/tmp/lecture.rm");
    encoder.SetTarget(EncoderControl::Target56KModem, true);
    std::string err;
    const auto lines = CompressionLines(encoder, err);
    EXPECT_EQ(lines, (Strings {"Container: rm", "Audio: ac3 at 32 kbit/s"}));
}

// The whole recording flow in the real windows: the encoder set-up opens
// lavfi sources, the recorder window gets Page Down and, half a second
// later, Esc; the lecture's events and a playable recording are written.
TEST(QtRecordingWindows, RecordsEventsAndMediaThroughTheRealWindows)
{
    TempDir dir;
    RecordingMessageSink sink;
    QtRecordingWindows windows;
    windows.prepareEncoder = [](FfmpegEncoder& e) {
        e.SetDevices({{"lavfi", "sine=frequency=440:sample_rate=44100", "Test tone (lavfi)"}}, {});
    };
    windows.lectureDir = [&] { return dir.dir(); };
    std::string err;
    EncoderSetup* enc = windows.LoadMediaOpener(err);
    ASSERT_TRUE(enc) << err;
    ASSERT_TRUE(windows.EncoderView());
    enc->DoAudio(dir.file("rawmedia.rm"));
    enc->cmdSetup_Click();
    ASSERT_TRUE(enc->rpCtl().IsSourceOpen()) << enc->Status();

    RecordingFields fields;
    fields.txtFile = dir.file("rawmedia.txt");
    fields.chkNoMedia = false;
    fields.chkEncoder = true;
    fields.chkGIF = false;
    fields.chkNone = true;
    const auto key = [&](int k) {
        ASSERT_TRUE(windows.RecorderView());
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(windows.RecorderView(), &press);
    };
    QTimer::singleShot(0, [&] { key(Qt::Key_PageDown); });
    QTimer::singleShot(600, [&] { key(Qt::Key_Escape); });
    windows.RunRecorder(false, fields);
    EXPECT_EQ(windows.RecorderView(), nullptr);
    const auto lines = readLines(fields.txtFile);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 11), "u 00:00:00 ");
    EXPECT_EQ(fields.txtSlideNum, "2");
    EXPECT_FALSE(enc->rpCtl().IsEncoding());
    auto media = FfmpegMediaFile::Open(dir.file("rawmedia.rm"), err);
    ASSERT_TRUE(media) << err;
    EXPECT_FALSE(media->HasVideo());
    windows.UnloadEncoder();
    EXPECT_EQ(windows.EncoderView(), nullptr);

    // The player window with its picture loads and unloads cleanly.
    PlayerWindow* play = windows.LoadPlayer(err);
    ASSERT_TRUE(play) << err;
    ASSERT_TRUE(windows.PlayerView());
    windows.ShowPlayer();
    EXPECT_TRUE(windows.PlayerView()->isVisible());
    windows.UnloadPlayer();
    EXPECT_EQ(windows.PlayerView(), nullptr);
}

}  // namespace

}  // namespace pellucor
