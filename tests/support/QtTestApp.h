// One QApplication for a test program whose tests need widgets or an event
// loop. It runs on the offscreen platform (or, for a program run under
// xvfb-run, as real windows on its X display), is created before the first
// test and destroyed after the last (while the program is still running).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include "QtCoreTestApp.h"

namespace pellucor::testing_support {

class QtAppEnvironment : public AppEnvironment<QApplication> {
public:
    explicit QtAppEnvironment(bool onX = false) : onX_(onX) { }

private:
    void beforeStart() override
    {
        if (onX_ && !qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "xcb");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    bool onX_;
};

// The child widget of that object name; a test failure when there is none.
template <class W> W* findWidget(QObject& parent, const char* name)
{
    W* found = parent.findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Use once per test program: PELLUCOR_QT_TEST_APP();
#define PELLUCOR_QT_TEST_APP()                                                                                         \
    [[maybe_unused]] static ::testing::Environment* const pellucor_qt_env_                                             \
        = ::testing::AddGlobalTestEnvironment(new ::pellucor::testing_support::QtAppEnvironment)

// Instead, in a test program run under xvfb-run: real windows on its X
// display (tests check QGuiApplication::platformName() is "xcb").
#define PELLUCOR_QT_X_TEST_APP()                                                                                       \
    [[maybe_unused]] static ::testing::Environment* const pellucor_qt_env_                                             \
        = ::testing::AddGlobalTestEnvironment(new ::pellucor::testing_support::QtAppEnvironment(true))

}  // namespace pellucor::testing_support
