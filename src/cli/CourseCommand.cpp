// pellucor course: writes the course page at the root of a tree of
// published lectures (every lecture listed, newest first, and a search over
// all their slides, notes and captions), or brings it up to date.
#include "cli/Commands.h"

#include <iostream>

#include "core/CommandLine.h"
#include "course/CourseIndex.h"

namespace pellucor {

int RunCourseCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "course",
                   "Write index.htm at the root of a tree of published lectures: every lecture with its title, date, "
                   "length, parts and first slide, newest first, and a search over all their slides, notes and "
                   "captions that works opened from disk and from a web server. Run it again after lectures were "
                   "added, published again or removed.",
                   {{"publish_root", "The folder that holds the published lectures."}});
    QCommandLineOption titleOpt("title", "The page's title (default: the one given before, else \"Lectures\").",
                                "text");
    QCommandLineOption replaceOpt("replace", "Put the course page in place of an index.htm it did not write.");
    cl.parser.addOptions({titleOpt, replaceOpt});
    cl.process();
    if (cl.positional().size() != 1)
        return cl.usage("give exactly one folder of published lectures");
    CourseOptions options;
    options.title = cl.parser.value(titleOpt).toStdString();
    options.replace = cl.parser.isSet(replaceOpt);
    ProgressPrinter progress = cl.progress("Indexing");
    CourseReport report;
    std::string err;
    const bool ok = WriteCourse(CommandLineDir(cl.positional().front()), options, report, err,
                                [&](int percent) { progress.Percent(percent); });
    progress.Finish();
    for (const std::string& w : report.warnings)
        cl.error(w);
    if (!ok) {
        cl.error(err);
        return 1;
    }
    std::cout << "Course page: " << report.page << " (" << report.lectures << " lectures, " << report.searchable
              << " searchable; " << report.added << " added, " << report.changed << " published again, "
              << report.removed << " removed)" << std::endl;
    return 0;
}

}  // namespace pellucor
