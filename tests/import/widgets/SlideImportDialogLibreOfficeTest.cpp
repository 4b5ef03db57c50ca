// The slide import dialog as a real window on an X display (under
// xvfb-run), driven by its buttons, with the real LibreOffice.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <set>
#include <unistd.h>

#include "ProcessTable.h"
#include "QtTestApp.h"
#include "TestSupport.h"
#include "TickWatch.h"
#include "import/SlideExportWorker.h"
#include "import/SlideExporter.h"
#include "import/SlideImportModel.h"
#include "import/widgets/SlideImportDialog.h"

namespace {
using namespace pellucor;
namespace fs = std::filesystem;
using namespace pellucor::testing_support;

PELLUCOR_QT_X_TEST_APP();

// The process groups of this test's children (LibreOffice runs in a group
// of its own, which holds every process it starts); and the live processes
// of groups, as "name (state)": a killed process whose parent went with it
// stays a zombie until the system reaps it, but has ended.
std::set<long> childGroups()
{
    std::set<long> groups;
    for (const ProcessStat& p : processes())
        if (p.ppid == getpid() && p.group != getpgrp())
            groups.insert(p.group);
    return groups;
}
std::string processesIn(const std::set<long>& groups)
{
    std::string found;
    for (const ProcessStat& p : processes())
        if (groups.count(p.group) && p.state != 'Z')
            found += p.name + " (" + p.state + ") ";
    return found;
}

class ImportDialogWithLibreOffice : public ::testing::Test {
protected:
    TempDir out;
    RecordingMessageSink sink;
    SlideExporter ppt;
    SlideImportModel model {&ppt};
    SlideImportDialog dialog {&model};

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run";
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(findWidget<QLineEdit>(dialog, "txtFile"),
                         QString::fromStdString(std::string(PELLUCOR_IMPORT_DECKS) + "deck.pptx"));
        QLineEdit* dir = findWidget<QLineEdit>(dialog, "txtDir");
        dir->clear();
        QTest::keyClicks(dir, QString::fromStdString(out.dir()));
    }
    QProgressBar* bar() { return findWidget<QProgressBar>(dialog, "progress"); }
    QPushButton* button(const char* name) { return findWidget<QPushButton>(dialog, name); }
    QString status() { return findWidget<QLabel>(dialog, "lblStatus")->text(); }
};

TEST_F(ImportDialogWithLibreOffice, CancelEndsLibreOfficeAndTheNextImportRunsWhileTheWindowKeepsAnswering)
{
    std::set<long> groups;
    qint64 runningSince = -1, cancelledAt = -1;
    TickWatch watch(50, [&](qint64 now) {
        const std::set<long> running = childGroups();
        groups.insert(running.begin(), running.end());
        if (runningSince < 0 && !running.empty())
            runningSince = now;
        // Once LibreOffice has been at work for a moment.
        if (cancelledAt < 0 && runningSince >= 0 && now - runningSince >= 300 && model.busy) {
            cancelledAt = now;
            QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
        }
    });
    QTest::mouseClick(button("cmdImport"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.busy; }, 300000));
    const qint64 ended = watch.Elapsed();
    watch.Stop();

    ASSERT_GE(cancelledAt, 0) << "LibreOffice was done before the cancel";
    EXPECT_LT(ended - cancelledAt, 3000) << "the import went on after the cancel";
    EXPECT_LE(watch.WorstLate(), 1500) << "the window stopped answering for " << watch.WorstLate() << " ms";
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(processesIn(groups), "") << "LibreOffice is still running";
    EXPECT_EQ(status(), SlideExportWorker::kCancelledText);
    EXPECT_FALSE(fs::exists(out.file("img001.gif")));
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();  // a cancel is no error
    EXPECT_TRUE(button("cmdImport")->isEnabled());

    // The dialog works again after a cancel, here at the smallest size in a
    // directory chosen with its button; the window keeps answering and only
    // Cancel can be pressed while LibreOffice works.
    fs::create_directories(out.file("slides"));
    std::string offered;
    bool chosen = true;
    dialog.chooseDirectory = [&](const std::string& title, std::string& dir) {
        EXPECT_EQ(title, "Select the slide directory");
        offered = dir;
        dir = chosen ? out.dir() + "slides/" : "/elsewhere/";
        return chosen;
    };
    QTest::mouseClick(button("cmdSelDir"), Qt::LeftButton);
    EXPECT_EQ(offered, out.dir());  // the typed directory
    chosen = false;                 // cancelled: the choice stays
    QTest::mouseClick(button("cmdSelDir"), Qt::LeftButton);
    EXPECT_EQ(model.txtDir.toStdString(), out.dir() + "slides/");
    ASSERT_EQ(findWidget<QComboBox>(dialog, "lstSize")->count(), 7);
    findWidget<QComboBox>(dialog, "lstSize")->setCurrentIndex(0);
    bool sawBusyBar = false, lockedWhileBusy = true;
    TickWatch again(50, [&](qint64) {
        if (!model.busy)
            return;
        sawBusyBar = sawBusyBar || bar()->maximum() == 0;  // the conversion's length is not known
        lockedWhileBusy = lockedWhileBusy && !button("cmdImport")->isEnabled() && !button("cmdDone")->isEnabled()
            && button("cmdCancel")->isEnabled();
    });
    QTest::mouseClick(button("cmdImport"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.busy; }, 300000));
    again.Stop();
    // A loaded machine delays a timer now and then; a conversion run on the
    // window's thread would stop it for the whole conversion (seconds).
    EXPECT_LE(again.WorstLate(), 1500) << "the window stopped answering for " << again.WorstLate() << " ms";
    EXPECT_TRUE(sawBusyBar);
    EXPECT_TRUE(lockedWhileBusy);
    EXPECT_EQ(status(), "All Done.");
    EXPECT_EQ(std::pair(bar()->maximum(), bar()->value()), std::pair(100, 100));
    // At the size chosen; the files' contents: LibreOfficeImportTest.
    EXPECT_EQ(QImage(QString::fromStdString(out.file("slides/img003.gif"))).size(), QSize(320, 240));
    EXPECT_EQ(findWidget<QLabel>(dialog, "lblTitle")->text(), "Slide 3");
    EXPECT_EQ(findWidget<QLabel>(dialog, "lblFile")->text().toStdString(), out.file("slides/") + "img003.gif");
    EXPECT_FALSE(findWidget<QLabel>(dialog, "imgPreview")->pixmap().isNull());
    EXPECT_TRUE(button("cmdImport")->isEnabled());
    EXPECT_FALSE(button("cmdCancel")->isEnabled());
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
    EXPECT_TRUE(childGroups().empty());
    QTest::mouseClick(button("cmdDone"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
