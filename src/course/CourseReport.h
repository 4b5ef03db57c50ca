// What a course is written with and what writing it did: the options a
// caller gives, the report the page, its search index and its files fill
// in; the name of the folder they all live in is core/CourseFolder.h's.
#pragma once

#include <string>
#include <vector>

#include "core/CourseFolder.h"

namespace pellucor {

struct CourseOptions {
    std::string title;     // empty: the title given before, else "Lectures"
    bool replace = false;  // an index.htm this program did not write may go
};

struct CourseReport {
    std::string page;  // the course page's path
    int lectures = 0, searchable = 0, added = 0, changed = 0, removed = 0;
    // Lectures listed but not searchable, and why.
    std::vector<std::string> warnings;
    // Files of the course folder written or removed by this run (names).
    std::vector<std::string> written, deleted;
};

}  // namespace pellucor
