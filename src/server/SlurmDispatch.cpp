#include "server/SlurmDispatch.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/TavUtils.h"
#include "server/ClaimHeartbeat.h"
#include "server/HtmlText.h"
#include "server/IncomingPublisher.h"
#include "server/JobScript.h"
#include "server/LectureClaim.h"
#include "server/LectureIntake.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

constexpr int kErrorTailLines = 12;
constexpr int kResubmitsAfterNodeFailure = 1;

std::vector<std::string> linesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        // A bar drawn with carriage returns keeps only its last state.
        const auto cr = line.find_last_of('\r', line.size() > 1 ? line.size() - 2 : 0);
        if (cr != std::string::npos && cr + 1 < line.size())
            line = line.substr(cr + 1);
        line = Trim(line);
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

}  // namespace

struct SlurmDispatch::Job {
    std::unique_ptr<LectureClaim> claim;
    std::unique_ptr<ClaimHeartbeat> heartbeat;
    WebPublishRequest request;
    std::string style;
    std::string name;  // the lecture's name in the repository
    std::string id;    // the batch job's
    std::string status, percent;
    size_t statusLines = 0;   // of the job's output, logged so far
    std::string unreachable;  // why the cluster could not be asked, as last logged
    bool done = false;
};

SlurmDispatch::SlurmDispatch(IncomingPublisher& engine, SlurmOptions options, std::string program)
    : engine_(engine), options_(std::move(options)), program_(std::move(program))
{
    options_.maxJobs = std::max(1, options_.maxJobs);
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &SlurmDispatch::Poll);
}

SlurmDispatch::~SlurmDispatch() = default;

bool SlurmDispatch::Follows(const std::string& claimDir) const
{
    return std::any_of(jobs_.begin(), jobs_.end(),
                       [&](const auto& j) { return !j->done && j->claim->Dir() == claimDir; });
}

void SlurmDispatch::Publish(std::unique_ptr<LectureClaim> claim, std::unique_ptr<ClaimHeartbeat> heartbeat,
                            const WebPublishRequest& request, const std::string& style)
{
    auto owned = std::make_unique<Job>();
    Job& job = *owned;
    job.claim = std::move(claim);
    job.heartbeat = std::move(heartbeat);
    job.request = request;
    job.style = style;
    job.name = fs::path(job.claim->journal.dest).filename().string();
    job.id = job.claim->journal.job;
    jobs_.push_back(std::move(owned));
    timer_.start();
    if (job.id.empty()) {
        // A server stopped between submitting and writing the journal left
        // a job that would only find itself fenced out: it is cancelled.
        for (const std::string& orphan : cluster_.JobsNamed(JobName(job.name), job.claim->Id())) {
            std::string err;
            cluster_.Cancel(orphan, err);
            engine_.ServerLog("Cancelled job " + orphan + " of " + job.request.lectureDir
                              + " - its server stopped before it noted the job");
        }
        submit(job);
        return;
    }
    const SlurmJobState state = cluster_.Query(job.id);
    using K = SlurmJobState::Kind;
    if (state.kind == K::Waiting) {
        // Submitted under the claim's earlier name, where its output files
        // would have been: submitted again under this one.
        std::string err;
        cluster_.Cancel(job.id, err);
        engine_.ServerLog("Job " + job.id + " of " + job.request.lectureDir + " had not started - submitted again");
        job.claim->journal.job.clear();
        submit(job);
        return;
    }
    if (state.kind == K::Lost) {
        engine_.ServerLog("Job " + job.id + " of " + job.request.lectureDir
                          + " is unknown to the cluster - submitted again");
        job.claim->journal.job.clear();
        submit(job);
        return;
    }
    engine_.ServerLog("Following job " + job.id + " - " + job.request.lectureDir);
    if (state.Finished())
        ended(job, state);
}

bool SlurmDispatch::save(Job& job)
{
    std::string err;
    if (job.claim->Save(ClaimStep::Publishing, err))
        return true;
    engine_.ServerLog("Error - cannot write the journal of " + job.request.lectureDir + " - " + err);
    return false;
}

bool SlurmDispatch::submit(Job& job)
{
    JobOrder order {program_, job.claim->Dir(), job.claim->Id(), job.name, job.style, job.request};
    const std::string script = job.claim->Dir() + "/job.sh";
    std::string err;
    {
        std::ofstream out(script, std::ios::binary | std::ios::trunc);
        out << JobScriptText(order);
        if (!out.flush())
            err = script + ": cannot be written";
    }
    std::string id;
    if (!err.empty() || !cluster_.Submit(JobOptions(order, options_), script, id, err)) {
        failed(job, "the job could not be submitted - " + err);
        return false;
    }
    job.id = id;
    job.status.clear();
    job.percent.clear();
    job.statusLines = 0;  // a job submitted again writes a new output
    job.claim->journal.job = id;
    save(job);
    engine_.ServerLog("Submitted job " + id + " - " + job.request.lectureDir);
    return true;
}

void SlurmDispatch::Poll()
{
    // By index: a receiver of lectureDone may hand over another lecture.
    for (size_t i = 0; i < jobs_.size(); ++i) {
        Job& job = *jobs_[i];
        if (job.done)
            continue;
        if (job.claim->TakenOver()) {
            // The job finds the claim no longer names it and keeps out.
            engine_.ServerLog("Gave up " + job.request.lectureDir + " - " + job.claim->TakeoverReason());
            drop(job, false);
            continue;
        }
        progress(job);
        const SlurmJobState state = cluster_.Query(job.id);
        if (state.kind == SlurmJobState::Kind::Unknown) {
            if (state.state != job.unreachable)
                engine_.ServerLog("Warning - job " + job.id + " cannot be followed now - " + state.state);
            job.unreachable = state.state;
            continue;
        }
        job.unreachable.clear();
        if (state.Finished() || state.kind == SlurmJobState::Kind::Lost)
            ended(job, state);
    }
    jobs_.erase(std::remove_if(jobs_.begin(), jobs_.end(), [](const auto& j) { return j->done; }), jobs_.end());
    if (jobs_.empty())
        timer_.stop();
}

