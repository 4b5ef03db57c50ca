// The tool windows the menus open: the server window and the converter.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "../app/AppFixture.h"
#include "MediaTools.h"
#include "QtTestApp.h"
#include "UiDriver.h"
#include "gui/ToolWindows.h"

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
    EXPECT_TRUE(app.publishForm().mnuImportClipBoard_Click());
    EXPECT_TRUE(driver.done());
    EXPECT_FALSE(driver.failed()) << driver.failure();
    EXPECT_TRUE(Tav_ChkFile(dir.file("rawmedia.rm")));
}

}  // namespace
