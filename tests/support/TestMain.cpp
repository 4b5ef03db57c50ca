// Test entry point: each test process keeps its own debug log so that
// parallel test processes never truncate each other's log.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    const char* base = std::getenv("PELLUCOR_STATE_DIR");
    const std::filesystem::path dir
        = std::filesystem::path(base && *base ? base : "/tmp/pellucor-test-state") / ("p" + std::to_string(getpid()));
    setenv("PELLUCOR_STATE_DIR", dir.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return rc;
}
