#include "server/LectureClaim.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/ProcessStart.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

long systemSeconds()
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count());
}

std::string newId()
{
    static std::atomic<long> counter {0};
    const auto ms
        = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
              .count();
    return std::to_string(ms) + "-" + std::to_string(++counter);
}

struct ParsedClaim {
    std::string host;
    long pid = 0;
    std::string start;
    long generation = 0;
    std::string id;
    bool named = false;  // the name carries the owner's start
};

std::vector<std::string> fieldsOf(const std::string& text)
{
    std::vector<std::string> out(1);
    for (char c : text)
        if (c == '+')
            out.emplace_back();
        else
            out.back() += c;
    return out;
}

// ".pellucor-claim+HOST+PID+START+GEN+ID": the owner (its host, pid and
// the start time that tells a reused pid), how many times the claim was
// taken over, and the claim's own id, kept across takeovers. The name is
// the record of ownership: taking a claim over is one rename to the new
// owner's name, so no one ever sees a new owner with an old owner's start.
std::string claimName(const ClaimOwner& owner, long generation, const std::string& id)
{
    return kClaimPrefix + owner.host + "+" + std::to_string(owner.pid) + "+" + owner.start + "+"
        + std::to_string(generation) + "+" + id;
}

bool digitsOnly(const std::string& s, size_t most)
{
    return !s.empty() && s.size() <= most && s.find_first_not_of("0123456789") == std::string::npos;
}

// Also reads the older "HOST+PID+ID" names (no start, generation 0).
bool parseClaimName(const std::string& name, ParsedClaim& out)
{
    if (!StartsWith(name, kClaimPrefix))
        return false;
    const std::vector<std::string> f = fieldsOf(name.substr(std::strlen(kClaimPrefix)));
    if ((f.size() != 3 && f.size() != 5) || f[0].empty() || !digitsOnly(f[1], 9) || f.back().empty())
        return false;
    out = ParsedClaim();
    out.host = f[0];
    out.pid = std::stol(f[1]);
    out.id = f.back();
    if (f.size() == 5) {
        if (!digitsOnly(f[2], 20) || !digitsOnly(f[3], 9))
            return false;
        out.start = f[2];
        out.generation = std::stol(f[3]);
        out.named = true;
    }
    return true;
}

long latestChange(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    // A rename marks the status change time: a claim just taken over counts
    // as fresh even before its new owner first touches it.
    return std::max(static_cast<long>(st.st_mtim.tv_sec), static_cast<long>(st.st_ctim.tv_sec));
}

// When the owner last marked progress on the claim (seconds since the epoch).
long lastProgress(const std::string& dir)
{
    return std::max(latestChange(dir), latestChange(ClaimJournal::PathIn(dir)));
}

bool ownerGone(const ParsedClaim& claim, const std::string& dir, int staleSeconds)
{
    const ClaimOwner& self = ClaimOwner::Self();
    if (claim.host != self.host)
        return LectureClaim::Clock()() - lastProgress(dir) > staleSeconds;
    if (::kill(static_cast<pid_t>(claim.pid), 0) != 0 && errno == ESRCH)
        return true;
    // The pid runs, but it may be another process that was given the pid
    // after the owner died.
    const std::string running = ProcessStartTicks(claim.pid);
    if (running.empty())
        return false;
    if (claim.named)
        return running != claim.start;
    // An older claim name: the pid was reused when its process started after
    // the claim last showed progress.
    return ProcessStartEpoch(running) > lastProgress(dir) + 1;
}

// A rename over NFS may be retried after a lost reply and then fail with
// ENOENT although it was done: it counts as done when the target is there.
bool renamedTo(int rc, const std::string& to)
{
    struct stat st { };
    return rc == 0 || (rc == ENOENT && ::lstat(to.c_str(), &st) == 0);
}

}  // namespace

const ClaimOwner& ClaimOwner::Self()
{
    static const ClaimOwner self = [] {
        ClaimOwner o;
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        for (const char* c = host; *c; ++c)
            o.host += (std::isalnum(static_cast<unsigned char>(*c)) || *c == '.' || *c == '-') ? *c : '_';
        if (o.host.empty())
            o.host = "localhost";
        o.pid = static_cast<long>(::getpid());
        o.start = ProcessStartTicks(o.pid);
        if (o.start.empty())
            o.start = "0";  // no /proc: the pid alone tells whether the owner lives
        return o;
    }();
    return self;
}

bool LectureClaim::IsClaimName(const std::string& name)
{
    ParsedClaim parsed;
    return parseClaimName(name, parsed);
}

std::function<long()>& LectureClaim::Clock()
{
    static std::function<long()> clock = systemSeconds;
    return clock;
}

