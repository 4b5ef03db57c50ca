#include "core/TimeText.h"

#include <cctype>

#include "core/TavUtils.h"

namespace pellucor {

namespace {

bool readField(const std::string& f, long limit, long& out)
{
    if (f.empty() || f.size() > 6)
        return false;
    out = 0;
    for (const char c : f) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        out = out * 10 + (c - '0');
    }
    return limit <= 0 || out < limit;
}

}  // namespace

bool TimeValue(const std::string& text, long& seconds)
{
    const std::string t = Trim(text);
    std::vector<std::string> f;
    size_t start = 0;
    for (;;) {
        const size_t pos = t.find(':', start);
        f.push_back(t.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
        if (pos == std::string::npos)
            break;
        start = pos + 1;
    }
    if (f.size() < 2 || f.size() > 3)
        return false;
    long h = 0, m = 0, s = 0;
    if (!readField(f[0], 0, h) || !readField(f[1], 60, m))
        return false;
    if (f.size() == 3 && !readField(f[2], 60, s))
        return false;
    seconds = h * 3600 + m * 60 + s;
    return true;
}

std::string HmsText(long seconds) { return Tav_TicksToTime(static_cast<int64_t>(seconds) * 60); }

}  // namespace pellucor
