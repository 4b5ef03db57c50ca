// The real windows on a real display (run under Xvfb): publishing a
// lecture with a 60-second part from the main window's "Publish To Disk".
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "QtTestApp.h"
#include "TestSupport.h"
#include "TickWatch.h"
#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "app/widgets/MainWindowView.h"
#include "gui/GuiWindows.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

PELLUCOR_QT_TEST_APP();

class PublishWindow : public ::testing::Test {
protected:
    TempDir root;
    RecordingMessageSink sink;
    std::string lecture = root.dir() + "talk/";
    std::string out = root.dir() + "disk/";
    std::unique_ptr<GuiWindows> windows;
    QPushButton* cmdPub = nullptr;
    QPushButton* cmdCancel = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* status = nullptr;

    // The picture size of the 60-second part.
    virtual const char* size() const { return "160x120"; }

    void SetUp() override
    {
        const std::string cmd
            = "sh '" + sourceDir() + "samples/make-long-lecture.sh' '" + lecture + "' 60 " + size() + " >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        windows = std::make_unique<GuiWindows>(QString::fromStdString(root.file("prefs.ini")));
        AppContext& context = windows->context();
        context.prefs().Form_Load();
        context.prefs().Set("prfStyle", PELLUCOR_STYLE_DIR);
        context.prefs().Set("prfLectureDir", lecture);
        // The directory chooser answers with the output directory.
        context.hooks.chooseDirectory = [this](const std::string&, std::string& dir, bool) {
            dir = out;
            return true;
        };
        windows->ShowFirst(windows->Load());
        context.mainWindow().SetLectureDir(lecture);
        MainWindowView& view = windows->mainWindowView();
        cmdPub = findWidget<QPushButton>(view, "cmdPub");
        cmdCancel = findWidget<QPushButton>(view, "cmdCancel");
        progress = findWidget<QProgressBar>(view, "publishProgress");
        status = findWidget<QLabel>(view, "lblStatus");
        ASSERT_TRUE(cmdPub && cmdCancel && progress && status);
        ASSERT_TRUE(cmdPub->isEnabled()) << status->text().toStdString();
    }

    MainWindow& model() { return windows->context().mainWindow(); }

    // Runs the event loop until the publish and the main window's watcher
    // are over; every tick of a 50 ms timer measures how late it came.
    qint64 runUntilDone(const std::function<void()>& onTick)
    {
        QEventLoop loop;
        TickWatch watch(50, [&](qint64 now) {
            onTick();
            if (now > 500 && !model().busy && !model().timDisk.isActive())
                loop.quit();
        });
        QTimer::singleShot(0, cmdPub, &QPushButton::click);
        QTimer::singleShot(90000, &loop, &QEventLoop::quit);
        loop.exec();
        return watch.WorstLate();
    }
};

TEST_F(PublishWindow, PublishToDiskKeepsTheWindowAnsweringAndFillsTheBar)
{
    int highest = 0;
    bool lockedWhileRunning = false, cancelOffered = false;
    const qint64 worstLate = runUntilDone([&] {
        highest = std::max(highest, progress->value());
        if (model().busy && progress->isVisible()) {
            lockedWhileRunning = lockedWhileRunning || !cmdPub->isEnabled();
            cancelOffered = cancelOffered || cmdCancel->isVisible();
        }
    });
    EXPECT_LE(worstLate, 250) << "the window stopped answering for " << worstLate << " ms";
    EXPECT_EQ(highest, 100);
    EXPECT_TRUE(lockedWhileRunning);
    EXPECT_TRUE(cancelOffered);
    EXPECT_EQ(status->text().toStdString(), "Process:All Done");
    EXPECT_TRUE(model().Enabled["cmdTestDisk"]);
    EXPECT_TRUE(cmdPub->isEnabled());
    EXPECT_TRUE(fs::exists(out + "index.htm"));
    EXPECT_TRUE(fs::exists(out + "talk1.mp4"));
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
}

// A bigger picture: media preparation takes long enough to be cancelled.
class CancelledPublish : public PublishWindow {
protected:
    const char* size() const override { return "640x480"; }
};

TEST_F(CancelledPublish, CancelDuringMediaPreparationLeavesNoPartialMediaAndSaysSo)
{
    bool clicked = false;
    runUntilDone([&] {
        if (!clicked && progress->value() > 20 && cmdCancel->isVisible()) {
            clicked = true;
            // Closing the window first asks; declined, the publish goes on.
            sink.answers = {TavCancel};
            EXPECT_FALSE(windows->mainWindowView().close());
            EXPECT_TRUE(model().busy);
            cmdCancel->click();
        }
    });
    ASSERT_TRUE(clicked);
    ASSERT_FALSE(sink.questions.empty());
    EXPECT_EQ(sink.questions.back(), "A publish is running: cancel it and quit?");
    EXPECT_EQ(status->text().toStdString(),
              "Publish cancelled during media preparation of talk1: its unfinished media was removed");
    EXPECT_FALSE(model().Enabled["cmdTestDisk"]);
    EXPECT_FALSE(cmdCancel->isVisible());
    EXPECT_TRUE(cmdPub->isEnabled());
    EXPECT_FALSE(fs::exists(out));  // nothing published, nothing left beside it
    EXPECT_TRUE(leftBeside(out).empty());
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
}

}  // namespace

}  // namespace pellucor
