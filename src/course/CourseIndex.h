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

#include "course/CourseReport.h"

namespace pellucor {

// Writes or updates the course page of root. progress gets 0..100. False
// with err when nothing could be written (the course stays as it was).
bool WriteCourse(const std::string& root, const CourseOptions& options, CourseReport& report, std::string& err,
                 const std::function<void(int)>& progress = {});

}  // namespace pellucor
