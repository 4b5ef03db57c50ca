#include "core/JobFence.h"

#include <filesystem>

#include "core/ClaimJournal.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

// The claim's id: what follows its name's last "+".
std::string idOf(const std::string& name)
{
    const auto plus = name.rfind('+');
    return plus == std::string::npos ? std::string() : name.substr(plus + 1);
}

bool journalNames(const fs::path& claim, const std::string& job)
{
    ClaimJournal journal;
    return journal.Read(claim.string()) && journal.job == job;
}

}  // namespace

bool ClaimStillNamesJob(const std::string& claimDir, const std::string& job, std::string& why)
{
    const fs::path given = fs::path(claimDir).lexically_normal();
    const fs::path named = given.has_filename() ? given : given.parent_path();
    const std::string id = idOf(named.filename().string());
    const std::string prefix = kClaimPrefix;
    std::error_code ec;
    if (!id.empty())
        for (const auto& entry : fs::directory_iterator(named.parent_path(), ec)) {
            const std::string name = entry.path().filename().string();
            if (name.compare(0, prefix.size(), prefix) != 0 || idOf(name) != id)
                continue;
            if (journalNames(entry.path(), job))
                return true;
            why = "claim taken over: " + name + " no longer names job " + job;
            return false;
        }
    why = "claim taken over: " + named.string() + " is gone";
    return false;
}

}  // namespace pellucor
