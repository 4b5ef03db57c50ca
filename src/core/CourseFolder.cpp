#include "core/CourseFolder.h"

#include <algorithm>
#include <filesystem>

namespace pellucor {

namespace fs = std::filesystem;

namespace {

// An absolute path without "." or ".." steps or a trailing separator.
fs::path clean(const std::string& path)
{
    std::error_code ec;
    const fs::path p = fs::absolute(path, ec).lexically_normal();
    return p.has_filename() ? p : p.parent_path();
}

}  // namespace

std::string CoursePageAbove(const std::string& dir)
{
    std::error_code ec;
    std::string up;
    for (fs::path here = clean(dir); here.has_relative_path(); here = here.parent_path()) {
        up += "../";
        const fs::path above = here.parent_path();
        if (fs::is_regular_file(above / kCourseDirName / kCourseStateName, ec)
            && fs::is_regular_file(above / "index.htm", ec))
            return up + "index.htm";
    }
    return {};
}

std::string CoursePageIn(const std::string& root, const std::string& dir)
{
    const fs::path up = clean(root).lexically_relative(clean(dir));
    // Only "..", "../..": the root is above dir, not beside or below it.
    if (up.empty() || std::any_of(up.begin(), up.end(), [](const fs::path& step) { return step != ".."; }))
        return {};
    return up.generic_string() + "/index.htm";
}

}  // namespace pellucor
