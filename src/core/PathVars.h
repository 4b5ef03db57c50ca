// Path variables in preference texts: "${lecdir}" (the lecture directory
// exactly as shown), "${lecname}" (its last component) and "${lecparent}"
// (the path one level above it).
#pragma once

#include <string>

namespace pellucor {

struct LectureNames {
    std::string name;    // LecName
    std::string parent;  // LecParent
};
LectureNames SplitLectureDir(const std::string& lectureDir);

// Replaces every occurrence of each variable, in the order lecdir, lecname,
// lecparent. withParent false expands only the first two.
std::string TavPrefString(const std::string& text, const std::string& lecDirCaption, bool withParent = true);

}  // namespace pellucor
