#include "server/SettleTracker.h"

namespace pellucor {

bool SettleTracker::Settled(const std::string& path, const TreeSnapshot& tree, std::chrono::milliseconds settle,
                            Clock::time_point now)
{
    auto it = seen_.find(path);
    if (it == seen_.end() || !(it->second.tree == tree)) {
        seen_[path] = Seen {tree, now};
        return settle.count() <= 0;
    }
    return now - it->second.since >= settle;
}

void SettleTracker::KeepOnly(const std::set<std::string>& seen)
{
    for (auto it = seen_.begin(); it != seen_.end();)
        it = seen.count(it->first) ? std::next(it) : seen_.erase(it);
}

}  // namespace pellucor
