#include "publish/LogFollower.h"

#include <fstream>
#include <utility>

#include "core/TavUtils.h"

namespace pellucor {

LogFollower::LogFollower(std::string cdDir, std::string webDir) : cdDir_(std::move(cdDir)), webDir_(std::move(webDir))
{ }

LogFollower::State LogFollower::Tick(const std::string& previous, std::string& status, uint32_t& colour)
{
    std::string log, prefix;
    if (cdDir_.empty() || webDir_.empty()) {
        log = Tav_DirSlash(cdDir_.empty() ? webDir_ : cdDir_) + "log.log";
        prefix = "process:";
    } else if (StartsWith(previous, "cd:")) {
        log = Tav_DirSlash(webDir_) + "log.log";
        prefix = "net:";
    } else {
        log = Tav_DirSlash(cdDir_) + "log.log";
        prefix = "cd:";
    }
    const bool running = !scriptsRunning || scriptsRunning();
    std::ifstream in(log, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        if (running)
            return State::Running;  // not written yet
        // The script is gone and never wrote its log.
        status = "process.bat ended without a log: " + log;
        colour = kColourRed;
        return State::Failed;
    }
    line = Trim(line.substr(0, line.find(',')));
    if (line != lastLogLine_)
        logRepeat_ = 0;
    ++logRepeat_;
    lastLogLine_ = line;
    if (line == "All Done" && Contains(previous, "All Done")) {
        status = "Process:" + line;
        colour = kColourWhite;
        return State::Done;
    }
    if (line != "All Done" && !running) {
        // A step failed and the script stopped before "All Done". The text
        // must not contain the words the main window's watchers look for.
        status = "process.bat stopped before it finished, at: " + line;
        colour = kColourRed;
        return State::Failed;
    }
    status = prefix + line + " (" + std::to_string(logRepeat_) + " seconds)";
    colour = kColourYellow;
    return State::Running;
}

}  // namespace pellucor
