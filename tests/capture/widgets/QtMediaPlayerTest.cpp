#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

#include "TestSupport.h"
#include "capture/PlayerWindow.h"
#include "capture/widgets/QtMediaPlayer.h"

namespace pellucor {

using namespace testing_support;

namespace {

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// A RealMedia clip (as the publisher's media preparation accepts it) opens
// paused, reports its true length and plays to "Play Complete", with the
// program's working directory elsewhere than the root. A machine that
// cannot play it fails here.
TEST(QtMediaPlayer, PlaysARealMediaClipFromAnyWorkingDirectory)
{
    TempDir dir, elsewhere;
    RecordingMessageSink sink;
    const std::string clip = dir.file("clip.rm");
    ASSERT_EQ(QProcess::execute("ffmpeg",
                                {"-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                                 "sine=frequency=440:duration=2", "-f", "lavfi", "-i",
                                 "testsrc=size=160x120:rate=15:duration=2", "-c:v", "rv20", "-c:a", "ac3",
                                 QString::fromStdString(clip)}),
              0);
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(elsewhere.dir())));
    {
        QtMediaPlayer ctl;
        PlayerWindow play(ctl);
        ASSERT_TRUE(play.SetSource(clip));
        EXPECT_EQ(ctl.Source(), "file:\\\\\\" + clip);
        EXPECT_TRUE(waitFor([&] { return play.PlayEnabled(); }, 10000)) << ctl.ErrorText();
        EXPECT_NEAR(static_cast<double>(ctl.Length()), 2000.0, 300.0) << play.Status();
        EXPECT_EQ(play.Status().rfind("Size=160X120 Length=", 0), 0u) << play.Status();
        play.cmdPlay_Click();
        EXPECT_EQ(play.PlayCaption(), "Pause");
        EXPECT_TRUE(waitFor([&] { return play.Status() == "Play Complete"; }, 10000))
            << play.Status() << " " << ctl.ErrorText();
    }
    QDir::setCurrent(cwd);
}

}  // namespace

}  // namespace pellucor
