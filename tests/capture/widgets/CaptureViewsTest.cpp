// The capture windows' views bound to their models: the converter, the
// recorder and the dialogs' texts.
// Their captions are checked where the program opens them (gui).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "FakeEncoder.h"
#include "QtTestApp.h"
#include "TestSupport.h"
#include "capture/FfmpegEncoder.h"
#include "capture/MediaConverter.h"
#include "capture/PlayerWindow.h"
#include "capture/SlideFlipRecorder.h"
#include "capture/widgets/DeviceDialogs.h"
#include "capture/widgets/MediaConverterView.h"
#include "capture/widgets/QtFileChooser.h"
#include "capture/widgets/SlideFlipRecorderView.h"
#include "core/TavString.h"
#include "media/MediaFilters.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

PELLUCOR_QT_TEST_APP();

TEST(CaptureViews, ConverterWindowShowsProgressAndAsksBeforeClosingWhileEncoding)
{
    RecordingMessageSink sink;
    FakeEncoder encoder;
    MediaConverter model(encoder);
    MediaConverterView view(model);
    view.show();
    model.start();
    EXPECT_EQ(view.LblStatus()->text(), "Encoding Starting...");
    model.encodingProgressed(40);
    EXPECT_EQ(view.Progress()->value(), 40);
    sink.answers = {TavNo};
    EXPECT_FALSE(view.close());  // still encoding: the answer keeps it open
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(sink.questions.size(), 1u);
    sink.answers = {TavYes};
    view.close();
    EXPECT_FALSE(view.isVisible());
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
    ASSERT_TRUE(model.load());
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

TEST(CaptureDialogs, TheCompressionIsDescribedAndFiltersBecomeQtFilters)
{
    FfmpegEncoder encoder;
    encoder.SetDevices({{"lavfi", "sine", "tone"}}, {});
    encoder.SetInputKind(EncoderControl::InputDevices);
    encoder.SetOutputFilename("/tmp/lecture.rm");
    encoder.SetTarget(EncoderControl::Target56KModem, true);
    std::string err;
    EXPECT_EQ(CompressionLines(encoder, err), (Strings {"Container: rm", "Audio: ac3 at 32 kbit/s"}));

    EXPECT_EQ(QtFileChooser::QtFilter("Text (*.txt)|*.txt|All Files (*.*)|*.*"), "Text (*.txt);;All Files (*.*)");
    EXPECT_EQ(QtFileChooser::QtFilter("RealMedia Files (*.rm)|*.rm|All Files|*.*"),
              "RealMedia Files (*.rm);;All Files (*.*)");
    // The player offers recordings of today first, RealMedia after.
    const QString media = QtFileChooser::QtFilter(WithMediaFilter(PlayerWindow::kFilter));
    EXPECT_TRUE(media.startsWith("Media Files (*.rm *.ra *.mp4 ")) << media.toStdString();
    EXPECT_TRUE(media.contains(" *.m4a ") && media.contains(" *.flac)")) << media.toStdString();
    EXPECT_TRUE(media.endsWith(");;RealMedia Files (*.rm);;All Files (*.*)")) << media.toStdString();
}

}  // namespace