LectureClaim::Result LectureClaim::Claim(const std::string& incoming, const std::string& rel, const std::string& name,
                                         LectureClaim& out, std::string& err)
{
    out = LectureClaim();
    out.incoming_ = Tav_DirSlash(incoming);
    out.id_ = newId();
    out.dir_ = out.incoming_ + rel + claimName(ClaimOwner::Self(), 0, out.id_);
    out.journal.name = name;
    out.journal.rel = rel;
    out.journal.ownerStart = ClaimOwner::Self().start;
    std::error_code ec;
    if (!fs::create_directory(out.dir_, ec)) {
        err = out.dir_ + ": " + (ec ? ec.message() : std::string("already exists"));
        return Result::Failed;
    }
    // The journal comes first, so that a claim never holds a lecture whose
    // original name is unknown.
    if (!out.journal.Write(out.dir_, err)) {
        fs::remove_all(out.dir_, ec);
        return Result::Failed;
    }
    const std::string ready = out.incoming_ + rel + name;
    const int rc = std::rename(ready.c_str(), out.LecturePath().c_str()) == 0 ? 0 : errno;
    if (renamedTo(rc, out.LecturePath()))
        return Result::Taken;
    fs::remove_all(out.dir_, ec);
    if (rc == ENOENT)
        return Result::Lost;
    err = std::strerror(rc);
    return Result::Failed;
}

LectureClaim::Result LectureClaim::Adopt(const std::string& incoming, const std::string& rel,
                                         const std::string& claimName_, int staleSeconds, LectureClaim& out,
                                         std::string& err)
{
    ParsedClaim parsed;
    if (!parseClaimName(claimName_, parsed))
        return Result::Lost;
    out = LectureClaim();
    out.incoming_ = Tav_DirSlash(incoming);
    out.id_ = parsed.id;
    const std::string found = out.incoming_ + rel + claimName_;
    const ClaimOwner& self = ClaimOwner::Self();
    out.generation_ = parsed.generation;
    if (parsed.host == self.host && parsed.pid == self.pid && (!parsed.named || parsed.start == self.start)) {
        out.dir_ = found;
    } else {
        if (!ownerGone(parsed, found, staleSeconds))
            return Result::Lost;
        out.generation_ = parsed.generation + 1;
        out.dir_ = out.incoming_ + rel + claimName(self, out.generation_, parsed.id);
        const int rc = std::rename(found.c_str(), out.dir_.c_str()) == 0 ? 0 : errno;
        if (!renamedTo(rc, out.dir_)) {
            if (rc == ENOENT)
                return Result::Lost;
            err = found + ": " + std::strerror(rc);
            return Result::Failed;
        }
    }
    if (!out.journal.Read(out.dir_)) {
        // Killed between creating the claim and writing its journal: the
        // lecture was never moved into it.
        out.journal = ClaimJournal();
    }
    if (out.journal.name.size() < 3)
        out.journal.name = "x-unnamed-" + parsed.id;  // never written by a claim; kept safe
    out.journal.rel = rel;
    out.journal.ownerStart = self.start;
    return Result::Taken;
}

std::string LectureClaim::ReadyPath() const { return incoming_ + journal.rel + journal.name; }

std::string LectureClaim::CopyPathFor(const std::string& dest) const
{
    const fs::path d = fs::path(dest);
    return (d.parent_path()
            / (".pellucor-copy+" + ClaimOwner::Self().host + "+" + std::to_string(ClaimOwner::Self().pid) + "+" + id_))
        .string();
}

bool LectureClaim::Save(ClaimStep step, std::string& err)
{
    journal.step = step;
    return journal.Write(dir_, err);
}

bool LectureClaim::StillOwned() const
{
    struct stat st { };
    return ::lstat(dir_.c_str(), &st) == 0;
}

bool LectureClaim::TakenOver() const { return !finished_ && !dir_.empty() && !StillOwned(); }

std::string LectureClaim::TakeoverReason() const { return "claim taken over by " + Holder(); }

std::string LectureClaim::Holder() const
{
    const fs::path parent = fs::path(dir_).parent_path();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(parent, ec)) {
        ParsedClaim parsed;
        if (parseClaimName(entry.path().filename().string(), parsed) && parsed.id == id_
            && entry.path().string() != dir_)
            return parsed.host;
    }
    return "another server";
}

bool LectureClaim::Finish(std::string& err)
{
    finished_ = true;
    // Only an emptied claim is removed: a lecture still in it is never lost.
    struct stat st { };
    if (::lstat(LecturePath().c_str(), &st) == 0) {
        err = LecturePath() + " is still in the claim";
        return false;
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir_, ec)) {
        const std::string name = entry.path().filename().string();
        if (name == "job.sh" || StartsWith(name, "job-"))
            fs::remove(entry.path(), ec);
    }
    ::unlink((ClaimJournal::PathIn(dir_) + ".new").c_str());
    ::unlink(ClaimJournal::PathIn(dir_).c_str());
    if (::rmdir(dir_.c_str()) != 0 && errno != ENOENT) {
        err = dir_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace pellucor
