// The main window's slide import through the export module: its progress
// lands on the main window, and the new images are scanned afterwards.
#include <gtest/gtest.h>

#include "AppFixture.h"
#include "FakePresentationApp.h"
#include "app/MainWindow.h"
#include "app/MainWindowSlideImport.h"
#include "core/StatusColours.h"
#include "import/SlideExporter.h"

namespace pellucor {

namespace {

class MainWindowImport : public AppFixture {
protected:
    FakeAppLog log;
    SlideExporter ppt {[this] { return std::make_unique<FakePresentationApp>(&log); }};
    MainWindowSlideImport importer {mainWindow, &ppt};
};

TEST_F(MainWindowImport, SelectThenConvertFillsTheLectureAndReportsOnTheMainWindow)
{
    log.decks.push_back({"/decks/talk.pptx", FakeDeck {{"Welcome", "Why \"timing\" matters", std::nullopt}}});
    app.hooks.slideImporter = &importer;
    app.hooks.choosePresentation = [](std::string& p) {
        p = "/decks/talk.pptx";
        return true;
    };
    std::vector<std::pair<QString, uint>> statuses;
    QObject::connect(&mainWindow, &MainWindow::statusChanged,
                     [&](const QString& text, uint colour) { statuses.emplace_back(text, colour); });
    mainWindow.SetLectureDir(lec);
    mainWindow.cmdSelectPPT_Click();
    EXPECT_EQ(mainWindow.lblPPTCount, "3 Slide(s)");
    mainWindow.lstSizeIndex = 0;
    mainWindow.cmdExport_Click();

    EXPECT_EQ(mainWindow.ImageCount, 3);
    EXPECT_EQ(testing_support::readFile(lec + "img003.gif"), "slide 3 320x240");
    EXPECT_EQ(testing_support::readLines(lec + "titles.txt").at(3), "\"img002.gif\" \"Why &qt;timing&qt; matters\"");
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front().first, QString::fromStdString("Deleting graphics files from " + lec));
    EXPECT_EQ(statuses.back(), std::make_pair(QString("Slide processing complete - 3 slides"), uint(kColourGreen)));
    EXPECT_FALSE(ppt.IsOpen());
    // One open for Select, none again for Convert (same path), then closed.
    EXPECT_EQ(log.calls.front(), "start");
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "open /decks/talk.pptx"), 1);
    EXPECT_EQ(log.calls.back(), "quit");
}

}  // namespace

}  // namespace pellucor
