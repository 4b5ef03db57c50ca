// The files of a course as a student's browser loads them: the page
// (index.htm at the root), the root of the search index it loads first,
// and the page's script and style sheet, all but the page in the course
// folder. The script and style sheet are built into the program.
#pragma once

#include <string>

#include "course/CourseReport.h"
#include "course/CourseState.h"

namespace pellucor {

// Writes the search root of st's generation, the script and style sheet
// (when they differ from what is there), and the page, renamed into place
// last. Names written go into report.written ("index.htm" for the page).
bool WriteCourseFiles(const std::string& root, const CourseState& st, CourseReport& report, std::string& err);

// A file built into the program (":/course/NAME"); empty when there is none.
std::string CourseAsset(const std::string& name);

}  // namespace pellucor
