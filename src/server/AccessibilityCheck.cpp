// Each lecture's accessibility after its publish: the result logged, and,
// when prfsrvHoldInaccessible says so, a lecture that fails WCAG 2.1 AA
// held back: its publication removed and its sources returned to the
// incoming tree as "e-" + name, with the report beside them.
#include "server/IncomingPublisher.h"

#include "core/PreferenceStore.h"
#include "core/TavString.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "course/AccessibilityReport.h"
#include "server/LectureClaim.h"
#include "server/LectureIntake.h"
#include "server/TreeCopy.h"

namespace pellucor {

bool IncomingPublisher::HoldBackInaccessible(LectureClaim* claim, const std::string& pubDir)
{
    AccessibilityReport report;
    std::string err;
    if (!AssessAccessibility(pubDir, report, err)) {
        ServerLog("Accessibility - not assessed - " + err);
        return false;
    }
    const LectureAccessibility& assessed = report.lectures.front();
    if (assessed.PassesAA()) {
        ServerLog("Accessibility - passes WCAG 2.1 AA - " + pubDir);
        return false;
    }
    ServerLog("Accessibility - fails WCAG 2.1 AA (" + assessed.Failed() + ") - " + pubDir);
    if (!claim || Lower(Trim(PreferenceStore::ValueIn(readPrefs_(), "prfsrvHoldInaccessible"))) != "yes")
        return false;
    // The reason goes back with the lecture; the publication goes first, so
    // that a stop in between finds it gone, assesses it failing again and
    // goes on returning it.
    if (!WriteFileAtomically(Join(claim->journal.dest, "accessibility.txt"), AccessibilityText(report), err))
        ServerLog("Warning - the accessibility report was not put beside the lecture - " + err);
    if (!RemoveTree(pubDir, nullptr, err)) {
        ServerLog("Error - the publication held back could not be removed - " + err);
        return false;
    }
    ServerLog("Held back for accessibility - " + pubDir);
    WriteIndexPage();
    LectureIntake intake(dirs.repository, [this](const std::string& text) { ServerLog(text); });
    intake.ReturnFailed(*claim);
    return true;
}

}  // namespace pellucor
