#include "publish/OutputChecks.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "core/TavUtils.h"
#include "core/TextFile.h"

namespace pellucor {

namespace fs = std::filesystem;

std::string SystemError(int errnum) { return std::strerror(errnum); }  // NOLINT

namespace {
// An entry's path below the directory listed, as the listing reached it:
// a symbolic link is named, not where it points.
std::string outputEntryName(const fs::path& entry, const std::string& dir)
{
    fs::path base(dir);
    if (!base.has_filename())
        base = base.parent_path();
    return entry.lexically_relative(base).generic_string();
}
}  // namespace

bool WriteManifest(const std::string& dir, std::string& err)
{
    std::error_code ec;
    std::vector<std::string> files;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_directory(ec))
            continue;
        const std::string rel = outputEntryName(it->path(), dir);
        if (rel != kManifestName)
            files.push_back(rel);
    }
    if (ec) {
        err = "cannot list " + dir + ": " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end());
    const std::string path = Join(dir, kManifestName);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const auto& f : files)
        out << f << '\n';
    out.close();
    if (!out) {
        err = "cannot write " + path + ": " + SystemError(errno);
        return false;
    }
    return true;
}

std::set<std::string> ReadManifest(const std::string& dir)
{
    std::set<std::string> files;
    std::ifstream in(Join(dir, kManifestName), std::ios::binary);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            files.insert(line);
    return files;
}

bool AddToManifest(const std::string& dir, const std::string& name, std::string& err)
{
    std::set<std::string> files = ReadManifest(dir);
    if (!files.insert(name).second)
        return true;
    std::string text;
    for (const auto& f : files)
        text += f + '\n';
    return WriteFileAtomically(Join(dir, kManifestName), text, err);
}

std::vector<std::string> ForeignEntries(const std::string& dir)
{
    const std::set<std::string> ours = ReadManifest(dir);
    // Every folder on the way to a file of ours is ours too.
    std::set<std::string> ourDirs;
    for (const auto& f : ours)
        for (fs::path p = fs::path(f).parent_path(); !p.empty(); p = p.parent_path())
            ourDirs.insert(p.generic_string());
    std::vector<std::string> foreign;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string rel = outputEntryName(it->path(), dir);
        const bool link = it->is_symlink(ec);
        const bool isDir = !link && it->is_directory(ec);
        if (rel == kManifestName || (isDir ? ourDirs.count(rel) : ours.count(rel)))
            continue;
        foreign.push_back(rel + (isDir ? "/" : link ? " (a symbolic link)" : ""));
        if (isDir)
            it.disable_recursion_pending();  // the folder as a whole is named
    }
    std::sort(foreign.begin(), foreign.end());
    return foreign;
}

namespace {
struct DirId {
    dev_t dev;
    ino_t ino;
    bool operator==(const DirId& o) const { return dev == o.dev && ino == o.ino; }
};

bool idOf(const fs::path& p, DirId& id)
{
    struct stat st { };
    if (::stat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    id = {st.st_dev, st.st_ino};
    return true;
}
}  // namespace

std::string OutputClash(const std::string& output, const std::vector<std::string>& inputDirs)
{
    DirId out {};
    if (!idOf(output, out))
        return "";  // a directory still to be made holds nothing
    for (const auto& dir : inputDirs) {
        if (Trim(dir).empty())
            continue;
        std::error_code ec;
        const fs::path real = fs::canonical(dir, ec);
        if (ec)
            continue;
        DirId id {};
        if (idOf(real, id) && id == out)
            return "Input and Output Directories are the same " + dir;
        // The output may not hold it either: emptying or replacing the
        // output would take it along.
        for (fs::path p = real.parent_path(); !p.empty(); p = p.parent_path()) {
            if (idOf(p, id) && id == out)
                return "The output directory " + output + " holds " + Tav_DirSlash(dir)
                    + ": publishing there would replace it. Choose an output directory of its own";
            if (p == p.root_path())
                break;
        }
    }
    return "";
}

}  // namespace pellucor
