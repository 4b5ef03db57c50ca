#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include "TestSupport.h"
#include "capture/PlayerWindow.h"
#include "capture/widgets/QtMediaPlayer.h"

namespace pellucor {

using namespace testing_support;

namespace {

// Plays a generated sound clip where the platform has a media backend; a
// machine without one skips (the player window's logic is covered with a
// fake control).
TEST(QtMediaPlayer, OpensAGeneratedClipPausedAndReportsItsLength)
{
    TempDir dir;
    RecordingMessageSink sink;
    const std::string wav = dir.file("tone.wav");
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                                           "sine=frequency=440:duration=2", QString::fromStdString(wav)}),
              0);
    QtMediaPlayer ctl;
    PlayerWindow play(ctl);
    bool opened = false;
    const auto previous = ctl.OnClipOpened;
    ctl.OnClipOpened = [&] {
        opened = true;
        previous();
    };
    ASSERT_TRUE(play.SetSource(wav));
    QElapsedTimer t;
    t.start();
    while (!opened && ctl.Player().error() == QMediaPlayer::NoError && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!opened)
        GTEST_SKIP() << "no playable media backend here: " << ctl.ErrorText();
    EXPECT_EQ(ctl.Source(), "file:\\\\\\" + wav);
    EXPECT_EQ(ctl.ClipWidth(), 0);
    EXPECT_EQ(play.Status().rfind("Audio-Only Length=", 0), 0u) << play.Status();
    EXPECT_NEAR(static_cast<double>(ctl.Length()), 2000.0, 300.0);
}

}  // namespace

}  // namespace pellucor
