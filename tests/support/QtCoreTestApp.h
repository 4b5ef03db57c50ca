// One Qt application object for a test program, created before the first
// test and destroyed after the last: here a QCoreApplication, for headless
// models that run jobs on worker threads and talk back through the event
// loop (QtTestApp.h has the one for widgets).
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>

namespace pellucor::testing_support {

template <class App> class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        beforeStart();
        app_ = std::make_unique<App>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

protected:
    virtual void beforeStart() { }

private:
    int argc_ = 1;
    char name_[16] = "pellucor-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<App> app_;
};

// Use once per test program: PELLUCOR_QT_CORE_TEST_APP();
#define PELLUCOR_QT_CORE_TEST_APP()                                                                                    \
    [[maybe_unused]] static ::testing::Environment* const pellucor_qt_core_env_                                        \
        = ::testing::AddGlobalTestEnvironment(new ::pellucor::testing_support::AppEnvironment<QCoreApplication>)

}  // namespace pellucor::testing_support
