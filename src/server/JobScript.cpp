#include "server/JobScript.h"

#include "core/TavUtils.h"
#include "publish/BatchScript.h"

namespace pellucor {

namespace {

// sbatch reads "%" in a file name as the start of a pattern ("%j").
std::string literalPattern(const std::string& path) { return ReplaceAll(path, "%", "%%"); }

std::string withoutSlash(const std::string& dir)
{
    return dir.size() > 1 && dir.back() == '/' ? dir.substr(0, dir.size() - 1) : dir;
}

}  // namespace

std::string JobName(const std::string& lectureName) { return "pellucor-" + lectureName; }

std::string JobOutputPath(const std::string& claimDir, const std::string& job)
{
    return claimDir + "/job-" + job + ".out";
}

std::string JobErrorPath(const std::string& claimDir, const std::string& job)
{
    return claimDir + "/job-" + job + ".err";
}

std::string JobScriptText(const JobOrder& order)
{
    const WebPublishRequest& r = order.request;
    std::string line = "exec " + ShellQuote(order.program) + " publish --web " + ShellQuote(withoutSlash(r.pubDir));
    if (!r.webURL.empty())
        line += " --url " + ShellQuote(r.webURL);
    if (!r.streamURL.empty())
        line += " --stream " + ShellQuote(r.streamURL);
    if (!order.style.empty())
        line += " --style " + ShellQuote(order.style);
    if (!r.courseRoot.empty())
        line += " --course-root " + ShellQuote(withoutSlash(r.courseRoot));
    line += " --claim " + ShellQuote(order.claimDir) + " " + ShellQuote(withoutSlash(r.lectureDir));
    return "#!/bin/sh\n"
           "# Publishes "
        + ReplaceAll(order.lectureName, "\n", " ") + " for a Pellucor server; written by it.\n" + line + "\n";
}

std::vector<std::string> JobOptions(const JobOrder& order, const SlurmOptions& options)
{
    // The output file gets the job's id by sbatch's own pattern.
    std::vector<std::string> args = {
        "--job-name=" + JobName(order.lectureName),
        "--comment=" + order.claimId,
        "--output=" + literalPattern(order.claimDir) + "/job-%j.out",
        "--error=" + literalPattern(order.claimDir) + "/job-%j.err",
        "--chdir=" + withoutSlash(order.request.lectureDir),
        "--nodes=1",
        "--ntasks=1",
        // A job started again by the cluster could publish a lecture the
        // server has already given up: the server resubmits itself.
        "--no-requeue",
    };
    if (!options.partition.empty())
        args.push_back("--partition=" + options.partition);
    if (!options.account.empty())
        args.push_back("--account=" + options.account);
    if (options.cpus > 0)
        args.push_back("--cpus-per-task=" + std::to_string(options.cpus));
    if (!options.mem.empty())
        args.push_back("--mem=" + options.mem);
    if (!options.time.empty())
        args.push_back("--time=" + options.time);
    return args;
}

}  // namespace pellucor
