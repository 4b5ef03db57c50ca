// "Sync Slides from Recording" from both windows' Execute menus on a
// generated lecture: the sync runs while the window keeps answering and
// shows its progress with Cancel; Cancel leaves the events file as it was;
// run to its end, the old file is kept as .bak and the timing editor opens
// on the slide times found.
#include <QAction>
#include <QMenuBar>
#include <QTableWidget>

#include <filesystem>

#include "LectureWindows.h"
#include "SyncedLecture.h"
#include "UiDriver.h"
#include "app/widgets/PublishFormView.h"
#include "capture/TimingEditor.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

PELLUCOR_QT_X_TEST_APP();  // once for the program

QAction* menuAction(QWidget& window, const QString& text)
{
    for (QAction* a : window.findChildren<QAction*>())
        if (a->text() == text)
            return a;
    return nullptr;
}

class SlideSyncWindow : public LectureWindows { };

TEST_F(SlideSyncWindow, RunsOffTheWindowsThreadAndOpensTheTimingEditor)
{
    SlideSchedule schedule;
    std::string err;
    ASSERT_TRUE(makeSyncedLecture("camera", lecture, "talk1.mp4", 40, "640x360", schedule, err)) << err;
    const std::string events = lecture + "talk1.txt", older = "u 00:00:00 00:00:40 URL\\sld001.htm\r\n";
    writeFile(events, older);
    open();
    QAction* fromMain = menuAction(view(), "Sync Slides from Recording");
    QAction* fromDetail = menuAction(windows->publishFormView(), "Sync Slides from Recording");
    ASSERT_TRUE(fromMain && fromDetail);

    ASSERT_TRUE(
        cancelPast([&] { fromMain->trigger(); }, 34,
                   [&] { EXPECT_FALSE(view().menuBar()->isEnabled()) << "the window is locked while the sync runs"; }));
    EXPECT_EQ(statusText(), "Slide sync cancelled");
    EXPECT_EQ(readFile(events), older);
    EXPECT_FALSE(fs::exists(events + ".bak"));
    EXPECT_EQ(UiDriver::window(TimingEditor::kCaption), nullptr);

    const Shown shown = runJob([&] { fromDetail->trigger(); });
    EXPECT_LE(shown.worstLate, kAnswersWithinMs) << "the window stopped answering for " << shown.worstLate << " ms";
    EXPECT_TRUE(shown.cancelOffered);
    EXPECT_EQ(shown.highest, 100);
    EXPECT_EQ(statusText().rfind("Slide times found: ", 0), 0u) << statusText();
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
