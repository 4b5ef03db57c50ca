// The tool windows the menus open: the server window and the converter.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>

#include "../app/AppFixture.h"
#include "MediaTools.h"
#include "QtTestApp.h"
#include "UiDriver.h"
#include "gui/ToolWindows.h"

#include <QApplication>
#include <QTest>

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

PELLUCOR_QT_TEST_APP();

using ToolWindowsTest = AppFixture;

TEST_F(ToolWindowsTest, ServerWindowOpensThePreferencesAndChoosesTheLectureDirectory)
{
    app.prefs().Set("prfsrvRepository", dir.dir() + "repository");
    app.prefs().Set("prfsrvPubDir", dir.dir() + "pub");
    ToolWindows tools(app, nullptr);
    std::string offered;
    app.hooks.chooseDirectory = [&](const std::string&, std::string& chosen, bool) {
        offered = chosen;
        chosen = dir.dir() + "repository/course/talk/";
        return true;
    };
    bool preferences = false;
    QObject::connect(&app.mainWindow(), &MainWindow::preferencesRequested, [&] { preferences = true; });
    ASSERT_TRUE(app.hooks.serverWindow);
    app.hooks.serverWindow();
    QWidget* window = UiDriver::window("Pellucor Server Edition");
    ASSERT_NE(window, nullptr);

    for (const char* button : {"Preferences", "browse_txtDir"}) {
        auto* b = findWidget<QPushButton>(*window, button);
        ASSERT_NE(b, nullptr) << button;
        b->click();
    }
    EXPECT_TRUE(preferences);
    EXPECT_EQ(offered, dir.dir() + "repository/");
    bool shown = false;
    for (QLabel* label : window->findChildren<QLabel*>())
        shown = shown || label->text() == QString::fromStdString(dir.dir() + "pub/course/talk/");
    EXPECT_TRUE(shown) << "the web directory derived from the chosen lecture directory";
    window->close();
}

// "Import ClipBoard" opens the converter window on the lecture's QuickTime
// recording; the user starts it there and sees it complete.
TEST_F(ToolWindowsTest, ClipBoardImportGoesThroughTheConverterWindow)
{
    std::string err;
    ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=15:duration=1", "-f", "lavfi", "-i",
                        "sine=duration=1", "-c:v", "mpeg4", "-c:a", "aac", dir.file("rawmedia.mov")},
                       err))
        << err;
    ToolWindows tools(app, nullptr);
    ASSERT_TRUE(app.hooks.converter);  // also the "Real Convert" menu item's window
    app.publishForm().TextMedia = dir.dir();
    const char* const caption = "RealProducer - Offline Encoding";
    UiDriver driver;
    driver
        .when(
            "the converter window", [&] { return UiDriver::window(caption) != nullptr; },
            [&] {
                QWidget* w = UiDriver::window(caption);
                const auto fields = w->findChildren<QLineEdit*>();
                ASSERT_EQ(fields.size(), 2);
                EXPECT_EQ(fields[0]->text().toStdString(), dir.file("rawmedia.mov"));
                EXPECT_EQ(fields[1]->text().toStdString(), dir.file("rawmedia.rm"));
                UiDriver::button(w, "Start")->click();
            })
        .when(
            "Encoding Complete", [&] { return sink.saw("Encoding Complete"); },
            [&] { UiDriver::button(UiDriver::window(caption), "Done")->click(); });
    driver.start();
    EXPECT_TRUE(app.publishForm().importClipboard());
    EXPECT_TRUE(driver.done());
    EXPECT_FALSE(driver.failed()) << driver.failure();
    EXPECT_TRUE(Tav_ChkFile(dir.file("rawmedia.rm")));
}

// Execute > Adjust Times opens the lecture's own times, and Save writes
// them back into its events file without asking where.
TEST_F(ToolWindowsTest, AdjustTimesOpensTheLecturesTimesAndSaveWritesThemBack)
{
    copySample();
    publishForm.TextMedia = lec;
    publishForm.TextName = "talk";
    ToolWindows tools(app, nullptr);
    mainWindow.openTimingEditor();
    QWidget* w = UiDriver::window("Pellucor - RuziZE!");
    ASSERT_NE(w, nullptr);
    auto* grid = w->findChildren<QTableWidget*>().value(0);
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(2, 0)->text(), "sld003.htm");
    EXPECT_EQ(grid->item(2, 1)->text(), "00:00:04");

    grid->setCurrentCell(2, 1);
    auto* timein = findWidget<QLineEdit>(*w, "Timein");
    ASSERT_NE(timein, nullptr);
    timein->setText("00:00:05");
    emit timein->textEdited("00:00:05");
    // A file dialog would be a modal window of its own: one run by exec()
    // is closed from within it, one only shown is found after the click.
    bool asked = false;
    const auto closeModal = [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            asked = true;
            modal->close();
        }
    };
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, closeModal);
    closer.start(300);
    UiDriver::button(w, "Save")->click();
    closer.stop();
    closeModal();
    EXPECT_FALSE(asked) << "Save asked where to save";
    EXPECT_EQ(readFile(lec + "talk1.txt"), "u 00:00:00 00:00:02 URL\\sld001.htm\r\n"
                                           "u 00:00:02 00:00:05 URL\\sld002.htm\r\n"
                                           "u 00:00:05 00:00:06 URL\\sld003.htm\r\n");
    w->close();
}

}  // namespace
