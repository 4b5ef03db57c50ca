// The main window's slide import with the real LibreOffice: the window
// keeps answering while LibreOffice converts the presentation, and Cancel
// ends LibreOffice at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include "AppFixture.h"
#include "ProcessTable.h"
#include "QtCoreTestApp.h"
#include "TickWatch.h"
#include "app/MainWindow.h"
#include "app/MainWindowSlideImport.h"
#include "import/SlideExporter.h"

namespace pellucor {

namespace {

PELLUCOR_QT_CORE_TEST_APP();

// Processes whose parent is this test (LibreOffice's launcher would be one).
int childProcesses()
{
    const auto all = testing_support::processes();
    return static_cast<int>(std::count_if(all.begin(), all.end(), [](const auto& p) { return p.ppid == getpid(); }));
}

class SlideImportOffThread : public AppFixture {
protected:
    SlideExporter ppt;
    MainWindowSlideImport importer {mainWindow, &ppt};
};

TEST_F(SlideImportOffThread, CancelEndsLibreOfficeAndTheWindowKeepsAnswering)
{
    app.hooks.slideImporter = &importer;
    app.hooks.choosePresentation = [](std::string& p) {
        p = std::string(PELLUCOR_IMPORT_DECKS) + "deck.pptx";
        return true;
    };
    mainWindow.SetLectureDir(lec);
    qint64 cancelledAt = -1, sofficeSince = -1;
    bool sawBusy = false, sawUnknownAmount = false;
    testing_support::TickWatch watch(50, [&](qint64 now) {
        sawBusy = sawBusy || mainWindow.busy;
        // LibreOffice's conversion has no known length: no percent yet.
        sawUnknownAmount = sawUnknownAmount || (mainWindow.busy && mainWindow.progressPercent < 0);
        // Cancelled once LibreOffice has run for a moment, well inside its conversion.
        if (sofficeSince < 0 && childProcesses() > 0)
            sofficeSince = now;
        if (cancelledAt < 0 && sofficeSince >= 0 && now - sofficeSince >= 200 && importer.Busy()) {
            cancelledAt = now;
            mainWindow.cmdCancel_Click();
        }
    });
    mainWindow.cmdSelectPPT_Click();  // opens the presentation: LibreOffice runs
    const qint64 took = watch.Elapsed(), worstLate = watch.WorstLate();
    watch.Stop();
    ASSERT_GE(cancelledAt, 0) << "LibreOffice was done before the cancel";
    EXPECT_TRUE(sawBusy);
    EXPECT_TRUE(sawUnknownAmount);
    EXPECT_FALSE(mainWindow.busy);
    EXPECT_EQ(mainWindow.PPTSlideCount, -1);
    EXPECT_LT(took - cancelledAt, 2000) << "LibreOffice went on after the cancel";
    EXPECT_LE(worstLate, 250) << "the window stopped answering for " << worstLate << " ms";
    EXPECT_EQ(childProcesses(), 0) << "LibreOffice is still running";
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();  // a cancel is no error
    importer.Close();
}

}  // namespace

}  // namespace pellucor
