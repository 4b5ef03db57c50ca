// The dialog only binds: edits reach the model, Import runs the model's
// handler, the labels show what the export reported, Done closes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "FakePresentationApp.h"
#include "QtTestApp.h"
#include "TestSupport.h"
#include "import/SlideExporter.h"
#include "import/SlideImportModel.h"
#include "import/widgets/SlideImportDialog.h"

namespace pellucor {

using namespace testing_support;

namespace {

PELLUCOR_QT_TEST_APP();

TEST(SlideImportDialog, BindsToTheModel)
{
    FakeAppLog log;
    log.decks.push_back({"/p/talk.pptx", FakeDeck {{"Welcome", "Results"}}});
    SlideExporter ppt([&log] { return std::make_unique<FakePresentationApp>(&log); });
    RecordingMessageSink sink;
    TempDir out;
    SlideImportModel model(&ppt);
    SlideImportDialog dialog(&model);
    dialog.show();

    EXPECT_EQ(findWidget<QComboBox>(dialog, "lstSize")->count(), 7);
    QTest::keyClicks(findWidget<QLineEdit>(dialog, "txtFile"), "/p/talk.pptx");
    QTest::keyClicks(findWidget<QLineEdit>(dialog, "txtDir"), QString::fromStdString(out.dir()));
    findWidget<QComboBox>(dialog, "lstSize")->setCurrentIndex(0);
    EXPECT_EQ(model.txtFile, "/p/talk.pptx");
    EXPECT_EQ(model.lstSize, 0);

    QTest::mouseClick(findWidget<QPushButton>(dialog, "cmdImport"), Qt::LeftButton);
    EXPECT_EQ(readFile(out.file("img002.gif")), "slide 2 320x240");
    EXPECT_EQ(findWidget<QLabel>(dialog, "lblStatus")->text(), "All Done.");
    EXPECT_EQ(findWidget<QLabel>(dialog, "lblTitle")->text(), "Results");
    EXPECT_EQ(findWidget<QLabel>(dialog, "lblFile")->text().toStdString(), out.dir() + "img002.gif");

    QTest::mouseClick(findWidget<QPushButton>(dialog, "cmdDone"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(SlideImportDialog, OutputDirectoryComesFromTheDirectoryChooser)
{
    RecordingMessageSink sink;
    SlideImportModel model;
    model.txtDir = "/lectures/old/";
    SlideImportDialog dialog(&model);
    std::string asked, offered;
    dialog.chooseDirectory = [&](const std::string& title, std::string& dir) {
        asked = title;
        offered = dir;
        dir = "/lectures/new/";
        return true;
    };
    dialog.show();
    QTest::mouseClick(findWidget<QPushButton>(dialog, "cmdSelDir"), Qt::LeftButton);
    EXPECT_EQ(asked, "Select the slide directory");
    EXPECT_EQ(offered, "/lectures/old/");
    EXPECT_EQ(model.txtDir, "/lectures/new/");
    // Cancel keeps the old value.
    dialog.chooseDirectory = [](const std::string&, std::string& dir) {
        dir = "/elsewhere/";
        return false;
    };
    QTest::mouseClick(findWidget<QPushButton>(dialog, "cmdSelDir"), Qt::LeftButton);
    EXPECT_EQ(model.txtDir, "/lectures/new/");
}

}  // namespace

}  // namespace pellucor
