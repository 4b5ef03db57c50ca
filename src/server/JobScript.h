// The batch job that publishes one lecture on a cluster node: a shell
// script that runs this program's publish command against the shared tree
// (the lecture in the repository, the web output, its URLs and style),
// with the server's claim named so that the job puts its publication in
// place only while the claim still names it; and the sbatch options that
// name the job for the lecture and put its output and error files in the
// claim's directory.
#pragma once

#include <string>
#include <vector>

#include "server/SlurmCluster.h"
#include "server/WebPublish.h"

namespace pellucor {

// What one batch job is to publish, and where its claim is.
struct JobOrder {
    std::string program;  // the pellucor executable, the same path on every node
    std::string claimDir;
    std::string claimId;
    std::string lectureName;  // as the repository names it
    std::string style;        // empty: the node's preference
    WebPublishRequest request;
};

std::string JobScriptText(const JobOrder& order);
std::vector<std::string> JobOptions(const JobOrder& order, const SlurmOptions& options);
std::string JobName(const std::string& lectureName);
// The job's output (its progress lines) and error files in a claim's directory.
std::string JobOutputPath(const std::string& claimDir, const std::string& job);
std::string JobErrorPath(const std::string& claimDir, const std::string& job);

}  // namespace pellucor
