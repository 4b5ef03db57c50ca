#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "FakeEncoder.h"
#include "TestSupport.h"
#include "capture/EncoderSetup.h"
#include "capture/FfmpegEncoder.h"
#include "capture/MediaConverter.h"
#include "capture/RecordingSetup.h"
#include "capture/widgets/DeviceDialogs.h"
#include "capture/widgets/EncoderSetupView.h"
#include "capture/widgets/MediaConverterView.h"
#include "capture/widgets/RecordingSetupView.h"

namespace pellucor {

using namespace testing_support;

namespace {

std::string text(const QLabel* l) { return l->text().toStdString(); }

TEST(CaptureViews, EncoderWindowFollowsItsModel)
{
    RecordingMessageSink sink;
    FakeEncoder encoder(nullptr);
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
    FakeEncoder encoder(nullptr);
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

}  // namespace

}  // namespace pellucor
