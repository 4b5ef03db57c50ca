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

#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

constexpr const char* kClaimPrefix = ".pellucor-claim+";

// Field 22 of /proc/PID/stat: the start time in clock ticks since boot.
std::string processStart(long pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text))
        return {};
    const auto paren = text.rfind(')');
    if (paren == std::string::npos)
        return {};
    std::istringstream fields(text.substr(paren + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22)
            return field;
    return {};
}

long nowSeconds()
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count());
}

std::string newId()
{
    static std::atomic<long> counter{0};
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    return std::to_string(ms) + "-" + std::to_string(++counter);
}

std::string claimName(const ClaimOwner& owner, const std::string& id)
{
    return kClaimPrefix + owner.host + "+" + std::to_string(owner.pid) + "+" + id;
}

struct ParsedClaim {
    std::string host;
    long pid = 0;
    std::string id;
};

bool parseClaimName(const std::string& name, ParsedClaim& out)
{
    if (!Tav_StartsWith(name, kClaimPrefix))
        return false;
    const std::string rest = name.substr(std::strlen(kClaimPrefix));
    const auto a = rest.find('+');
    const auto b = a == std::string::npos ? a : rest.find('+', a + 1);
    if (b == std::string::npos || a == 0)
        return false;
    out.host = rest.substr(0, a);
    const std::string pid = rest.substr(a + 1, b - a - 1);
    out.id = rest.substr(b + 1);
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || out.id.empty() ||
        out.id.find('+') != std::string::npos || pid.size() > 9)
        return false;
    out.pid = std::stol(pid);
    return true;
}

// Seconds since the owner last marked progress on the claim.
long secondsSinceProgress(const std::string& dir)
{
    long latest = 0;
    for (const std::string& p : {dir, ClaimJournal::PathIn(dir)}) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0)
            latest = std::max(latest, static_cast<long>(st.st_mtim.tv_sec));
    }
    return nowSeconds() - latest;
}

bool ownerGone(const ParsedClaim& claim, const std::string& dir, int staleSeconds)
{
    const ClaimOwner& self = ClaimOwner::Self();
    if (claim.host != self.host)
        return secondsSinceProgress(dir) > staleSeconds;
    if (::kill(static_cast<pid_t>(claim.pid), 0) != 0 && errno == ESRCH)
        return true;
    // The pid runs, but it may be another process that was given the pid
    // after the owner died.
    ClaimJournal journal;
    if (journal.Read(dir) && !journal.ownerStart.empty())
        return processStart(claim.pid) != journal.ownerStart;
    return false;
}

// A rename over NFS may be retried after a lost reply and then fail with
// ENOENT although it was done: it counts as done when the target is there.
bool renamedTo(int rc, const std::string& to)
{
    struct stat st {};
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
        o.start = processStart(o.pid);
        return o;
    }();
    return self;
}

bool LectureClaim::IsClaimName(const std::string& name)
{
    ParsedClaim parsed;
    return parseClaimName(name, parsed);
}

LectureClaim::Result LectureClaim::Claim(const std::string& incoming, const std::string& rel, const std::string& name,
                                         LectureClaim& out, std::string& err)
{
    out = LectureClaim();
    out.incoming_ = Tav_DirSlash(incoming);
    out.id_ = newId();
    out.dir_ = out.incoming_ + rel + claimName(ClaimOwner::Self(), out.id_);
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
    if (parsed.host == self.host && parsed.pid == self.pid) {
        out.dir_ = found;
    } else {
        if (!ownerGone(parsed, found, staleSeconds))
            return Result::Lost;
        out.dir_ = out.incoming_ + rel + claimName(self, parsed.id);
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
    return (d.parent_path() / (".pellucor-copy+" + ClaimOwner::Self().host + "+" +
                               std::to_string(ClaimOwner::Self().pid) + "+" + id_))
        .string();
}

bool LectureClaim::Save(ClaimStep step, std::string& err)
{
    journal.step = step;
    lastTouch_ = nowSeconds();
    return journal.Write(dir_, err);
}

void LectureClaim::Touch()
{
    const long now = nowSeconds();
    if (now == lastTouch_)
        return;
    lastTouch_ = now;
    ClaimJournal::Touch(dir_);
}

bool LectureClaim::StillOwned() const
{
    struct stat st {};
    return ::lstat(dir_.c_str(), &st) == 0;
}

bool LectureClaim::Finish(std::string& err)
{
    // Only an emptied claim is removed: a lecture still in it is never lost.
    struct stat st {};
    if (::lstat(LecturePath().c_str(), &st) == 0) {
        err = LecturePath() + " is still in the claim";
        return false;
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
