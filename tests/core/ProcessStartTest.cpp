// A process's end as the publish sees a detached script's: a child that
// runs, one that has exited but is not collected yet, and one collected.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/ProcessStart.h"

namespace {
using namespace pellucor;

TEST(ProcessEnd, AProcessThatExitedHasEndedBeforeItIsCollected)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char c;
        (void)!::read(ready[0], &c, 1);  // runs until told to end
        ::_exit(0);
    }
    EXPECT_FALSE(ProcessEnded(child));
    EXPECT_FALSE(ProcessStartTicks(child).empty());
    ASSERT_EQ(::write(ready[1], "x", 1), 1);
    // Exited, not collected: a zombie.
    for (int i = 0; i < 500 && !ProcessEnded(child); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(ProcessEnded(child));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(ProcessEnded(child));
    EXPECT_TRUE(ProcessEnded(0));
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
