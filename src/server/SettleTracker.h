// Tells when a lecture being dropped into the incoming directory has stopped
// changing: its tree (every file's size and modification time) must look
// the same for the whole settle time before it is taken.
#pragma once

#include <chrono>
#include <map>
#include <set>
#include <string>

#include "server/TreeSnapshot.h"

namespace pellucor {

class SettleTracker {
public:
    using Clock = std::chrono::steady_clock;

    // True when `tree` at `path` has looked the same for at least settle.
    bool Settled(const std::string& path, const TreeSnapshot& tree, std::chrono::milliseconds settle,
                 Clock::time_point now = Clock::now());
    // Forgets every path not in `seen` (lectures that were taken or went away).
    void KeepOnly(const std::set<std::string>& seen);

private:
    struct Seen {
        TreeSnapshot tree;
        Clock::time_point since;
    };
    std::map<std::string, Seen> seen_;
};

}  // namespace pellucor
