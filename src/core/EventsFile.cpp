#include "core/EventsFile.h"

#include <cstring>

#include "core/TavString.h"

namespace pellucor {

std::string EventLineText(const EventLine& e) { return "u " + e.start + " " + e.end + " " + kEventPageMark + e.page; }

std::string PublishedEventLineText(const EventLine& e)
{
    return "u " + e.start + " " + e.end + " " + kPublishedPageMark + e.page;
}

bool ParseEventLine(const std::string& line, EventLine& e)
{
    e = {};
    const auto p1 = line.find(' ');
    const auto p2 = p1 == std::string::npos ? p1 : line.find(' ', p1 + 1);
    const auto p3 = p2 == std::string::npos ? p2 : line.find(' ', p2 + 1);
    if (p3 == std::string::npos)
        return false;
    const auto url = line.find(kEventPageMark, p3);
    if (url == std::string::npos)
        return false;
    e.start = Trim(line.substr(p1 + 1, p2 - p1 - 1));
    e.end = Trim(line.substr(p2 + 1, p3 - p2 - 1));
    e.page = Trim(line.substr(url + std::strlen(kEventPageMark)));
    return !e.page.empty();
}

bool ParsePublishedEventLine(const std::string& line, EventLine& e)
{
    e = {};
    const auto f = Tav_Split(line);
    const auto mark = line.find(kPublishedPageMark);
    if (f.size() < 4 || mark == std::string::npos)
        return false;
    e.start = f[2];
    e.end = f[3];
    e.page = Trim(line.substr(mark + std::strlen(kPublishedPageMark)));
    return true;
}

}  // namespace pellucor
