#include "server/LectureIntake.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/TavUtils.h"
#include "server/LectureClaim.h"
#include "server/StopPoint.h"
#include "server/TreeCopy.h"
#include "server/TreeSnapshot.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

bool present(const std::string& path)
{
    struct stat st { };
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

// Stops at `stopAt` halfway through (tests kill the server there).
TreeProgress halfwayStop(const char* stopAt)
{
    return [stopAt](long done, long total) {
        if (done == total / 2)
            StopPoint(stopAt);
    };
}

}  // namespace

LectureIntake::Outcome LectureIntake::Advance(LectureClaim& claim)
{
    Outcome outcome = Outcome::InRepository;
    while (step(claim, outcome)) {
    }
    return outcome;
}

bool LectureIntake::save(LectureClaim& claim, ClaimStep next, Outcome& outcome)
{
    std::string err;
    if (gaveUp(claim, outcome))
        return false;
    if (claim.Save(next, err))
        return true;
    // Without its journal the claim could not be finished after a crash:
    // stop here and leave everything for the next check.
    log_("Error - cannot write the journal of " + claim.ReadyPath() + " - " + err);
    outcome = Outcome::Failed;
    return false;
}

// Another server took the claim over (this one was thought gone): from
// now on it is theirs alone.
bool LectureIntake::gaveUp(LectureClaim& claim, Outcome& outcome)
{
    if (claim.StillOwned())
        return false;
    if (claim.TakenOver())
        log_("Gave up " + claim.ReadyPath() + " - " + claim.TakeoverReason());
    outcome = Outcome::Lost;
    return true;
}

// One step; false when the lecture is done with (outcome set).
bool LectureIntake::step(LectureClaim& claim, Outcome& outcome)
{
    if (gaveUp(claim, outcome))
        return false;
    ClaimJournal& j = claim.journal;
    switch (j.step) {
    case ClaimStep::Claimed: return startMove(claim, outcome);
    case ClaimStep::Moving:
        // Killed around the rename: the lecture is on one side of it.
        if (present(claim.LecturePath()))
            return startMove(claim, outcome);
        if (present(j.dest))
            return save(claim, ClaimStep::Moved, outcome);
        log_("Error - lecture lost between " + claim.ReadyPath() + " and " + j.dest);
        outcome = Outcome::Failed;
        return false;
    case ClaimStep::Copying: return copyAndVerify(claim, outcome);
    case ClaimStep::Verified: return putCopyInPlace(claim, outcome);
    case ClaimStep::Moved: removeSource(claim); return save(claim, ClaimStep::SourceRemoved, outcome);
    case ClaimStep::Refused:
        refuse(claim);
        outcome = Outcome::Refused;
        return false;
    case ClaimStep::SourceRemoved:
    case ClaimStep::Publishing:
    case ClaimStep::Published:
    case ClaimStep::Indexed:
    case ClaimStep::Returning: outcome = Outcome::InRepository; return false;
    }
    return false;
}

bool LectureIntake::startMove(LectureClaim& claim, Outcome& outcome)
{
    ClaimJournal& j = claim.journal;
    if (!present(claim.LecturePath())) {
        // Killed before the claiming rename: nothing was taken.
        std::string err;
        claim.Finish(err);
        outcome = Outcome::Lost;
        return false;
    }
    const std::string parent = Tav_DirSlash(repository_) + j.rel;
    if (!Tav_ChkDir(parent) && !Tav_Mkdir(parent)) {
        release(claim, "Error - destination directory does not exist ad cannot be created" + parent);
        outcome = Outcome::Failed;
        return false;
    }
    j.dest = parent + Lower(j.name.substr(2));
    if (present(j.dest))
        return save(claim, ClaimStep::Refused, outcome);
    log_(claim.ReadyPath() + " -> " + j.dest);
    if (!save(claim, ClaimStep::Moving, outcome))
        return false;
    const int rc = RenameNoReplace(claim.LecturePath(), j.dest);
    if (rc == 0) {
        StopPoint("move");
        return save(claim, ClaimStep::Moved, outcome);
    }
    if (rc == EEXIST || rc == ENOTEMPTY)
        return save(claim, ClaimStep::Refused, outcome);
    if (rc == EXDEV) {
        j.copy = claim.CopyPathFor(j.dest);
        return save(claim, ClaimStep::Copying, outcome);
    }
    release(claim, "Error - unable to move " + claim.ReadyPath() + " - " + std::strerror(rc));
    outcome = Outcome::Failed;
    return false;
}

