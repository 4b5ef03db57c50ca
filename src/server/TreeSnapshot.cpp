#include "server/TreeSnapshot.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace pellucor {

namespace fs = std::filesystem;

namespace {

TreeEntry entryOf(const struct stat& st)
{
    TreeEntry e;
    e.kind = S_ISDIR(st.st_mode) ? 'd' : S_ISREG(st.st_mode) ? 'f' : S_ISLNK(st.st_mode) ? 'l' : 'o';
    e.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    e.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return e;
}

void walk(const fs::path& dir, const std::string& rel, TreeSnapshot& snap)
{
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string path = rel.empty() ? name : rel + "/" + name;
        struct stat st { };
        if (::lstat(it->path().c_str(), &st) != 0) {
            if (errno == ENOENT)
                continue;  // removed while we looked: the next snapshot differs anyway
            snap.error = it->path().string() + ": " + std::strerror(errno);
            return;
        }
        const TreeEntry e = entryOf(st);
        snap.entries[path] = e;
        if (e.kind == 'd') {
            walk(it->path(), path, snap);
            if (!snap.ok())
                return;
        }
    }
    if (ec)
        snap.error = dir.string() + ": " + ec.message();
}

}  // namespace

TreeSnapshot TakeSnapshot(const std::string& root)
{
    TreeSnapshot snap;
    struct stat st { };
    if (::lstat(root.c_str(), &st) != 0) {
        snap.error = root + ": " + std::strerror(errno);
        return snap;
    }
    if (!S_ISDIR(st.st_mode)) {
        snap.error = root + ": not a directory";
        return snap;
    }
    snap.entries[""] = entryOf(st);
    walk(root, "", snap);
    return snap;
}

std::string TreeSnapshot::FirstNotPlain() const
{
    for (const auto& [path, e] : entries)
        if (e.kind == 'l' || e.kind == 'o')
            return path;
    return {};
}

bool TreeSnapshot::SameContentAs(const TreeSnapshot& other, std::string& difference) const
{
    if (!ok() || !other.ok()) {
        difference = ok() ? other.error : error;
        return false;
    }
    auto a = entries.begin();
    auto b = other.entries.begin();
    for (; a != entries.end() && b != other.entries.end(); ++a, ++b) {
        if (a->first != b->first) {
            difference = "missing " + (a->first < b->first ? a->first : b->first);
            return false;
        }
        if (a->second.kind != b->second.kind || a->second.size != b->second.size) {
            difference = "differs: " + a->first;
            return false;
        }
    }
    if (a != entries.end() || b != other.entries.end()) {
        difference = "missing " + (a != entries.end() ? a->first : b->first);
        return false;
    }
    return true;
}

}  // namespace pellucor
