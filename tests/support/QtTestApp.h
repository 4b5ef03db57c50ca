// One QApplication for a test program whose tests need widgets or an event
// loop. It runs on the offscreen platform (or, for a program run under
// xvfb-run, as real windows on its X display), is created before the first
// test and destroyed after the last (while the program is still running).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace pellucor::testing_support {

class QtAppEnvironment : public ::testing::Environment {
public:
    explicit QtAppEnvironment(bool onX = false) : onX_(onX) { }
    void SetUp() override
    {
        if (onX_ && !qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "xcb");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    bool onX_;
    int argc_ = 1;
    char name_[16] = "pellucor-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
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
