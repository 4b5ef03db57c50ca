#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "FakeEncoder.h"
#include "TestSupport.h"
#include "capture/FfmpegEncoder.h"
#include "capture/MediaConverter.h"
#include "capture/SlideFlipRecorder.h"
#include "capture/widgets/DeviceDialogs.h"
#include "capture/widgets/MediaConverterView.h"
#include "capture/widgets/SlideFlipRecorderView.h"
#include "core/TavString.h"

namespace pellucor {

using namespace testing_support;

namespace {

std::string text(const QLabel* l) { return l->text().toStdString(); }

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

// The recorder window over nine slides: the keys of keyboards and
// presenter remotes flip forward and back, the slide and the recording
// indicator are shown, and Esc writes the events.
TEST(SlideFlipRecorderView, KeysDriveTheRecorderAndTheSlideIsShown)
{
    TempDir dir;
    RecordingMessageSink sink;
    QImage img(32, 24, QImage::Format_RGB32);
    img.fill(Qt::blue);
    for (int n = 1; n <= 9; ++n)
        ASSERT_TRUE(img.save(QString::fromStdString(dir.file("img" + Fmt000(n) + ".gif")), "PNG"));
    RecordingFields setup;
    setup.txtFile = dir.file("rawmedia.txt");
    SlideFlipRecorder model(setup, SlideFlipRecorder::Windowed, true);
    int64_t now = 100;
    model.clock = [&] { return now; };
    model.imageName = [](int n) { return "img" + Fmt000(n) + ".gif"; };
    model.lectureDir = [&] { return dir.dir(); };
    SlideFlipRecorderView view(model);
    view.show();
    ASSERT_TRUE(model.Form_Load());
    QTest::keyClick(&view, Qt::Key_PageDown);  // starts the timing on slide 1
    ASSERT_TRUE(model.TimingStarted());
    EXPECT_FALSE(view.Slide()->pixmap().isNull());
    EXPECT_TRUE(view.Indicator()->isVisible()) << "the recording indicator";
    EXPECT_EQ(view.Indicator()->text().toStdString(), "\u25CF 00:00:00  Slide 001");
    now += 4;
    int slide = 1;
    for (Qt::Key k : {Qt::Key_PageDown, Qt::Key_Right, Qt::Key_Down, Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&view, k);
        EXPECT_EQ(model.SlideNum(), ++slide) << k;
    }
    for (Qt::Key k : {Qt::Key_PageUp, Qt::Key_Left, Qt::Key_Up, Qt::Key_Backspace}) {
        QTest::keyClick(&view, k);
        EXPECT_EQ(model.SlideNum(), slide - 1) << k;
        QTest::keyClick(&view, Qt::Key_Right);
    }
    QTest::keyClick(&view, Qt::Key_Escape);
    const Strings events = readLines(setup.txtFile);
    ASSERT_EQ(events.size(), 15u);
    EXPECT_EQ(events.front(), "u 00:00:00 00:00:04 URL\\sld001.htm");
    EXPECT_TRUE(model.Stopped());
}

}  // namespace

}  // namespace pellucor
