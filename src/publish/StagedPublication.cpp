#include "publish/StagedPublication.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "core/ProcessStart.h"
#include "core/RecordingKinds.h"
#include "core/TavUtils.h"
#include "publish/OutputChecks.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

// A staging directory that a script run by hand will install carries this.
constexpr const char* kKeptMark = ".pellucor-kept";

std::string hostName()
{
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0)
        return "host";
    std::string h = buf;
    for (char& c : h)
        if (c == '+' || c == '/')
            c = '_';
    return h;
}

// The names beside the output carry a short hash of its name, so that an
// output whose own name is near the file system's limit still gets them.
std::string outputKey(const fs::path& output)
{
    uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : output.filename().string())
        h = (h ^ c) * 1099511628211ULL;
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

// ".pellucor-stage+KEY+HOST+PID" or ".pellucor-old+KEY+HOST+PID".
std::string besideName(const char* kind, const fs::path& output, long pid)
{
    return std::string(".pellucor-") + kind + "+" + outputKey(output) + "+" + hostName() + "+" + std::to_string(pid);
}

// Whether the publish that made a directory beside the output has ended:
// no process has its pid, or the one that has it started after the
// directory last changed (the pid was given again after that publish died).
// A staging changes when its publish writes into it; a set-aside
// publication when it was renamed (its status change time).
bool processGone(long pid, const fs::path& dir, bool setAside)
{
    if (pid <= 0)
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return true;
    struct stat st { };
    const std::string ticks = ProcessStartTicks(pid);
    if (ticks.empty() || ::stat(dir.c_str(), &st) != 0)
        return false;
    const long changed = setAside ? st.st_ctim.tv_sec : st.st_mtim.tv_sec;
    return ProcessStartEpoch(ticks) > changed + 1;
}

// Puts right what dead publishes of output left beside it: an old
// publication set aside by a crash between two renames goes back in place
// (the new one never got there); stagings are removed.
void recoverBeside(const fs::path& output)
{
    const std::string prefixOld = ".pellucor-old+" + outputKey(output) + "+" + hostName() + "+";
    const std::string prefixStage = ".pellucor-stage+" + outputKey(output) + "+" + hostName() + "+";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(output.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        const bool old = StartsWith(name, prefixOld);
        if (!old && !StartsWith(name, prefixStage))
            continue;
        const long pid = std::atol(name.substr((old ? prefixOld : prefixStage).size()).c_str());
        std::error_code e;
        const bool kept = fs::exists(entry.path() / kKeptMark, e);
        if (pid == ::getpid() || (!kept && !processGone(pid, entry.path(), old)))
            continue;
        if (old && !fs::exists(output, e)) {
            Tav_DebugLog("Putting back the publication a dead publish set aside: " + entry.path().string());
            fs::rename(entry.path(), output, e);
            continue;
        }
        Tav_DebugLog("Removing what a dead publish left: " + entry.path().string());
        fs::remove_all(entry.path(), e);
    }
}

// The script names the directory it ran in: once that directory is the
// output, it names the output, so that running it again works there.
void retargetScript(const fs::path& staging, const fs::path& output)
{
    const fs::path script = staging / "process.bat";
    std::ifstream in(script, std::ios::binary);
    if (!in)
        return;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    auto escaped = [](const fs::path& p) { return ReplaceAll(Tav_DirSlash(p.string()), "'", "'\\''"); };
    const std::string from = escaped(staging);
    if (text.find(from) == std::string::npos)
        return;
    text = ReplaceAll(text, from, escaped(output));
    const fs::path temp = staging / ".process.bat.new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out)
            return;
    }
    std::error_code ec;
    fs::permissions(temp, fs::status(script, ec).permissions(), ec);
    // A script still running keeps reading the file it opened.
    fs::rename(temp, script, ec);
}

