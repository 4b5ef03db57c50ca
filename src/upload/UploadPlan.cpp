#include "upload/UploadPlan.h"

#include <algorithm>
#include <filesystem>

namespace pellucor {

namespace fs = std::filesystem;

int64_t UploadPlan::TotalBytes() const
{
    int64_t total = 0;
    for (const auto& f : files)
        total += f.size;
    return total;
}

bool UploadPlan::Collect(const std::string& local, std::string& error)
{
    dirs.clear();
    files.clear();
    std::error_code ec;
    // A folder is listed right before what it holds, so each comes after
    // its parent.
    struct Walker {
        UploadPlan& plan;
        std::string& error;
        bool walk(const fs::path& dir, const std::string& prefix)
        {
            std::error_code ec;
            std::vector<fs::directory_entry> entries;
            for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
                entries.push_back(*it);
            if (ec) {
                error = "Cannot read " + dir.string() + ": " + ec.message();
                return false;
            }
            std::sort(entries.begin(), entries.end(),
                      [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
            std::vector<std::pair<fs::path, std::string>> subdirs;
            for (const auto& e : entries) {
                const std::string name = e.path().filename().string();
                const std::string remote = prefix + name;
                if (e.is_directory(ec) && !e.is_symlink(ec)) {
                    subdirs.emplace_back(e.path(), remote);
                } else if (e.is_regular_file(ec)) {
                    const auto size = e.file_size(ec);
                    if (ec) {
                        error = "Cannot read " + e.path().string() + ": " + ec.message();
                        return false;
                    }
                    plan.files.push_back({e.path().string(), remote, static_cast<int64_t>(size), ""});
                }
            }
            for (const auto& [path, remote] : subdirs) {
                plan.dirs.push_back(remote);
                if (!walk(path, remote + "/"))
                    return false;
            }
            return true;
        }
    };
    if (!fs::is_directory(local, ec)) {
        error = "Local directory not found: " + local;
        return false;
    }
    return Walker {*this, error}.walk(fs::path(local), "");
}

std::vector<std::string> UploadPlan::DropFolders()
{
    std::vector<std::string> top;
    for (const auto& d : dirs)
        if (d.find('/') == std::string::npos)
            top.push_back(d);
    dirs.clear();
    files.erase(std::remove_if(files.begin(), files.end(),
                               [](const File& f) { return f.remote.find('/') != std::string::npos; }),
                files.end());
    return top;
}

std::string FtpTemporaryName(const std::string& name) { return "." + name + ".part"; }

std::string TemporaryPathOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return FtpTemporaryName(path);
    return path.substr(0, slash + 1) + FtpTemporaryName(path.substr(slash + 1));
}

}  // namespace pellucor
