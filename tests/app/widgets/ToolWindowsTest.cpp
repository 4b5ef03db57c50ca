#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "QtTestApp.h"
#include "TestSupport.h"
#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "app/widgets/ToolWindows.h"

namespace pellucor {

using namespace testing_support;

namespace {

PELLUCOR_QT_TEST_APP();

bool windowShown(const QString& title)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title)
            return true;
    return false;
}

TEST(ToolWindows, MenusOpenTheEncoderSetUpAndThePlayer)
{
    TempDir dir;
    RecordingMessageSink sink;
    AppContext context(QString::fromStdString(dir.file("prefs.ini")));
    ToolWindows tools(context, nullptr);
    ASSERT_TRUE(context.hooks.recordingSetup);
    ASSERT_TRUE(context.hooks.encoderSetup);
    ASSERT_TRUE(context.hooks.player);
    context.hooks.encoderSetup();
    EXPECT_TRUE(windowShown("RealProducer - Live Media Capture"));
    context.hooks.player();
    EXPECT_TRUE(windowShown("RealPlay"));
}

TEST(ToolWindows, ServerWindowOpensThePreferencesAndChoosesTheLectureDirectory)
{
    TempDir dir;
    RecordingMessageSink sink;
    AppContext context(QString::fromStdString(dir.file("prefs.ini")));
    context.prefs().Set("prfsrvRepository", dir.dir() + "repository");
    context.prefs().Set("prfsrvPubDir", dir.dir() + "pub");
    ToolWindows tools(context, nullptr);
    std::string offered;
    context.hooks.chooseDirectory = [&](const std::string&, std::string& chosen, bool) {
        offered = chosen;
        chosen = dir.dir() + "repository/course/talk/";
        return true;
    };
    bool preferences = false;
    QObject::connect(&context.mainWindow(), &MainWindow::preferencesRequested, [&] { preferences = true; });
    ASSERT_TRUE(context.hooks.serverWindow);
    context.hooks.serverWindow();
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == "Pellucor Server Edition")
            window = w;
    ASSERT_NE(window, nullptr);

    auto* prefsButton = findWidget<QPushButton>(*window, "Preferences");
    ASSERT_NE(prefsButton, nullptr);
    prefsButton->click();
    EXPECT_TRUE(preferences);

    auto* browse = findWidget<QPushButton>(*window, "browse_txtDir");
    ASSERT_NE(browse, nullptr);
    browse->click();
    EXPECT_EQ(offered, dir.dir() + "repository/");
    bool shown = false;
    for (QLabel* label : window->findChildren<QLabel*>())
        shown = shown || label->text() == QString::fromStdString(dir.dir() + "pub/course/talk/");
    EXPECT_TRUE(shown) << "the web directory derived from the chosen lecture directory";
    window->close();
}

}  // namespace

}  // namespace pellucor
