#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>

#include "TestSupport.h"
#include "capture/SlideFlipRecorder.h"
#include "capture/widgets/SlideFlipRecorderView.h"
#include "core/TavString.h"

namespace pellucor {

using namespace testing_support;

namespace {

// Slides img001.gif ... in dir, count of them.
void writeSlides(TempDir& dir, int count)
{
    for (int n = 1; n <= count; ++n) {
        QImage img(32, 24, QImage::Format_RGB32);
        img.fill(Qt::blue);
        ASSERT_TRUE(img.save(QString::fromStdString(dir.file("img" + Fmt000(n) + ".gif")), "PNG"));
    }
}

TEST(SlideFlipRecorderView, KeysDriveTheRecorderAndTheSlideIsShown)
{
    TempDir dir;
    RecordingMessageSink sink;
    writeSlides(dir, 2);
    RecordingFields setup;
    setup.txtFile = dir.file("rawmedia.txt");
    SlideFlipRecorder model(setup, SlideFlipRecorder::Windowed, true);
    int64_t now = 100;
    model.clock = [&] { return now; };
    model.imageName = [](int n) { return n <= 2 ? "img00" + std::to_string(n) + ".gif" : std::string(); };
    model.lectureDir = [&] { return dir.dir(); };
    SlideFlipRecorderView view(model);
    ASSERT_TRUE(model.Form_Load());
    QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(&view, &down);
    EXPECT_TRUE(model.TimingStarted());
    EXPECT_FALSE(view.Slide()->pixmap().isNull());
    now += 4;
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&view, &esc);
    EXPECT_EQ(readLines(setup.txtFile), std::vector<std::string> {"u 00:00:00 00:00:04 URL\\sld001.htm"});
}

// What keyboards and presenter remotes send for "next" and "back".
TEST(SlideFlipRecorderView, PresenterKeysFlipForwardAndBack)
{
    TempDir dir;
    RecordingMessageSink sink;
    RecordingFields setup;
    setup.txtFile = dir.file("rawmedia.txt");
    SlideFlipRecorder model(setup, SlideFlipRecorder::Windowed, true);
    model.clock = [] { return int64_t {100}; };
    writeSlides(dir, 9);
    model.imageName = [](int n) { return "img" + Fmt000(n) + ".gif"; };
    model.lectureDir = [&] { return dir.dir(); };
    SlideFlipRecorderView view(model);
    view.show();
    ASSERT_TRUE(model.Form_Load());
    QTest::keyClick(&view, Qt::Key_PageDown);  // starts the timing on slide 1
    ASSERT_TRUE(model.TimingStarted());
    EXPECT_TRUE(view.Indicator()->isVisible()) << "the recording indicator";
    EXPECT_EQ(view.Indicator()->text().toStdString(), "\u25CF 00:00:00  Slide 001");
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
}

}  // namespace

}  // namespace pellucor
