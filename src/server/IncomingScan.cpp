#include "server/IncomingScan.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "core/TavUtils.h"
#include "server/LectureClaim.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxDepth = 10;
constexpr int kMaxDirs = 1000;

void scan(const std::string& incoming, const std::string& rel, int depth, int& dirs, std::vector<IncomingEntry>& out)
{
    if (++dirs > kMaxDirs)
        return;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(incoming + rel, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> subdirs;
    for (const auto& name : names) {
        struct stat st { };
        if (::lstat((incoming + rel + name).c_str(), &st) != 0)
            continue;
        const std::string low = Lower(name);
        if (LectureClaim::IsClaimName(name))
            out.push_back({IncomingEntry::Kind::Claim, rel, name});
        else if (StartsWith(low, "x-"))
            out.push_back({IncomingEntry::Kind::Ready, rel, name});
        else if (S_ISLNK(st.st_mode))
            out.push_back({IncomingEntry::Kind::Link, rel, name});
        else if (S_ISDIR(st.st_mode) && !StartsWith(low, "e-") && !StartsWith(name, "."))
            subdirs.push_back(name);  // hidden directories (uploads in progress, claims) are not searched
    }
    if (depth >= kMaxDepth)
        return;
    for (const auto& d : subdirs)
        scan(incoming, rel + d + "/", depth + 1, dirs, out);
}

}  // namespace

std::vector<IncomingEntry> ScanIncoming(const std::string& incoming)
{
    std::vector<IncomingEntry> out;
    int dirs = 0;
    scan(incoming, "", 1, dirs, out);
    return out;
}

}  // namespace pellucor
