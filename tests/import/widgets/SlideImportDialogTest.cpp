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
    std::string asked, offered;
    bool chosen = true;
    dialog.chooseDirectory = [&](const std::string& title, std::string& dir) {
        asked = title;
        offered = dir;
        dir = chosen ? out.dir() : "/elsewhere/";
        return chosen;
    };
    dialog.show();
    const auto click
        = [&](const char* name) { QTest::mouseClick(findWidget<QPushButton>(dialog, name), Qt::LeftButton); };

    EXPECT_EQ(findWidget<QComboBox>(dialog, "lstSize")->count(), 7);
    QTest::keyClicks(findWidget<QLineEdit>(dialog, "txtFile"), "/p/talk.pptx");
    QTest::keyClicks(findWidget<QLineEdit>(dialog, "txtDir"), "/lectures/old/");
    findWidget<QComboBox>(dialog, "lstSize")->setCurrentIndex(0);
    EXPECT_EQ(model.txtFile, "/p/talk.pptx");
    EXPECT_EQ(model.lstSize, 0);
    click("cmdSelDir");  // the directory chooser offers the typed directory
    EXPECT_EQ(asked, "Select the slide directory");
    EXPECT_EQ(offered, "/lectures/old/");
    EXPECT_EQ(model.txtDir.toStdString(), out.dir());
    chosen = false;  // cancelled: the old value stays
    click("cmdSelDir");
    EXPECT_EQ(model.txtDir.toStdString(), out.dir());

    click("cmdImport");
    EXPECT_EQ(readFile(out.file("img002.gif")), "slide 2 320x240");
    EXPECT_EQ(findWidget<QLabel>(dialog, "lblStatus")->text(), "All Done.");
    EXPECT_EQ(findWidget<QLabel>(dialog, "lblTitle")->text(), "Results");
    EXPECT_EQ(findWidget<QLabel>(dialog, "lblFile")->text().toStdString(), out.dir() + "img002.gif");
    click("cmdDone");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace

}  // namespace pellucor
