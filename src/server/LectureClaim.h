// One server's hold on one lecture of the incoming directory. A server
// claims a ready lecture by creating a directory whose name is unique to
// its host and process beside it and renaming the lecture into it (one
// atomic rename: whoever's rename succeeds owns it, with no coordinator).
// The claim directory also holds the lecture's journal. Its name records
// the owner (host, pid, process start) and a generation. A claim whose
// owner is gone (same host: the process no longer runs; another host: no
// progress for the stale time) is taken over by renaming the claim
// directory to the taker's name with the next generation, again one atomic
// rename. An owner whose claim no longer bears its name has lost it and
// must not write anything more for that lecture.
#pragma once

#include <functional>
#include <string>

#include "core/ClaimJournal.h"

namespace pellucor {

// Who this process is, as written into claim names.
struct ClaimOwner {
    std::string host;  // host name, reduced to letters, digits, "." and "-"
    long pid = 0;
    std::string start;  // the process's start time (tells a reused pid)
    static const ClaimOwner& Self();
};

class LectureClaim {
public:
    enum class Result { Taken, Lost, Failed };

    // Claims incoming/rel/name. Lost when another server took it first or it
    // vanished; Failed with err when it cannot be moved at all.
    static Result Claim(const std::string& incoming, const std::string& rel, const std::string& name, LectureClaim& out,
                        std::string& err);
    // Whether a directory name is a claim ("" and such never are).
    static bool IsClaimName(const std::string& name);
    // A claim found in the tree: this process's own, or one whose owner is
    // gone and which this process took over. Lost when its owner is alive
    // (or another server took it over first).
    static Result Adopt(const std::string& incoming, const std::string& rel, const std::string& claimName,
                        int staleSeconds, LectureClaim& out, std::string& err);
    // The clock another host's claim is judged stale by, in seconds since
    // the epoch: the system's, unless set (a test moves it on rather than
    // waiting).
    static std::function<long()>& Clock();

    ClaimJournal journal;

    const std::string& Dir() const { return dir_; }
    std::string LecturePath() const { return dir_ + "/lecture"; }
    // Where the lecture came from: the incoming directory, rel and its name.
    std::string ReadyPath() const;
    std::string IncomingParent() const { return incoming_ + journal.rel; }
    // Copy directory unique to this claimant, beside dest.
    std::string CopyPathFor(const std::string& dest) const;
    bool Save(ClaimStep step, std::string& err);
    // False once another server took the claim over (this one was thought
    // gone): the caller then leaves the lecture alone.
    bool StillOwned() const;
    // True when the claim was taken over by another server (not finished
    // by this one); Holder() names the host that holds it, when it can be
    // seen.
    bool TakenOver() const;
    std::string Holder() const;
    // "claim taken over by HOST", as the log says it.
    std::string TakeoverReason() const;
    long Generation() const { return generation_; }
    // Stays the same across takeovers.
    const std::string& Id() const { return id_; }
    // Removes the claim (after its lecture has been finished), with the
    // files a batch job left in it.
    bool Finish(std::string& err);

private:
    std::string incoming_;  // ends in "/"
    std::string dir_;
    std::string id_;
    long generation_ = 0;
    bool finished_ = false;
};

}  // namespace pellucor
