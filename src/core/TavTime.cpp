#include "core/TavUtils.h"

#include <cmath>

namespace pellucor {

std::string Tav_TicksToTime(int64_t ticks)
{
    int64_t seconds = RoundHalfEven(static_cast<double>(ticks) / 60.0);
    std::string sign;
    if (seconds < 0) {
        sign = "-";
        seconds = -seconds;
    }
    const int64_t h = seconds / 3600;
    const int64_t m = (seconds % 3600) / 60;
    const int64_t s = seconds % 60;
    return sign + Fmt00(static_cast<long>(h)) + ":" + Fmt00(static_cast<long>(m)) + ":" + Fmt00(static_cast<long>(s));
}

int32_t Tav_TimeToTicks(const std::string& text)
{
    const auto f = Tav_Split(Trim(text), ":");
    const size_t n = f.size() - 1;
    if (n < 1 || n > 3)
        return 0;
    const double seconds = static_cast<double>(RoundHalfEven(Val(f[n])));
    const double minutes = n >= 2 ? Val(f[n - 1]) : 0.0;
    const double hours = n >= 3 ? Val(f[n - 2]) : 0.0;
    const double ticks = (hours * 3600.0 + minutes * 60.0 + seconds) * 60.0;
    // Keep within the 32-bit range instead of overflowing on absurd input.
    if (ticks > 2147483647.0)
        return 2147483647;
    if (ticks < -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int32_t>(std::trunc(ticks));
}

std::string Tav_SizeText(int64_t n)
{
    if (n > 5000000)
        return std::to_string(n / 1048576) + " MB";
    if (n > 5000)
        return std::to_string(n / 1024) + " KB";
    return std::to_string(n) + " Bytes";
}

}  // namespace pellucor
