// The course page: index.htm at the root of a tree of published lectures,
// listing every lecture (title, date, length, parts, first slide) newest
// first, with a search over the slide titles, notes and captions of all of
// them that works opened from disk and from a web server. Everything it
// writes besides the page is in the folder "course-index" at the root;
// the lectures' own folders are only read.
//
// Writing it again after lectures were added, published again or removed
// adds a search segment for the new ones and marks the others gone in the
// small root file; segments are merged only when eight of a size class
// have gathered, so one more lecture rewrites a few files, never the whole
// index. Each file is written under a temporary name and renamed; the page
// is renamed into place last, so a reader sees the old course or the new.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pellucor {

inline constexpr const char* kCourseDirName = "course-index";

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

// Writes or updates the course page of root. progress gets 0..100. False
// with err when nothing could be written (the course stays as it was).
bool WriteCourse(const std::string& root, const CourseOptions& options, CourseReport& report, std::string& err,
                 const std::function<void(int)>& progress = {});

}  // namespace pellucor
