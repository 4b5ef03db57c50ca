#include "core/TavUtils.h"

#include "core/FileLookup.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace pellucor {

namespace fs = std::filesystem;

bool WildcardMatch(const std::string& name, const std::string& pattern)
{
    const std::string n = Lower(name);
    const std::string p = pattern == "*.*" ? std::string("*") : Lower(pattern);
    // Iterative matcher with single-star backtracking. "*" and "?" are
    // wildcards only in the pattern: in a name they are ordinary characters.
    size_t ni = 0, pi = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++ni;
            ++pi;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

namespace {
enum class EntryKind { File, Directory, NotDirectory };

std::vector<std::string> listEntries(const std::string& dir, EntryKind kind, const std::string& pattern)
{
    std::vector<std::string> names;
    std::error_code ec;
    if (dir.empty())
        return names;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code tec;
        const bool isDir = it->is_directory(tec);
        const bool isFile = it->is_regular_file(tec);
        const bool wanted = kind == EntryKind::Directory ? isDir : kind == EntryKind::File ? isFile : !isDir;
        if (!wanted)
            continue;
        const std::string name = it->path().filename().string();
        if (WildcardMatch(name, pattern))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string errorText(const std::error_code& ec) { return ec ? ec.message() : std::string(std::strerror(errno)); }
}  // namespace

std::vector<std::string> ListFiles(const std::string& dir, const std::string& pattern)
{
    return listEntries(dir, EntryKind::File, pattern);
}

std::vector<std::string> ListDirs(const std::string& dir) { return listEntries(dir, EntryKind::Directory, "*"); }

bool HasFiles(const std::string& dir, const std::string& pattern) { return !ListFiles(dir, pattern).empty(); }

int64_t FileLen(const std::string& path)
{
    std::error_code ec;
    const auto n = fs::file_size(path, ec);
    return ec ? -1 : static_cast<int64_t>(n);
}

void WriteLine(std::ostream& out, const std::string& text) { out << text << "\r\n"; }

bool Tav_Chkdrv(const std::string& path)
{
    // Drive letters exist only on Windows; a path that carries one cannot
    // name anything here.
    if (path.size() < 2 || path[1] != ':')
        return true;
    Tav_Message("Error - Drive Letter wrong (5) - " + path);
    return false;
}

bool Tav_ChkDir(const std::string& path)
{
    Tav_DebugLog("Tav_ChkDir " + path);
    const std::string dir = Tav_DirSlash(path);
    if (dir.empty())
        return false;
    std::error_code ec;
    return fs::is_directory(dir, ec) && !ec;
}

bool Tav_ChkFile(const std::string& path)
{
    Tav_DebugLog("Tav_ChkFile " + path);
    // Only an ordinary file counts: opening a pipe would wait for a writer.
    return FileProblem(path).empty();
}

bool Tav_ChkFileMsg(const std::string& path)
{
    const std::string why = FileProblem(path);
    if (why.empty())
        return true;
    Tav_Message(path + " does not exist " + why);
    return false;
}

bool Tav_Mkdir(const std::string& path)
{
    const std::string dir = Tav_DirSlash(path);
    if (dir.empty())
        return false;
    if (!Tav_Chkdrv(dir))
        return false;
    if (!Tav_ChkDir(dir) && Tav_AskYesNoCancel("OK to create " + dir) != TavYes)
        return false;
    // Create every missing level, one at a time, so the message can name
    // the level that failed.
    size_t pos = dir[0] == kPathSeparator ? 1 : 0;
    while (pos < dir.size()) {
        const size_t next = dir.find(kPathSeparator, pos);
        const std::string prefix = dir.substr(0, next == std::string::npos ? dir.size() : next);
        pos = next == std::string::npos ? dir.size() : next + 1;
        std::error_code ec;
        if (fs::is_directory(prefix, ec))
            continue;
        if (!fs::create_directory(prefix, ec) || ec) {
            Tav_Message("Unable to create " + prefix);
            return false;
        }
    }
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        Tav_Message("Unable to enter " + dir);
        return false;
    }
    return true;
}

bool Tav_RemoveDir(const std::string& path)
{
    const std::string dir = Tav_DirSlash(path);
    Tav_DebugLog("Removing a complete directory " + dir);
    // A root is refused even when it holds no files: the caller would go on
    // to write its output there.
    const bool windowsRoot = dir.size() > 1 && dir[1] == ':' && dir.size() < 5;
    std::error_code ec;
    const bool root = dir.empty() || dir == "/" || windowsRoot || fs::weakly_canonical(dir, ec) == fs::path("/");
    if (root) {
        Tav_Message("This program will not remove a root directory " + dir);
        return false;
    }
    if (ListFiles(dir, "*.*").empty()) {
        Tav_DebugLog("No Files To Clean Up");
        return true;
    }
    if (Tav_AskOkCancel("Ok to remove files from " + dir) != TavOK)
        return false;
    for (const auto& name : ListFiles(dir, "*.*")) {
        std::error_code rec;
        if (!fs::remove(dir + name, rec) || rec) {
            Tav_Message("Problems removing file(s) " + name + " - " + errorText(rec));
            return false;
        }
    }
    const auto left = ListFiles(dir, "*.*");
    if (!left.empty()) {
        Tav_Message("Not all files were removed - " + left.front());
        return false;
    }
    return true;
}

bool Tav_RemoveFile(const std::string& path)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return true;
    if (Tav_AskOkCancel("Ok to remove  " + path) != TavOK)
        return false;
    if (!fs::remove(path, ec) || ec) {
        Tav_Message("Unable to remove " + path);
        return false;
    }
    return true;
}

std::string ErrnoText() { return std::strerror(errno ? errno : EIO); }

bool Tav_CopyFiles(const std::string& src, const std::string& dst, const std::string& pattern)
{
    std::string err;
    return Tav_CopyFiles(src, dst, pattern, err);
}

bool Tav_CopyFiles(const std::string& src, const std::string& dst, const std::string& pattern, std::string& err)
{
    err.clear();
    const std::string from = Tav_DirSlash(src + kPathSeparator);
    const std::string to = Tav_DirSlash(dst + kPathSeparator);
    for (const auto& name : listEntries(from, EntryKind::NotDirectory, pattern)) {
        const std::string source = from + name;
        const std::string target = to + Lower(name);
        if (const std::string why = FileProblem(source); !why.empty()) {
            err = "Unable to copy " + source + " - " + why;
            return false;
        }
        std::error_code ec;
        fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            err = "Unable to copy " + source + " to " + target + " - " + ec.message();
            return false;
        }
        Tav_DebugLog("Copied " + source + " to " + target);
    }
    return true;
}

}  // namespace pellucor
