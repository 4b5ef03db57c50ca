#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/StatusColours.h"
#include "publish/LogFollower.h"

namespace pellucor {

using namespace testing_support;

namespace {

struct Reading {
    LogFollower::State state;
    std::string status;
};

class FollowedLog : public ::testing::Test {
protected:
    TempDir dir;
    std::string status = "Auto-executing:";
    uint32_t colour = 0;
    bool running = true;

    Reading tick(LogFollower& f)
    {
        std::string s;
        const auto state = f.Tick(status, s, colour);
        if (!s.empty())
            status = s;
        return {state, s};
    }
};

TEST_F(FollowedLog, EndsOnlyOnTheSecondSuccessiveAllDone)
{
    LogFollower f(dir.dir(), "");
    f.scriptsRunning = [&] { return running; };
    EXPECT_EQ(tick(f).state, LogFollower::State::Running);  // no log yet
    EXPECT_EQ(status, "Auto-executing:");
    writeFile(dir.file("log.log"), "All Done\n");
    EXPECT_EQ(tick(f).status, "process:All Done (1 seconds)");
    writeFile(dir.file("log.log"), "Video 5.0 Merge talk1\n");
    EXPECT_EQ(tick(f).status, "process:Video 5.0 Merge talk1 (1 seconds)");
    EXPECT_EQ(tick(f).status, "process:Video 5.0 Merge talk1 (2 seconds)");
    writeFile(dir.file("log.log"), "All Done,extra\r\n");
    EXPECT_EQ(tick(f).state, LogFollower::State::Running);
    const Reading last = tick(f);
    EXPECT_EQ(last.state, LogFollower::State::Done);
    EXPECT_EQ(last.status, "Process:All Done");
    EXPECT_EQ(colour, kColourWhite);
}

TEST_F(FollowedLog, AScriptThatStoppedEarlyOrNeverWroteItsLogFails)
{
    LogFollower f(dir.dir(), "");
    f.scriptsRunning = [&] { return running; };
    running = false;
    Reading r = tick(f);
    EXPECT_EQ(r.state, LogFollower::State::Failed);
    EXPECT_EQ(r.status, "process.bat ended without a log: " + dir.file("log.log"));
    writeFile(dir.file("log.log"), "Video 5.0 Merge talk1\n");
    r = tick(f);
    EXPECT_EQ(r.state, LogFollower::State::Failed);
    EXPECT_EQ(r.status, "process.bat stopped before it finished, at: Video 5.0 Merge talk1");
    EXPECT_FALSE(holds(r.status, "All Done"));
    EXPECT_EQ(colour, kColourRed);
}

TEST_F(FollowedLog, BothTargetsAlternateBetweenTheirLogs)
{
    LogFollower f(dir.dir() + "cd/", dir.dir() + "web/");
    writeFile(dir.dir() + "cd/log.log", "Video 5.0 Merge talk1\n");
    writeFile(dir.dir() + "web/log.log", "All Done\n");
    status = "";
    EXPECT_EQ(tick(f).status, "cd:Video 5.0 Merge talk1 (1 seconds)");
    EXPECT_EQ(tick(f).status, "net:All Done (1 seconds)");
}

}  // namespace

}  // namespace pellucor
