// The journal kept beside a claimed lecture: the step the lecture has
// reached and the paths of its move, so that a server started after a crash
// (or one taking over a dead server's claim) finishes the lecture exactly
// once. Each write replaces the file by one rename, so a reader sees either
// the previous or the next step, never half of one.
#pragma once

#include <string>

namespace pellucor {

enum class ClaimStep {
    Claimed,        // the lecture sits in the claim; nothing else done
    Moving,         // one rename into the repository was attempted
    Copying,        // copying into `copy` (another file system)
    Verified,       // `copy` is complete; it is renamed into `dest` next
    Moved,          // the lecture is in the repository; the source may remain
    SourceRemoved,  // only the journal is left in the claim
    Publishing,     // publishing for the web (redone from the start after a crash)
    Published,      // published; the index page is next
    Indexed,        // index page written; the claim is removed next
    Refused,        // `dest` exists: the source goes back as "e-" + name
    Returning,      // its batch job failed: `dest` goes back to the incoming tree as "e-" + name
};

const char* ClaimStepName(ClaimStep step);

// What every claim directory's name starts with
// (".pellucor-claim+HOST+PID+START+GEN+ID").
inline constexpr const char* kClaimPrefix = ".pellucor-claim+";

struct ClaimJournal {
    ClaimStep step = ClaimStep::Claimed;
    std::string name;        // the ready entry's name on disk ("x-...")
    std::string rel;         // its directory relative to the incoming directory ("" or ending in "/")
    std::string dest;        // the lecture's directory in the repository
    std::string copy;        // the claimant's copy directory beside dest (another file system)
    std::string ownerStart;  // start time of the owning process, to tell a reused pid
    std::string job;         // the batch job publishing it (Publishing), or ""
    int resubmits = 0;       // how many times its job was submitted again after a node failure

    // Reads dir/journal; false when there is none or it cannot be read.
    bool Read(const std::string& claimDir);
    // Writes dir/journal by writing a temporary file and renaming it.
    bool Write(const std::string& claimDir, std::string& err) const;
    // Marks progress (the journal's modification time) for other hosts.
    static void Touch(const std::string& claimDir);
    static std::string PathIn(const std::string& claimDir);
};

}  // namespace pellucor
