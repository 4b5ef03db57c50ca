#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>

#include "TestSupport.h"
#include "capture/SlideFlipRecorder.h"
#include "capture/widgets/SlideFlipRecorderView.h"

namespace pellucor {

using namespace testing_support;

namespace {

TEST(SlideFlipRecorderView, KeysDriveTheRecorderAndTheSlideIsShown)
{
    TempDir dir;
    RecordingMessageSink sink;
    for (const char* n : {"img001.gif", "img002.gif"}) {
        QImage img(32, 24, QImage::Format_RGB32);
        img.fill(Qt::blue);
        ASSERT_TRUE(img.save(QString::fromStdString(dir.file(n)), "PNG"));
    }
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
    EXPECT_EQ(readLines(setup.txtFile), std::vector<std::string>{"u 00:00:00 00:00:04 URL\\sld001.htm"});
}

}  // namespace

}  // namespace pellucor
