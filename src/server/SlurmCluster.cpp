#include "server/SlurmCluster.h"

#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "core/TavUtils.h"

namespace pellucor {

namespace {

constexpr int kCommandMs = 60000;

struct Run {
    bool ok = false;  // ran and exited 0
    std::string out, err;
};

Run run(const QString& program, const std::vector<std::string>& args)
{
    QStringList list;
    for (const auto& a : args)
        list << QString::fromStdString(a);
    QProcess p;
    p.start(program, list);
    Run r;
    if (!p.waitForStarted(kCommandMs)) {
        r.err = program.toStdString() + ": " + p.errorString().toStdString();
        return r;
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(kCommandMs)) {
        p.kill();
        p.waitForFinished(1000);
        r.err = program.toStdString() + ": no answer within " + std::to_string(kCommandMs / 1000) + " s";
        return r;
    }
    r.out = p.readAllStandardOutput().toStdString();
    r.err = Trim(p.readAllStandardError().toStdString());
    r.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!r.ok && r.err.empty())
        r.err = program.toStdString() + " exited with " + std::to_string(p.exitCode());
    return r;
}

std::string field(const std::string& line, const std::string& key)
{
    const std::string at = key + "=";
    size_t pos = 0;
    while ((pos = line.find(at, pos)) != std::string::npos) {
        if (pos == 0 || line[pos - 1] == ' ') {
            const size_t start = pos + at.size();
            return line.substr(start, line.find(' ', start) - start);
        }
        pos += at.size();
    }
    return {};
}

}  // namespace

SlurmOptions SlurmOptionsFrom(const PreferenceSnapshot& prefs)
{
    auto get = [&](const char* key) { return Trim(PreferenceStore::ValueIn(prefs, key)); };
    SlurmOptions o;
    o.partition = get("prfsrvSlurmPartition");
    o.account = get("prfsrvSlurmAccount");
    o.mem = get("prfsrvSlurmMem");
    o.time = get("prfsrvSlurmTime");
    o.cpus = std::atoi(get("prfsrvSlurmCpus").c_str());
    o.maxJobs = std::max(1, std::atoi(get("prfsrvSlurmMaxJobs").c_str()));
    o.cancelOnStop = Lower(get("prfsrvCancelJobsOnStop")) == "yes";
    return o;
}

SlurmJobState::Kind SlurmCluster::KindOf(const std::string& state)
{
    using K = SlurmJobState::Kind;
    // sacct says "CANCELLED by 1000".
    const std::string s = state.substr(0, state.find(' '));
    if (s == "PENDING" || s == "CONFIGURING" || s == "REQUEUED" || s == "REQUEUE_HOLD" || s == "REQUEUE_FED"
        || s == "RESIZING" || s == "SUSPENDED")
        return K::Waiting;
    if (s == "RUNNING" || s == "COMPLETING" || s == "STAGE_OUT" || s == "SIGNALING" || s == "STOPPED")
        return K::Running;
    if (s == "COMPLETED")
        return K::Completed;
    if (s == "FAILED")
        return K::Failed;
    if (s == "CANCELLED")
        return K::Cancelled;
    if (s == "NODE_FAIL" || s == "BOOT_FAIL")
        return K::NodeFailed;
    return s.empty() ? K::Unknown : K::Ended;
}

SlurmJobState SlurmCluster::FromScontrol(const std::string& line)
{
    SlurmJobState st;
    st.state = field(line, "JobState");
    st.exitCode = field(line, "ExitCode");
    st.kind = KindOf(st.state);
    if (st.kind == SlurmJobState::Kind::Unknown)
        st.state = "no job state in: " + line.substr(0, 200);
    return st;
}

bool SlurmCluster::Submit(const std::vector<std::string>& options, const std::string& script, std::string& id,
                          std::string& err) const
{
    std::vector<std::string> args = {"--parsable"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(script);
    const Run r = run("sbatch", args);
    // "ID" or "ID;CLUSTER".
    id = Trim(r.out.substr(0, r.out.find_first_of(";\n")));
    if (r.ok && !id.empty() && id.find_first_not_of("0123456789_") == std::string::npos)
        return true;
    err = "sbatch: " + (r.err.empty() ? "no job id in its answer: " + Trim(r.out) : r.err);
    return false;
}

SlurmJobState SlurmCluster::Query(const std::string& id) const
{
    const Run r = run("scontrol", {"show", "job", "--oneliner", id});
    if (r.ok && !Trim(r.out).empty())
        return FromScontrol(r.out.substr(0, r.out.find('\n')));
    // The controller forgets a finished job after a while (MinJobAge); the
    // accounting database, where there is one, still has it.
    const Run acct
        = run("sacct", {"--noheader", "--parsable2", "--allocations", "--jobs", id, "--format", "State,ExitCode"});
    SlurmJobState st;
    if (acct.ok && !Trim(acct.out).empty()) {
        const std::string line = Trim(acct.out.substr(0, acct.out.find('\n')));
        st.state = line.substr(0, line.find('|'));
        st.exitCode = line.find('|') == std::string::npos ? "" : line.substr(line.find('|') + 1);
        st.kind = KindOf(st.state);
        return st;
    }
    if (r.err.find("Invalid job id") != std::string::npos) {
        st.kind = SlurmJobState::Kind::Lost;
        st.state = "unknown to the cluster";
    } else {
        st.state = r.err;
    }
    return st;
}

std::vector<std::string> SlurmCluster::JobsNamed(const std::string& name, const std::string& comment) const
{
    const Run r = run("squeue", {"--noheader", "--name", name, "--format", "%i %k"});
    std::vector<std::string> ids;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        const auto blank = line.find(' ');
        if (blank != std::string::npos && Trim(line.substr(blank + 1)) == comment)
            ids.push_back(line.substr(0, blank));
    }
    return ids;
}

bool SlurmCluster::Cancel(const std::string& id, std::string& err) const
{
    const Run r = run("scancel", {id});
    if (!r.ok)
        err = "scancel: " + r.err;
    return r.ok;
}

}  // namespace pellucor
