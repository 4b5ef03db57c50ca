#include "SyncedLecture.h"

#include <cmath>
#include <sstream>

#include "MediaTools.h"
#include "TestSupport.h"

namespace pellucor::testing_support {

bool makeSyncedLecture(const std::string& kind, const std::string& dir, const std::string& recording, int seconds,
                       const std::string& size, SlideSchedule& schedule, std::string& err, ClipStretches* clips)
{
    std::string out;
    if (!runTool(
            {"sh", sourceDir() + "samples/make-sync-lecture.sh", kind, dir, recording, std::to_string(seconds), size},
            out, &err))
        return false;
    std::istringstream in(out);
    schedule.clear();
    if (clips)
        clips->clear();
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::pair<double, double> clip;
        std::pair<double, int> shown;
        if (line.rfind("clip ", 0) == 0) {
            words.ignore(5);
            if (clips && words >> clip.first >> clip.second)
                clips->push_back(clip);
        } else if (words >> shown.first >> shown.second) {
            schedule.push_back(shown);
        }
    }
    return !schedule.empty();
}

std::string scheduleMismatch(const SlideSchedule& schedule, const std::string& eventsFile)
{
    SlideSchedule found;
    for (const std::string& line : readLines(eventsFile)) {
        std::istringstream in(line);
        std::string type, start, end, page;
        int h = 0, m = 0, s = 0;
        char colon = 0;
        if (!(in >> type >> start >> end >> page) || type != "u")
            continue;
        std::istringstream(start) >> h >> colon >> m >> colon >> s;
        found.emplace_back(h * 3600 + m * 60 + s, std::stoi(page.substr(7, 3)));
    }
    std::ostringstream why;
    if (found.size() != schedule.size())
        why << found.size() << " slides written, " << schedule.size() << " shown; ";
    for (size_t i = 0; i < std::min(found.size(), schedule.size()); ++i)
        if (found[i].second != schedule[i].second || std::fabs(found[i].first - schedule[i].first) > 1.0)
            why << "slide " << found[i].second << " at " << found[i].first << " s where slide " << schedule[i].second
                << " came at " << schedule[i].first << " s; ";
    return why.str();
}

}  // namespace pellucor::testing_support
