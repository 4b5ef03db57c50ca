#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "TestSupport.h"
#include "core/StatusColours.h"
#include "publish/LogFollower.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
using State = LogFollower::State;

// One tick of the follower: the log written before it (none: left as it
// is), and the state and status line it gives ("" when the line stays).
struct Tick {
    std::optional<std::string> log;
    State state;
    std::string status;
};

class FollowedLog : public ::testing::Test {
protected:
    TempDir dir;
    std::string status = "Auto-executing:";
    uint32_t colour = 0;

    void expectTicks(LogFollower& f, const std::vector<Tick>& ticks)
    {
        for (const Tick& t : ticks) {
            if (t.log)
                writeFile(dir.file("log.log"), *t.log);
            std::string s;
            EXPECT_EQ(f.Tick(status, s, colour), t.state) << t.status;
            EXPECT_EQ(s, t.status);
            status = s.empty() ? status : s;
        }
    }
};

TEST_F(FollowedLog, EndsOnlyOnTheSecondSuccessiveAllDoneAndFailsWhenTheScriptStopsEarlyOrWritesNoLog)
{
    LogFollower f(dir.dir(), "");
    f.scriptsRunning = [] { return true; };
    expectTicks(f,
                {{std::nullopt, State::Running, ""},  // no log yet
                 {"All Done\n", State::Running, "process:All Done (1 seconds)"},
                 {"Video 5.0 Merge talk1\n", State::Running, "process:Video 5.0 Merge talk1 (1 seconds)"},
                 {std::nullopt, State::Running, "process:Video 5.0 Merge talk1 (2 seconds)"},
                 {"All Done,extra\r\n", State::Running, "process:All Done (1 seconds)"},
                 {std::nullopt, State::Done, "Process:All Done"}});
    EXPECT_EQ(colour, kColourWhite);
    std::filesystem::remove(dir.file("log.log"));
    LogFollower stopped(dir.dir(), "");
    stopped.scriptsRunning = [] { return false; };
    expectTicks(stopped,
                {{std::nullopt, State::Failed, "process.bat ended without a log: " + dir.file("log.log")},
                 {"Video 5.0 Merge talk1\n", State::Failed,
                  "process.bat stopped before it finished, at: Video 5.0 Merge talk1"}});
    EXPECT_EQ(colour, kColourRed);
}

TEST_F(FollowedLog, BothTargetsAlternateBetweenTheirLogs)
{
    LogFollower f(dir.dir() + "cd/", dir.dir() + "web/");
    writeFile(dir.dir() + "cd/log.log", "Video 5.0 Merge talk1\n");
    writeFile(dir.dir() + "web/log.log", "All Done\n");
    status = "";
    expectTicks(f,
                {{std::nullopt, State::Running, "cd:Video 5.0 Merge talk1 (1 seconds)"},
                 {std::nullopt, State::Running, "net:All Done (1 seconds)"}});
}

}  // namespace
