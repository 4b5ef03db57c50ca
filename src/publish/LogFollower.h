// Follows the one-line "log.log" that each running process.bat rewrites
// with the step it is on, the way the detailed form's poller always has:
// one reading per tick, the status "prefix + line + (N seconds)", and the
// end on the second successive reading of "All Done". With both a disk and
// a web target the two logs are read on alternate ticks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/StatusColours.h"

namespace pellucor {

class LogFollower {
public:
    // cdDir and webDir are the targets' output directories; with only one
    // target the other is empty.
    LogFollower(std::string cdDir, std::string webDir);

    // Whether the scripts are still running (replaceable for tests).
    std::function<bool()> scriptsRunning;

    enum class State { Running, Done, Failed };

    // One reading. previousStatus is the status line before this tick; a
    // new status is returned in status/colour when the tick has one.
    State Tick(const std::string& previousStatus, std::string& status, uint32_t& colour);

    const std::string& LastLogLine() const { return lastLogLine_; }
    int16_t LogRepeat() const { return logRepeat_; }

private:
    std::string cdDir_, webDir_;
    std::string lastLogLine_;
    int16_t logRepeat_ = 0;
};

}  // namespace pellucor
