// The Slurm commands the server runs to hand a lecture's publish to a
// cluster: sbatch to submit a job script, scontrol (or sacct, once the
// controller has forgotten a finished job) to follow it, squeue to find a
// claim's jobs and scancel to stop one. Each is a short run of the client
// program against the cluster named by the environment (SLURM_CONF).
#pragma once

#include <string>
#include <vector>

#include "core/PreferenceStore.h"

namespace pellucor {

// What the server asks of every job.
struct SlurmOptions {
    std::string partition, account, mem, time;  // empty: the cluster's default
    int cpus = 0;                               // CPUs per job; 0: the cluster's default
    int maxJobs = 4;                            // jobs submitted at once
    bool cancelOnStop = false;                  // the server's SIGTERM cancels its jobs
};

// The options as the server preferences hold them (prfsrvSlurm...).
SlurmOptions SlurmOptionsFrom(const PreferenceSnapshot& prefs);

struct SlurmJobState {
    enum class Kind {
        Unknown,  // the cluster could not be asked (the reason in state)
        Lost,     // the cluster knows no such job
        Waiting,  // pending, or started again after a node failure
        Running,  // running, or its processes are being ended
        Completed,
        Failed,     // ended with a non-zero exit code
        Cancelled,  // scancel
        NodeFailed,
        Ended,  // timed out, out of memory, pre-empted and the like
    };
    Kind kind = Kind::Unknown;
    std::string state;     // as Slurm names it ("FAILED", "NODE_FAIL"), or why it is unknown
    std::string exitCode;  // "code:signal"
    bool Finished() const { return kind >= Kind::Completed; }
};

class SlurmCluster {
public:
    // Submits script with the options of the job before it; the job's id.
    bool Submit(const std::vector<std::string>& options, const std::string& script, std::string& id,
                std::string& err) const;
    SlurmJobState Query(const std::string& id) const;
    // The ids of the jobs of that name and comment not yet finished.
    std::vector<std::string> JobsNamed(const std::string& name, const std::string& comment) const;
    bool Cancel(const std::string& id, std::string& err) const;

    // Reads one line of "scontrol show job --oneliner" (for the tests).
    static SlurmJobState FromScontrol(const std::string& line);
    static SlurmJobState::Kind KindOf(const std::string& state);
};

}  // namespace pellucor
