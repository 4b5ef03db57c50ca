// The check a server's batch job makes just before its publication goes in
// place: the claim the server holds on the lecture still names this job.
// The claim may have been renamed since the job was submitted (a restarted
// server took its own claim up again under its new name); it is found by
// its id, the last "+" field of its name, which never changes. A claim
// taken over by a server that publishes the lecture itself, or that
// submitted another job, names another job or none, and the job keeps out.
#pragma once

#include <string>

namespace pellucor {

// claimDir: the claim's directory as it was named when the job was
// submitted; job: the batch job's id. False with why when the claim is gone
// or names another job.
bool ClaimStillNamesJob(const std::string& claimDir, const std::string& job, std::string& why);

}  // namespace pellucor