void syncDir(const fs::path& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string StagedPublication::Resolve(const std::string& output)
{
    std::error_code ec;
    fs::path p = fs::path(Trim(output)).lexically_normal();
    if (p.has_filename() == false)
        p = p.parent_path();
    const fs::path real = fs::weakly_canonical(fs::absolute(p, ec), ec);
    return Tav_DirSlash((ec ? p : real).string());
}

StagedPublication::StagedPublication(const std::string& output) : output_(Resolve(output)) { }

StagedPublication::~StagedPublication()
{
    if (!done_ && !kept_)
        Discard();
}

bool StagedPublication::Create(std::string& err)
{
    const fs::path out = fs::path(output_).parent_path();
    recoverBeside(out);
    std::error_code ec;
    fs::create_directories(out.parent_path(), ec);
    if (ec) {
        err = "Unable to create " + out.parent_path().string() + ": " + ec.message();
        return false;
    }
    const fs::path staging = out.parent_path() / besideName("stage", out, ::getpid());
    fs::remove_all(staging, ec);
    if (!fs::create_directory(staging, ec) || ec) {
        err = "Unable to create " + staging.string() + ": " + (ec ? ec.message() : std::string("it exists"));
        return false;
    }
    dir_ = Tav_DirSlash(staging.string());
    return true;
}

void StagedPublication::Keep()
{
    kept_ = true;
    std::ofstream(Join(dir_, kKeptMark)) << "installed by the end of its process.bat\n";
}

bool StagedPublication::Check(const std::string& staging, const MediaCheck& checkMedia, std::string& err)
{
    std::ifstream log(Join(staging, "log.log"), std::ios::binary);
    std::string line;
    std::getline(log, line);
    if (Trim(line) != "All Done") {
        err = "process.bat did not finish in " + staging + (line.empty() ? "" : ": " + Trim(line));
        return false;
    }
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(staging, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string ext = Lower(it->path().extension().string());
        if (!it->is_regular_file() || !(IsRecordingName(name) || ext == ".rm" || ext == ".ra"))
            continue;
        // An HLS presentation's init sections and segments play only
        // together, through their playlist.
        if (Lower(it->path().parent_path().extension().string()) == ".hls")
            continue;
        if (checkMedia && !checkMedia(it->path().string(), err))
            return false;
    }
    if (ec) {
        err = "cannot list " + staging + ": " + ec.message();
        return false;
    }
    return true;
}

void StagedPublication::Discard()
{
    if (dir_.empty() || done_)
        return;
    std::error_code ec;
    fs::remove_all(dir_, ec);
    Tav_DebugLog("Staging removed: " + dir_);
    done_ = true;
}

bool StagedPublication::TakeRestOfOutput(std::string& err)
{
    const fs::path from = fs::path(output_).parent_path();
    const fs::path to = fs::path(dir_).parent_path();
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(from, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path rel = it->path().lexically_relative(from);
        const fs::path target = to / rel;
        std::error_code e;
        if (rel == kManifestName || fs::exists(fs::symlink_status(target, e)))
            continue;
        if (it->is_directory(e)) {
            fs::create_directory(target, e);
        } else if (it->is_symlink(e)) {
            fs::copy_symlink(it->path(), target, e);
        } else {
            fs::create_hard_link(it->path(), target, e);
            if (e) {  // a file system without links
                e.clear();
                fs::copy_file(it->path(), target, e);
            }
        }
        if (e) {
            err = "Unable to take " + it->path().string() + " into " + target.string() + ": " + e.message();
            return false;
        }
    }
    if (ec) {
        err = "cannot list " + from.string() + ": " + ec.message();
        return false;
    }
    return true;
}

bool StagedPublication::Install(std::string& err)
{
    if (!InstallDir(dir_, output_, err))
        return false;
    done_ = true;
    return true;
}

bool StagedPublication::InstallDir(const std::string& stagingText, const std::string& outputText, std::string& err)
{
    const fs::path staging = fs::path(Tav_DirSlash(stagingText)).parent_path();
    const fs::path output = fs::path(Resolve(outputText)).parent_path();
    std::error_code ec;
    fs::remove(staging / kKeptMark, ec);
    retargetScript(staging, output);
    if (!WriteManifest(staging.string(), err))
        return false;
    const bool replacing = fs::exists(output, ec);
    if (!replacing) {
        if (::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, output.c_str(), RENAME_NOREPLACE) != 0
            && (errno != EINVAL || ::rename(staging.c_str(), output.c_str()) != 0)) {
            err = "Unable to put the publication in place at " + output.string() + ": " + SystemError(errno);
            return false;
        }
        syncDir(output.parent_path());
        return true;
    }
    fs::path old = staging;  // after the exchange it holds the previous publication
    if (::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, output.c_str(), RENAME_EXCHANGE) != 0) {
        if (errno != EINVAL && errno != ENOSYS) {
            err = "Unable to put the publication in place at " + output.string() + ": " + SystemError(errno);
            return false;
        }
        // No exchange on this file system: set the old one aside, then move
        // the new one in (a crash between the two is put right by the next
        // publish of this output).
        old = output.parent_path() / besideName("old", output, ::getpid());
        if (::rename(output.c_str(), old.c_str()) != 0) {
            err = "Unable to set " + output.string() + " aside: " + SystemError(errno);
            return false;
        }
        if (::rename(staging.c_str(), output.c_str()) != 0) {
            err = "Unable to put the publication in place at " + output.string() + ": " + SystemError(errno);
            ::rename(old.c_str(), output.c_str());
            return false;
        }
    }
    syncDir(output.parent_path());
    fs::remove_all(old, ec);
    if (ec)
        Tav_DebugLog("The previous publication could not be removed entirely: " + old.string() + " - " + ec.message());
    return true;
}

}  // namespace pellucor
