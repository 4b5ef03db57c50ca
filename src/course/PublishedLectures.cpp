#include "course/PublishedLectures.h"

#include <sys/stat.h>

#include <algorithm>

#include "core/CourseFolder.h"
#include "publish/LectureRecord.h"
#include "publish/OutputChecks.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

// Lectures are looked for this many folders deep.
constexpr int kMaxLectureDepth = 8;

std::string fileStamp(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return "";
    return std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "."
        + std::to_string(st.st_mtim.tv_nsec) + ":" + std::to_string(st.st_ino);
}

}  // namespace

std::vector<PublishedLecture> FindPublishedLectures(const fs::path& root)
{
    std::vector<PublishedLecture> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (it->is_symlink(ec) || !it->is_directory(ec))
            continue;
        if (name.empty() || name[0] == '.' || (it.depth() == 0 && name == kCourseDirName)) {
            it.disable_recursion_pending();
            continue;
        }
        const fs::path dir = it->path();
        if (fs::exists(dir / kManifestName, ec)) {
            const bool record = fs::exists(dir / kLectureRecordName, ec);
            const std::string folder = fs::relative(dir, root, ec).generic_string() + "/";
            found.push_back(
                {folder, fileStamp((dir / (record ? kLectureRecordName : kManifestName)).string()), record});
            it.disable_recursion_pending();
        } else if (it.depth() + 1 >= kMaxLectureDepth) {
            it.disable_recursion_pending();
        }
    }
    std::sort(found.begin(), found.end(),
              [](const PublishedLecture& a, const PublishedLecture& b) { return a.folder < b.folder; });
    return found;
}

}  // namespace pellucor
