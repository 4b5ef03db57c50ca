// The real windows on a real display (run under Xvfb): "Sync Slides from
// Recording" from the Execute menus on a generated lecture. The sync runs
// while the window keeps answering and shows its progress with Cancel;
// Cancel leaves the events file as it was; run to its end, the old file is
// kept as .bak and the timing editor opens on the slide times found.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <filesystem>

#include "QtTestApp.h"
#include "SyncedLecture.h"
#include "TestSupport.h"
#include "TickWatch.h"
#include "UiDriver.h"
#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "app/widgets/MainWindowView.h"
#include "app/widgets/PublishFormView.h"
#include "capture/TimingEditor.h"
#include "gui/GuiWindows.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

PELLUCOR_QT_X_TEST_APP();

QAction* menuAction(QWidget& window, const QString& text)
{
    for (QAction* a : window.findChildren<QAction*>())
        if (a->text() == text)
            return a;
    return nullptr;
}

TEST(SlideSyncWindow, RunsOffTheWindowsThreadAndOpensTheTimingEditor)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    TempDir root;
    RecordingMessageSink sink;  // answers OK to replacing the old events file
    const std::string lecture = root.dir() + "talk/";
    SlideSchedule schedule;
    std::string err;
    ASSERT_TRUE(makeSyncedLecture("camera", lecture, "talk1.mp4", 40, "640x360", schedule, err)) << err;
    const std::string events = lecture + "talk1.txt";
    const std::string older = "u 00:00:00 00:00:40 URL\\sld001.htm\r\n";
    writeFile(events, older);

    GuiWindows windows(QString::fromStdString(root.file("prefs.ini")));
    AppContext& context = windows.context();
    context.prefs().Form_Load();
    context.prefs().Set("prfLectureDir", lecture);
    windows.ShowFirst(windows.Load());
    context.mainWindow().SetLectureDir(lecture);
    MainWindowView& view = windows.mainWindowView();
    auto* progress = findWidget<QProgressBar>(view, "publishProgress");
    auto* cancel = findWidget<QPushButton>(view, "cmdCancel");
    auto* status = findWidget<QLabel>(view, "lblStatus");
    QAction* fromMain = menuAction(view, "Sync Slides from Recording");
    QAction* fromDetail = menuAction(windows.publishFormView(), "Sync Slides from Recording");
    ASSERT_TRUE(progress && cancel && status && fromMain && fromDetail);

    // Runs one sync from a menu item until it is over.
    const auto runSync = [&](QAction* item, const std::function<void()>& onTick) {
        QEventLoop loop;
        bool started = false;
        TickWatch watch(50, [&](qint64 now) {
            started = started || context.mainWindow().busy;
            onTick();
            if ((started && !context.mainWindow().busy) || now > 120000)
                loop.quit();
        });
        QTimer::singleShot(0, item, &QAction::trigger);
        loop.exec();
        return watch.WorstLate();
    };

    bool cancelled = false;
    runSync(fromMain, [&] {
        if (!cancelled && progress->value() >= 35 && cancel->isVisible()) {
            EXPECT_FALSE(view.menuBar()->isEnabled()) << "the window is locked while the sync runs";
            cancelled = true;
            cancel->click();
        }
    });
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(status->text().toStdString(), "Slide sync cancelled");
    EXPECT_EQ(readFile(events), older);
    EXPECT_FALSE(fs::exists(events + ".bak"));
    EXPECT_EQ(UiDriver::window(TimingEditor::kCaption), nullptr);

    int highest = 0;
    bool shownWhileRunning = false;
    const qint64 worstLate = runSync(fromDetail, [&] {
        highest = std::max(highest, progress->value());
        shownWhileRunning = shownWhileRunning || (progress->isVisible() && cancel->isVisible());
    });
    EXPECT_LE(worstLate, 250) << "the window stopped answering for " << worstLate << " ms";
    EXPECT_TRUE(shownWhileRunning);
    EXPECT_EQ(highest, 100);
    EXPECT_EQ(status->text().toStdString().rfind("Slide times found: ", 0), 0u) << status->text().toStdString();
    EXPECT_EQ(readFile(events + ".bak"), older);
    EXPECT_EQ(scheduleMismatch(schedule, events), "") << readFile(events);

    // The timing editor shows the slide times written.
    QWidget* editor = UiDriver::window(TimingEditor::kCaption);
    ASSERT_NE(editor, nullptr);
    auto* grid = editor->findChild<QTableWidget*>();
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rowCount(), static_cast<int>(schedule.size()));
    EXPECT_EQ(grid->item(1, 0)->text().toStdString(),
              "sld" + std::string(schedule[1].second < 10 ? "00" : "0") + std::to_string(schedule[1].second) + ".htm");
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
    ASSERT_EQ(sink.questions.size(), 2u);  // replacing the old file, once per run
}

}  // namespace

}  // namespace pellucor
