#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "QtTestApp.h"
#include "TestSupport.h"
#include "app/AppContext.h"
#include "gui/ToolWindows.h"

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

}  // namespace

}  // namespace pellucor
