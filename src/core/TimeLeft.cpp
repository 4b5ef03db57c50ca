#include "core/TimeLeft.h"

#include <cmath>

namespace pellucor {

namespace {
// No guess before this much of the work and this many seconds: the first
// moments (opening files, loading models) say little about the rest.
constexpr double kFewestPercent = 2;
constexpr double kFewestSeconds = 3;
}  // namespace

std::optional<double> TimeLeft::Seconds(double percent, Clock::time_point now) const
{
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    if (percent < kFewestPercent || elapsed < kFewestSeconds || percent >= 100)
        return std::nullopt;
    return elapsed * (100 - percent) / percent;
}

std::string TimeLeft::Text(double seconds)
{
    if (seconds < 60)
        return "less than a minute left";
    const long minutes = std::lround(seconds / 60);
    if (minutes < 60)
        return "about " + std::to_string(minutes) + " min left";
    const long hours = minutes / 60, rest = minutes % 60;
    return "about " + std::to_string(hours) + " h" + (rest > 0 ? " " + std::to_string(rest) + " min" : std::string())
        + " left";
}

std::string TimeLeft::TextAt(double percent, Clock::time_point now) const
{
    const std::optional<double> seconds = Seconds(percent, now);
    return seconds ? Text(*seconds) : std::string();
}

}  // namespace pellucor
