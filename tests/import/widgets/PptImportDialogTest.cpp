// The dialog only binds: edits reach the model, Import runs the model's
// handler, the labels show what the export reported, Done closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "FakePresentationApp.h"
#include "TestSupport.h"
#include "import/PptImportModel.h"
#include "import/TavPowerPoint.h"
#include "import/widgets/PptImportDialog.h"

using namespace testing_support;

namespace {

struct Application {
    int argc = 1;
    char name[24] = "import_widgets_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    Application()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
};

template <class W>
W* child(QWidget& w, const char* name)
{
    W* found = w.findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(PptImportDialog, BindsToTheModel)
{
    Application app;
    FakeAppLog log;
    log.decks.push_back({"/p/talk.pptx", FakeDeck{{"Welcome", "Results"}}});
    TavPowerPoint ppt([&log] { return std::make_unique<FakePresentationApp>(&log); });
    RecordingMessageSink sink;
    TempDir out;
    PptImportModel model(&ppt);
    PptImportDialog dialog(&model);
    dialog.show();

    EXPECT_EQ(child<QComboBox>(dialog, "lstSize")->count(), 5);
    QTest::keyClicks(child<QLineEdit>(dialog, "txtFile"), "/p/talk.pptx");
    QTest::keyClicks(child<QLineEdit>(dialog, "txtDir"), QString::fromStdString(out.dir()));
    child<QComboBox>(dialog, "lstSize")->setCurrentIndex(0);
    EXPECT_EQ(model.txtFile, "/p/talk.pptx");
    EXPECT_EQ(model.lstSize, 0);

    QTest::mouseClick(child<QPushButton>(dialog, "cmdImport"), Qt::LeftButton);
    EXPECT_EQ(readFile(out.file("img002.gif")), "slide 2 320x240");
    EXPECT_EQ(child<QLabel>(dialog, "lblStatus")->text(), "All Done.");
    EXPECT_EQ(child<QLabel>(dialog, "lblTitle")->text(), "Results");
    EXPECT_EQ(child<QLabel>(dialog, "lblFile")->text().toStdString(), out.dir() + "img002.gif");

    QTest::mouseClick(child<QPushButton>(dialog, "cmdDone"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
