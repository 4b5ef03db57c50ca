#include "server/MoveDirectory.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace pellucor {

namespace fs = std::filesystem;

bool MoveDirectory(const std::string& src, const std::string& dst, std::string& err)
{
    const fs::path from = fs::path(src).lexically_normal();
    fs::path to = fs::path(dst).lexically_normal();
    if (to.filename().empty())
        to = to.parent_path();
    std::error_code ec;
    if (fs::exists(to, ec)) {
        err = dst + " already exists";
        return false;
    }
    fs::rename(from, to, ec);
    if (!ec)
        return true;
    if (ec != std::errc::cross_device_link) {
        err = ec.message();
        return false;
    }
    // Another filesystem: copy first, then swap in, then remove the source.
    const fs::path partial = to.parent_path() / ("." + to.filename().string() + ".partial");
    fs::remove_all(partial, ec);
    fs::copy(from, partial, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        err = "copy failed: " + ec.message();
        std::error_code ignore;
        fs::remove_all(partial, ignore);
        return false;
    }
    fs::rename(partial, to, ec);
    if (ec) {
        err = "cannot put the copy in place: " + ec.message();
        std::error_code ignore;
        fs::remove_all(partial, ignore);
        return false;
    }
    fs::remove_all(from, ec);
    if (ec)
        err = "copied, but the source could not be removed: " + ec.message();
    return true;
}

}  // namespace pellucor
