// Takes a claimed lecture from the incoming directory into the repository,
// step by step as its journal records: one rename when both lie on one file
// system; else a copy into a directory of the claimant's own, a check that
// every file arrived with its size, one rename into place, and only then
// the removal of the source. Started again on a claim whose owner died, it
// carries on from the step the journal names.
#pragma once

#include <functional>
#include <string>

#include "core/ClaimJournal.h"

namespace pellucor {

class LectureClaim;

class LectureIntake {
public:
    enum class Outcome {
        InRepository,  // the lecture is in the repository; publishing is next
        Refused,       // its name was taken: it went back as "e-" + name
        Failed,        // it could not be moved: it went back to where it was (reason logged)
        Lost,          // nothing to do: the claim was empty or taken over
    };

    LectureIntake(std::string repository, std::function<void(const std::string&)> log)
        : repository_(std::move(repository)), log_(std::move(log))
    { }
    Outcome Advance(LectureClaim& claim);
    // A lecture whose publish failed in a batch job goes back from the
    // repository to where it came from as "e-" + name (copied when the
    // repository lies on another file system), and the claim is finished.
    // False (the reason logged) when it could not be moved; the claim then
    // stays for the next check.
    bool ReturnFailed(LectureClaim& claim);

private:
    bool step(LectureClaim& claim, Outcome& outcome);
    bool startMove(LectureClaim& claim, Outcome& outcome);
    bool copyAndVerify(LectureClaim& claim, Outcome& outcome);
    bool putCopyInPlace(LectureClaim& claim, Outcome& outcome);
    void removeSource(LectureClaim& claim);
    void refuse(LectureClaim& claim);
    // Gives the lecture back as it came (after a failure before the move).
    void release(LectureClaim& claim, const std::string& why);
    bool save(LectureClaim& claim, ClaimStep step, Outcome& outcome);
    bool gaveUp(LectureClaim& claim, Outcome& outcome);

    std::string repository_;
    std::function<void(const std::string&)> log_;
};

}  // namespace pellucor