bool LectureIntake::copyAndVerify(LectureClaim& claim, Outcome& outcome)
{
    ClaimJournal& j = claim.journal;
    std::string err;
    // A copy left by an earlier attempt (this claim's, perhaps under a dead
    // owner's name) is incomplete: start afresh in a directory of our own.
    if (!RemoveTree(j.copy, nullptr, err)) {
        release(claim, "Error - unable to remove an unfinished copy " + j.copy + " - " + err);
        outcome = Outcome::Failed;
        return false;
    }
    if (j.copy != claim.CopyPathFor(j.dest)) {
        j.copy = claim.CopyPathFor(j.dest);
        if (!save(claim, ClaimStep::Copying, outcome))
            return false;
    }
    std::string difference;
    if (!CopyTree(claim.LecturePath(), j.copy, halfwayStop("copy"), err)
        || !TakeSnapshot(j.copy).SameContentAs(TakeSnapshot(claim.LecturePath()), difference)) {
        std::string ignored;
        RemoveTree(j.copy, nullptr, ignored);
        release(claim,
                "Error - unable to copy " + claim.ReadyPath() + " to " + j.dest + " - "
                    + (err.empty() ? "incomplete copy, " + difference : err));
        outcome = Outcome::Failed;
        return false;
    }
    if (!save(claim, ClaimStep::Verified, outcome))
        return false;
    StopPoint("verify");
    return true;
}

bool LectureIntake::putCopyInPlace(LectureClaim& claim, Outcome& outcome)
{
    ClaimJournal& j = claim.journal;
    if (!present(j.copy)) {
        // Renamed into place just before a crash, or the copy went away.
        return save(claim, present(j.dest) ? ClaimStep::Moved : ClaimStep::Copying, outcome);
    }
    const int rc = RenameNoReplace(j.copy, j.dest);
    if (rc == 0) {
        StopPoint("move");
        return save(claim, ClaimStep::Moved, outcome);
    }
    if (rc == EEXIST || rc == ENOTEMPTY)
        return save(claim, ClaimStep::Refused, outcome);
    std::string ignored;
    RemoveTree(j.copy, nullptr, ignored);
    release(claim, "Error - unable to move " + j.copy + " to " + j.dest + " - " + std::strerror(rc));
    outcome = Outcome::Failed;
    return false;
}

void LectureIntake::removeSource(LectureClaim& claim)
{
    std::string err;
    if (!RemoveTree(claim.LecturePath(), halfwayStop("remove"), err))
        log_("Warning - copied, but the source could not be removed: " + err);
}

void LectureIntake::refuse(LectureClaim& claim)
{
    ClaimJournal& j = claim.journal;
    log_("Error - destination directory should not exist " + j.dest);
    std::string err;
    RemoveTree(j.copy, nullptr, err);
    // Refused lectures stay in the incoming tree; an earlier refused lecture
    // of the same name is kept, never overwritten.
    if (present(claim.LecturePath()))
        ReturnRefused(claim.LecturePath(), claim.IncomingParent(), j.name.substr(2), err);
    if (!claim.Finish(err))
        log_("Error - unable to move " + claim.LecturePath() + " - " + err);
}

bool LectureIntake::ReturnFailed(LectureClaim& claim)
{
    ClaimJournal& j = claim.journal;
    Outcome outcome = Outcome::Failed;
    if (j.step != ClaimStep::Returning && !save(claim, ClaimStep::Returning, outcome))
        return false;
    const std::string name = j.name.substr(2);
    std::string err, returned;
    if (present(j.dest)) {
        returned = ReturnRefused(j.dest, claim.IncomingParent(), name, err);
        if (returned.empty()) {
            // Another file system: a copy of our own beside the incoming
            // lectures, checked, then named "e-", then the repository's removed.
            const std::string copy = claim.CopyPathFor(claim.IncomingParent() + name);
            std::string difference;
            err.clear();
            if (!RemoveTree(copy, nullptr, err) || !CopyTree(j.dest, copy, nullptr, err)
                || !TakeSnapshot(copy).SameContentAs(TakeSnapshot(j.dest), difference)
                || (returned = ReturnRefused(copy, claim.IncomingParent(), name, err)).empty()) {
                std::string ignored;
                RemoveTree(copy, nullptr, ignored);
                log_("Error - unable to return " + j.dest + " to " + claim.IncomingParent() + " - "
                     + (err.empty() ? "incomplete copy, " + difference : err));
                return false;
            }
            if (!RemoveTree(j.dest, nullptr, err))
                log_("Warning - returned, but the repository's copy could not be removed: " + err);
        }
        log_("Returned " + j.dest + " as " + returned);
    }
    if (!claim.Finish(err))
        log_("Error - unable to remove the claim " + claim.Dir() + " - " + err);
    return true;
}

void LectureIntake::release(LectureClaim& claim, const std::string& why)
{
    Outcome ignored;
    if (gaveUp(claim, ignored))
        return;  // what failed was no longer ours to do
    log_(why);
    std::string err;
    if (!present(claim.LecturePath()) || RenameNoReplace(claim.LecturePath(), claim.ReadyPath()) == 0)
        claim.Finish(err);
    // Otherwise the lecture stays in the claim; the next check resumes it.
}

}  // namespace pellucor
