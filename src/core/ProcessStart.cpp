#include "core/ProcessStart.h"

#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace pellucor {

std::string ProcessStartTicks(long pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text))
        return {};
    // The command name in parentheses may hold blanks: fields count from after it.
    const auto paren = text.rfind(')');
    if (paren == std::string::npos)
        return {};
    std::istringstream fields(text.substr(paren + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22)
            return field;
    return {};
}

bool ProcessEnded(long pid)
{
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
        return true;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text))
        return true;
    // The state follows the command name in parentheses.
    const auto paren = text.rfind(')');
    return paren != std::string::npos && paren + 2 < text.size() && text[paren + 2] == 'Z';
}

long ProcessStartEpoch(const std::string& ticks)
{
    std::ifstream in("/proc/stat");
    std::string key;
    long boot = 0;
    while (in >> key)
        if (key == "btime" && in >> boot)
            break;
    const long hz = ::sysconf(_SC_CLK_TCK);
    return ticks.empty() || hz <= 0 ? 0 : boot + std::stol(ticks) / hz;
}

}  // namespace pellucor
