// One QCoreApplication for a headless test program whose models run jobs
// on worker threads and talk back through the event loop. Created before
// the first test and destroyed after the last.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>

namespace pellucor::testing_support {

class QtCoreAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QCoreApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "pellucor-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

// Use once per test program: PELLUCOR_QT_CORE_TEST_APP();
#define PELLUCOR_QT_CORE_TEST_APP()                                                                                    \
    [[maybe_unused]] static ::testing::Environment* const pellucor_qt_core_env_                                        \
        = ::testing::AddGlobalTestEnvironment(new ::pellucor::testing_support::QtCoreAppEnvironment)

}  // namespace pellucor::testing_support
