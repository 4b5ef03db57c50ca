// The server's index page: the course page at the root of the publish
// directories, listing every lecture published there and searching them
// all, brought up to date after each lecture.
#include "server/IncomingPublisher.h"

#include "core/TavUtils.h"
#include "course/CourseIndex.h"
#include "server/HtmlText.h"

namespace pellucor {

bool IncomingPublisher::WriteIndexPage()
{
    const std::string root = Tav_DirSlash(dirs.pubPrefix);
    if (root.empty())
        return false;
    CourseReport report;
    std::string err;
    // An index page this program did not write is never replaced.
    if (!WriteCourse(root, {}, report, err)) {
        ServerLog("Error - the index page was not written - " + err);
        return false;
    }
    for (const std::string& warning : report.warnings)
        WriteLogLine(HtmlEscape("Index page - " + warning));
    return true;
}

}  // namespace pellucor
