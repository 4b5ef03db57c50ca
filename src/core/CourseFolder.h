// The course folder: a course page (index.htm at the root of a tree of
// published lectures) keeps everything else it writes in one folder beside
// it, its state in course.json there. A publication below such a root
// finds its course page by that file.
#pragma once

#include <string>

namespace pellucor {

inline constexpr const char* kCourseDirName = "course-index";
inline constexpr const char* kCourseStateName = "course.json";

// The address of the course page of the nearest folder above dir that holds
// a course (its page and its state), relative to dir: "../index.htm",
// "../../index.htm"; empty when none does. dir need not exist.
std::string CoursePageAbove(const std::string& dir);

// The address of the course page of root (which need not be written yet)
// relative to dir, a folder below root; empty when dir is not below it.
std::string CoursePageIn(const std::string& root, const std::string& dir);

}  // namespace pellucor
