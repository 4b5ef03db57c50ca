// The accessibility report over a published lecture or a course root:
// every lecture assessed from its record (LectureAccessibility), as plain
// text, as JSON and as the page "accessibility.htm" for staff, written
// beside the course page (which then links to it) or into the lecture.
#pragma once

#include <string>
#include <vector>

#include "course/LectureAccessibility.h"

namespace pellucor {

inline constexpr const char* kAccessibilityPageName = "accessibility.htm";

struct AccessibilityReport {
    std::string dir;      // the folder reported on, ending in "/"
    bool course = false;  // a course root (else one published lecture)
    std::vector<LectureAccessibility> lectures;

    // The lectures that fail AA.
    std::vector<const LectureAccessibility*> Failing() const;
};

// Assesses the published lecture dir, or every published lecture below the
// course root dir. False with err when dir is no folder or holds no
// published lecture.
bool AssessAccessibility(const std::string& dir, AccessibilityReport& report, std::string& err);

// One block per lecture: its parts' captions, descriptions and transcript,
// its slides without text and the criteria met or failed.
std::string AccessibilityText(const AccessibilityReport& report);
std::string AccessibilityJson(const AccessibilityReport& report);

// Writes the report's page into report.dir under a temporary name, then
// renames it; for a course whose page this program wrote, the page is
// written again so that it links to the report; in a lecture, the page is
// added to its manifest (the next publish there replaces it). page gets
// its path.
bool WriteAccessibilityPage(const AccessibilityReport& report, std::string& page, std::string& err);

// A lecture's name in messages: its title and folder.
std::string LectureName(const LectureAccessibility& lecture);

}  // namespace pellucor
