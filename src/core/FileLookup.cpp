#include "core/FileLookup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;

DirListing::DirListing(const std::string& dir) : dir_(dir)
{
    std::error_code ec;
    if (dir.empty())
        return;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        byLower_.emplace(Lower(name), name);
    }
}

bool DirListing::Find(const std::string& name, std::string& path, std::string& err) const
{
    path.clear();
    err.clear();
    const auto [first, last] = byLower_.equal_range(Lower(name));
    if (first == last)
        return false;
    if (std::next(first) != last) {
        err = "Two files differ only in letter case: " + Join(dir_, first->second) + " and "
            + Join(dir_, std::next(first)->second);
        return false;
    }
    path = Join(dir_, first->second);
    return true;
}

std::string DirListing::Path(const std::string& name) const
{
    std::string path, err;
    return Find(name, path, err) ? path : std::string();
}

bool FindFile(const std::string& dir, const std::string& name, std::string& path, std::string& err)
{
    return DirListing(dir).Find(name, path, err);
}

bool FindPath(const std::string& path, std::string& found, std::string& err)
{
    const auto slash = path.rfind(kPathSeparator);
    if (slash == std::string::npos) {
        if (!FindFile(".", path, found, err))
            return false;
        found = found.substr(found.rfind(kPathSeparator) + 1);
        return true;
    }
    return FindFile(path.substr(0, slash + 1), path.substr(slash + 1), found, err);
}

bool IsRegularFile(const std::string& path)
{
    struct stat st { };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FileProblem(const std::string& path)
{
    struct stat st { };
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::strerror(path.empty() ? ENOENT : errno);
    if (S_ISDIR(st.st_mode))
        return "is a directory, not a file";
    if (!S_ISREG(st.st_mode))
        return "is not an ordinary file (a pipe, device or socket)";
    // A regular file: opening it cannot block.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    return "";
}

}  // namespace pellucor
