// pellucor course: writes the course page at the root of a tree of
// published lectures (every lecture listed, newest first, and a search over
// all their slides, notes and captions), or brings it up to date.
#include "app/Commands.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>

#include <iostream>

#include "core/ProgressPrinter.h"
#include "publish/CourseIndex.h"

namespace pellucor {

int RunCourseCommand(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Write index.htm at the root of a tree of published lectures: every lecture with its title, date, "
        "length, parts and first slide, newest first, and a search over all their slides, notes and "
        "captions that works opened from disk and from a web server. Run it again after lectures were "
        "added, published again or removed.");
    parser.addHelpOption();
    parser.addPositionalArgument("publish_root", "The folder that holds the published lectures.");
    QCommandLineOption titleOpt("title", "The page's title (default: the one given before, else \"Lectures\").",
                                "text");
    QCommandLineOption replaceOpt("replace", "Put the course page in place of an index.htm it did not write.");
    parser.addOption(titleOpt);
    parser.addOption(replaceOpt);
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::cerr << "pellucor course: give exactly one folder of published lectures\n";
        return 2;
    }
    CourseOptions options;
    options.title = parser.value(titleOpt).toStdString();
    options.replace = parser.isSet(replaceOpt);
    ProgressPrinter progress(std::cout, isatty(STDOUT_FILENO) != 0, std::chrono::milliseconds(250), "Indexing");
    CourseReport report;
    std::string err;
    const bool ok = WriteCourse(CommandLineDir(parser.positionalArguments().front()), options, report, err,
                                [&](int percent) { progress.Percent(percent); });
    progress.Finish();
    for (const std::string& w : report.warnings)
        std::cerr << "pellucor course: " << w << "\n";
    if (!ok) {
        std::cerr << "pellucor course: " << err << "\n";
        return 1;
    }
    std::cout << "Course page: " << report.page << " (" << report.lectures << " lectures, " << report.searchable
              << " searchable; " << report.added << " added, " << report.changed << " published again, "
              << report.removed << " removed)" << std::endl;
    return 0;
}

}  // namespace pellucor
