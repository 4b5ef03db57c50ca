// pellucor accessibility: how accessible a published lecture, or every
// lecture of a course, is: captions, descriptions, transcript, slides
// without text and the WCAG 2.1 criteria met or failed; the report for
// staff written beside the course page. Exits 1 when a lecture fails AA.
#include "cli/Commands.h"

#include <iostream>

#include "core/CommandLine.h"
#include "core/TextFile.h"
#include "course/AccessibilityReport.h"

namespace pellucor {

int RunAccessibilityCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "accessibility",
                   "Report how accessible a published lecture, or every published lecture below a course's root, "
                   "is: each part's captions (none, machine-made, reviewed or the lecturer's) with their languages, "
                   "audio descriptions and transcript, the slides without text, and the WCAG 2.1 criteria 1.1.1, "
                   "1.2.2, 1.2.3, 1.2.5 and 3.1.2 met or failed. Writes accessibility.htm beside the course page "
                   "(or into the lecture). Exits 1 when a lecture fails AA.",
                   {{"dir", "A published lecture, or the folder that holds the published lectures."}});
    const QCommandLineOption jsonOpt("json", "Write the report as JSON to FILE as well.", "FILE");
    cl.parser.addOption(jsonOpt);
    cl.process();
    if (cl.positional().size() != 1)
        return cl.usage("give exactly one folder: a published lecture or a course's root");
    const std::string dir = cl.existingDir();
    if (dir.empty())
        return 2;
    AccessibilityReport report;
    std::string err, page;
    if (!AssessAccessibility(dir, report, err))
        return cl.usage(err);
    std::cout << AccessibilityText(report);
    if (cl.parser.isSet(jsonOpt)
        && !WriteFileAtomically(CommandLinePath(cl.parser.value(jsonOpt)), AccessibilityJson(report), err)) {
        cl.error(err);
        return 2;
    }
    if (!WriteAccessibilityPage(report, page, err)) {
        cl.error(err);
        return 2;
    }
    std::cout << "Report: " << page << std::endl;
    const auto failing = report.Failing();
    for (const LectureAccessibility* a : failing)
        cl.error(LectureName(*a) + " fails WCAG 2.1 AA: " + a->Failed());
    return failing.empty() ? 0 : 1;
}

}  // namespace pellucor
