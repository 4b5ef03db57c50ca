// The server's batch jobs: each lecture taken into the repository
// is published by a Slurm job instead of in this process. The server stays
// the intake; this follows every job it submitted (its state, its progress
// lines) once a second, finishes the lecture when its job completed and
// the publication is in place, and sends it back to the incoming tree as
// "e-" + name when the job failed, was cancelled or ran out of time (after
// a node failure the job is submitted once more). Each claim stays held
// and its heartbeat kept while its job runs; the job's id is in the claim's
// journal, so a server started again follows the jobs it left running.
#pragma once

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "server/SlurmCluster.h"
#include "server/WebPublish.h"

namespace pellucor {

class ClaimHeartbeat;
class LectureClaim;
class IncomingPublisher;
struct SlurmJobState;

class SlurmDispatch : public QObject {
    Q_OBJECT
public:
    SlurmDispatch(IncomingPublisher& engine, SlurmOptions options, std::string program);
    ~SlurmDispatch() override;

    // A lecture in the repository, its claim held: follows the job its
    // journal names while that job has not ended, else submits one.
    void Publish(std::unique_ptr<LectureClaim> claim, std::unique_ptr<ClaimHeartbeat> heartbeat,
                 const WebPublishRequest& request, const std::string& style);
    // No more jobs may be submitted now.
    bool Full() const { return static_cast<int>(jobs_.size()) >= options_.maxJobs; }
    int Count() const { return static_cast<int>(jobs_.size()); }
    // Whether a claim directory is one of the jobs followed here.
    bool Follows(const std::string& claimDir) const;
    // At the end of the run: the jobs are left to finish (a server started
    // again follows them), or cancelled when the options say so (a server
    // started again submits them afresh).
    void Stop();
    // Checks every job once (the timer does it every second).
    void Poll();

private:
    struct Job;
    bool submit(Job& job);
    void progress(Job& job);
    void ended(Job& job, const SlurmJobState& state);
    bool completed(Job& job, std::string& why);
    void failed(Job& job, const std::string& why);
    void drop(Job& job, bool ok);
    bool save(Job& job);

    IncomingPublisher& engine_;
    SlurmOptions options_;
    std::string program_;
    SlurmCluster cluster_;
    std::vector<std::unique_ptr<Job>> jobs_;
    QTimer timer_;
};

}  // namespace pellucor
