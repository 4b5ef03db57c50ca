#include "server/TreeCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "server/TreeSnapshot.h"

namespace pellucor {

namespace fs = std::filesystem;

int RenameNoReplace(const std::string& from, const std::string& to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
#endif
    // A file system without RENAME_NOREPLACE (NFS): rename refuses to
    // replace a directory that holds anything, and lectures are never empty.
    struct stat st { };
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

namespace {

// Copies one plain file into a new file; false with the system's reason
// ("No space left on device") for whichever call failed.
bool copyFile(const fs::path& from, const fs::path& to, std::string& err)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        err = from.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat st { };
    ::fstat(in, &st);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        err = to.string() + ": " + std::strerror(errno);
        ::close(in);
        return false;
    }
    static thread_local std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            err = from.string() + ": " + std::strerror(errno);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0) {
                err = to.string() + ": " + std::strerror(errno);
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        err = to.string() + ": " + std::strerror(errno);
        ok = false;
    }
    return ok;
}

}  // namespace

bool CopyTree(const std::string& from, const std::string& to, const TreeProgress& progress, std::string& err)
{
    const TreeSnapshot source = TakeSnapshot(from);
    if (!source.ok()) {
        err = source.error;
        return false;
    }
    if (const std::string odd = source.FirstNotPlain(); !odd.empty()) {
        err = "not a plain file or directory: " + odd;
        return false;
    }
    const long total = static_cast<long>(source.entries.size());
    long done = 0;
    std::error_code ec;
    // Directories come before their contents in the map's order.
    for (const auto& [rel, entry] : source.entries) {
        const fs::path src = rel.empty() ? fs::path(from) : fs::path(from) / rel;
        const fs::path dst = rel.empty() ? fs::path(to) : fs::path(to) / rel;
        if (entry.kind == 'd') {
            if (!fs::create_directory(dst, ec)) {
                err = dst.string() + ": " + (ec ? ec.message() : std::string("already exists"));
                return false;
            }
        } else {
            if (!copyFile(src, dst, err))
                return false;
        }
        if (progress)
            progress(++done, total);
    }
    // Times and permissions last: filling a directory changes its time.
    for (auto it = source.entries.rbegin(); it != source.entries.rend(); ++it) {
        const fs::path src = it->first.empty() ? fs::path(from) : fs::path(from) / it->first;
        const fs::path dst = it->first.empty() ? fs::path(to) : fs::path(to) / it->first;
        if (it->second.kind == 'd')
            fs::permissions(dst, fs::status(src, ec).permissions(), ec);
        const struct timespec times[2] = {
            {0, UTIME_OMIT},
            {static_cast<time_t>(it->second.mtimeNs / 1000000000), static_cast<long>(it->second.mtimeNs % 1000000000)}};
        ::utimensat(AT_FDCWD, dst.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    return true;
}

std::string ReturnRefused(const std::string& from, const std::string& dir, const std::string& name, std::string& err)
{
    const std::string base = dir + "e-" + name;
    std::string refused = base;
    for (int n = 2; n < 1000; ++n) {
        const int rc = RenameNoReplace(from, refused);
        if (rc == 0)
            return refused;
        if (rc != EEXIST && rc != ENOTEMPTY) {
            err = std::strerror(rc);
            return {};
        }
        refused = base + "-" + std::to_string(n);
    }
    err = std::strerror(EEXIST);
    return {};
}

bool RemoveTree(const std::string& path, const TreeProgress& progress, std::string& err)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            err = path + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
    const TreeSnapshot tree = TakeSnapshot(path);
    const long total = static_cast<long>(tree.entries.size());
    long done = 0;
    // Children before their directory: walk the sorted paths backwards.
    for (auto it = tree.entries.rbegin(); it != tree.entries.rend(); ++it) {
        const std::string p = it->first.empty() ? path : path + "/" + it->first;
        const int rc = it->second.kind == 'd' ? ::rmdir(p.c_str()) : ::unlink(p.c_str());
        if (rc != 0 && errno != ENOENT) {
            err = p + ": " + std::strerror(errno);
            return false;
        }
        if (progress)
            progress(++done, total);
    }
    return true;
}

}  // namespace pellucor