// The job's step and percent, from the lines its publish prints.
void SlurmDispatch::progress(Job& job)
{
    // Every step the job printed since the last look is logged, not only
    // the last: a quick publish passes several between two looks.
    std::string status = job.status, percent;
    size_t statusLines = 0;
    for (const std::string& line : linesOf(JobOutputPath(job.claim->Dir(), job.id))) {
        if (StartsWith(line, "Publishing: ")) {
            percent = line.substr(12);
        } else if (!StartsWith(line, "Published for") && statusLines++ >= job.statusLines) {
            if (!line.empty() && line != status)
                engine_.WriteLogLine(HtmlEscape(engine_.Now() + " Job " + job.id + " - " + job.name + " - " + line));
            status = line;
        }
    }
    job.statusLines = std::max(job.statusLines, statusLines);
    if (status == job.status && percent == job.percent)
        return;
    job.status = status;
    job.percent = percent;
    engine_.status = "Job " + job.id + " " + job.name + ": " + (percent.empty() ? "0%" : percent)
        + (status.empty() ? "" : " - " + status);
    emit engine_.changed();
}

void SlurmDispatch::ended(Job& job, const SlurmJobState& state)
{
    progress(job);
    using K = SlurmJobState::Kind;
    std::string why;
    if (state.kind == K::Completed) {
        if (completed(job, why))
            return;
        failed(job, "job " + job.id + " completed, but " + why);
        return;
    }
    if ((state.kind == K::NodeFailed || state.kind == K::Lost)
        && job.claim->journal.resubmits < kResubmitsAfterNodeFailure) {
        ++job.claim->journal.resubmits;
        engine_.ServerLog("Job " + job.id + " of " + job.request.lectureDir + " ended by "
                          + (state.kind == K::Lost ? "the cluster losing it" : state.state) + " - submitted again");
        job.claim->journal.job.clear();
        submit(job);
        return;
    }
    failed(job, "job " + job.id + " " + state.state + (state.exitCode.empty() ? "" : ", exit code " + state.exitCode));
}

bool SlurmDispatch::completed(Job& job, std::string& why)
{
    // The publish says where it put the publication once it is in place.
    const auto lines = linesOf(JobOutputPath(job.claim->Dir(), job.id));
    const bool said = std::any_of(lines.begin(), lines.end(),
                                  [](const std::string& l) { return StartsWith(l, "Published for the web: "); });
    const std::string index = Tav_DirSlash(job.request.pubDir) + "index.htm";
    std::error_code ec;
    if (!said || !fs::is_regular_file(index, ec) || fs::file_size(index, ec) == 0) {
        why = !said ? "it did not report its publication in place" : index + " is missing";
        return false;
    }
    std::string err;
    if (!job.claim->Save(ClaimStep::Published, err))
        engine_.ServerLog("Error - cannot write the journal of " + job.request.lectureDir + " - " + err);
    if (engine_.HoldBackInaccessible(job.claim.get(), job.request.pubDir)) {
        drop(job, false);
        return true;
    }
    engine_.WriteIndexPage();
    if (!job.claim->Save(ClaimStep::Indexed, err))
        engine_.ServerLog("Error - cannot write the journal of " + job.request.lectureDir + " - " + err);
    engine_.phase = "Complete - " + job.request.lectureDir;
    engine_.Completed(job.request.pubDir, job.request.webURL);
    if (!job.claim->Finish(err))
        engine_.ServerLog("Error - unable to remove the claim " + job.claim->Dir() + " - " + err);
    drop(job, true);
    return true;
}

void SlurmDispatch::failed(Job& job, const std::string& why)
{
    engine_.ServerLog("Publish failed - " + job.request.lectureDir + " - " + why);
    if (!job.id.empty()) {
        const auto lines = linesOf(JobErrorPath(job.claim->Dir(), job.id));
        const size_t from = lines.size() > kErrorTailLines ? lines.size() - kErrorTailLines : 0;
        for (size_t i = from; i < lines.size(); ++i)
            engine_.WriteLogLine(HtmlEscape("Job " + job.id + " error: " + lines[i]));
    }
    LectureIntake intake(engine_.dirs.repository, [this](const std::string& text) { engine_.ServerLog(text); });
    intake.ReturnFailed(*job.claim);
    drop(job, false);
}

void SlurmDispatch::drop(Job& job, bool ok)
{
    job.done = true;
    job.heartbeat.reset();
    emit engine_.lectureDone(ok);
}

void SlurmDispatch::Stop()
{
    for (const auto& owned : jobs_) {
        Job& job = *owned;
        if (job.done || job.id.empty())
            continue;
        if (!options_.cancelOnStop) {
            engine_.ServerLog("Left job " + job.id + " running - " + job.request.lectureDir);
            continue;
        }
        std::string err;
        if (cluster_.Cancel(job.id, err)) {
            job.claim->journal.job.clear();
            save(job);
            engine_.ServerLog("Cancelled job " + job.id + " - " + job.request.lectureDir);
        } else {
            engine_.ServerLog("Error - job " + job.id + " could not be cancelled - " + err);
        }
    }
    jobs_.clear();
    timer_.stop();
}

}  // namespace pellucor

#include "moc_SlurmDispatch.cpp"
