#include <gtest/gtest.h>

#include <QProcess>

#include <filesystem>
#include <functional>
#include <sstream>

#include <unistd.h>

#include "TestSupport.h"
#include "core/ClaimJournal.h"
#include "server/LectureClaim.h"
#include "server/TreeCopy.h"
#include "server/TreeSnapshot.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

// A claim of generation 3 as another owner left it: its directory with a
// journal and the lecture.
std::string leaveClaim(const TempDir& in, const std::string& host, long pid, const std::string& start,
                       const std::string& journalStart, const std::string& id)
{
    const std::string name = ".pellucor-claim+" + host + "+" + std::to_string(pid) + "+" + start + "+3+" + id;
    ClaimJournal j;
    j.name = "x-talk";
    j.ownerStart = journalStart;
    writeFile(in.path() / name / "lecture" / "talk1.txt", "events");
    std::string err;
    EXPECT_TRUE(j.Write((in.path() / name).string(), err)) << err;
    return name;
}

std::string startOf(long pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        fields >> field;
    return field;
}

TEST(LectureClaim, OneRenameDecidesAndTheLoserLeavesNothingBehind)
{
    TempDir in;
    writeFile(in.path() / "x-talk" / "talk1.txt", "events");
    LectureClaim first, second;
    std::string err;
    ASSERT_EQ(LectureClaim::Claim(in.dir(), "", "x-talk", first, err), LectureClaim::Result::Taken) << err;
    EXPECT_EQ(LectureClaim::Claim(in.dir(), "", "x-talk", second, err), LectureClaim::Result::Lost);
    EXPECT_EQ(readFile(first.LecturePath() + "/talk1.txt"), "events");
    EXPECT_EQ(first.ReadyPath(), in.dir() + "x-talk");
    EXPECT_EQ(std::distance(fs::directory_iterator(in.path()), {}), 1);  // only the first claim
    EXPECT_TRUE(LectureClaim::IsClaimName(fs::path(first.Dir()).filename().string()));
    // A claim still holding its lecture is never removed.
    EXPECT_FALSE(first.Finish(err));
    EXPECT_TRUE(fs::exists(first.LecturePath()));
}

// A claim of this host whose owner is gone (its pid now another process's,
// or no process) is taken over with the next generation, whatever an older
// journal inside says; claims of a live owner are left (server/takeover.sh).
TEST(LectureClaim, AClaimOfAGoneOwnerIsTakenOverWithTheNextGeneration)
{
    TempDir in;
    const std::string host = ClaimOwner::Self().host;
    QProcess sleeper;
    sleeper.start("sleep", {"30"});
    ASSERT_TRUE(sleeper.waitForStarted());
    const long pid = static_cast<long>(sleeper.processId());
    const std::string start = startOf(pid);
    const std::string name = leaveClaim(in, host, pid, "1", start, "42-1");  // another process with this pid
    LectureClaim claim;
    std::string err;
    ASSERT_EQ(LectureClaim::Adopt(in.dir(), "", name, 600, claim, err), LectureClaim::Result::Taken) << err;
    EXPECT_FALSE(fs::exists(in.path() / name));
    EXPECT_EQ(claim.Generation(), 4);
    EXPECT_EQ(fs::path(claim.Dir()).filename().string(),
              ".pellucor-claim+" + host + "+" + std::to_string(::getpid()) + "+" + startOf(::getpid()) + "+4+42-1");
    EXPECT_EQ(claim.journal.name, "x-talk");
    EXPECT_EQ(readFile(claim.LecturePath() + "/talk1.txt"), "events");
    EXPECT_FALSE(claim.TakenOver());
    // Taken from this process in turn: it may write nothing more.
    fs::rename(claim.Dir(), in.path() / ".pellucor-claim+other.example+7+1+5+42-1");
    EXPECT_TRUE(claim.TakenOver());
    EXPECT_EQ(claim.Holder(), "other.example");
    EXPECT_FALSE(claim.Save(ClaimStep::Moved, err));

    sleeper.kill();
    sleeper.waitForFinished();
    const std::string dead = leaveClaim(in, host, pid, start, start, "42-9");
    LectureClaim second;
    ASSERT_EQ(LectureClaim::Adopt(in.dir(), "", dead, 600, second, err), LectureClaim::Result::Taken) << err;
    EXPECT_EQ(fs::path(second.Dir()).parent_path(), in.path());
}

TEST(LectureClaim, AnotherHostsClaimIsTakenOverOnlyWhenStale)
{
    TempDir in;
    LectureClaim claim;
    std::string err;
    const std::string name = leaveClaim(in, "other-host.example", 1234, "99", "99", "42-1");
    // Time moves on by the claim's clock, not by waiting.
    const std::function<long()> system = LectureClaim::Clock();
    long later = 0;
    LectureClaim::Clock() = [&] { return system() + later; };
    later = 2;
    EXPECT_EQ(LectureClaim::Adopt(in.dir(), "", name, 600, claim, err), LectureClaim::Result::Lost);
    ClaimJournal::Touch((in.path() / name).string());
    later = 0;
    EXPECT_EQ(LectureClaim::Adopt(in.dir(), "", name, 1, claim, err), LectureClaim::Result::Lost);
    later = 2;
    const LectureClaim::Result taken = LectureClaim::Adopt(in.dir(), "", name, 1, claim, err);
    LectureClaim::Clock() = system;
    ASSERT_EQ(taken, LectureClaim::Result::Taken) << err;
    EXPECT_EQ(readFile(claim.LecturePath() + "/talk1.txt"), "events");
}

TEST(ClaimJournal, KeepsAnyNameAndEveryStep)
{
    TempDir dir;
    ClaimJournal j;
    j.step = ClaimStep::Verified;
    j.name = "x-a\nb=c%";
    j.rel = "course\n/";
    j.dest = "/repo/course\n/a\nb=c%";
    std::string err;
    ASSERT_TRUE(j.Write(dir.dir(), err)) << err;
    ClaimJournal back;
    ASSERT_TRUE(back.Read(dir.dir()));
    EXPECT_EQ(back.step, ClaimStep::Verified);
    EXPECT_EQ(std::tie(back.name, back.rel, back.dest), std::tie(j.name, j.rel, j.dest));
    EXPECT_FALSE(fs::exists(dir.file("journal.new")));
}

TEST(TreeCopy, CopiesPlainTreesRefusesLinksAndNeverReplaces)
{
    TempDir t;
    writeFile(t.path() / "a" / "talk1.txt", "events");
    writeFile(t.path() / "a" / "sub" / "img001.gif", std::string(70000, 'g'));
    fs::create_directories(t.path() / "a" / "empty");
    std::string err;
    long calls = 0;
    ASSERT_TRUE(CopyTree(
        t.file("a"), t.file("b"), [&](long, long) { ++calls; }, err))
        << err;
    std::string difference;
    EXPECT_TRUE(TakeSnapshot(t.file("b")).SameContentAs(TakeSnapshot(t.file("a")), difference)) << difference;
    EXPECT_EQ(TakeSnapshot(t.file("b")).entries, TakeSnapshot(t.file("a")).entries);  // times kept too
    EXPECT_EQ(calls, 5);
    writeFile(t.path() / "b" / "sub" / "img001.gif", "short");
    EXPECT_FALSE(TakeSnapshot(t.file("b")).SameContentAs(TakeSnapshot(t.file("a")), difference));
    EXPECT_EQ(difference, "differs: sub/img001.gif");

    EXPECT_NE(RenameNoReplace(t.file("a"), t.file("b")), 0);
    EXPECT_EQ(readFile(t.path() / "a" / "talk1.txt"), "events");

    // A file gone while the tree is copied: the copy fails, naming it.
    const auto removeOne = [&](long done, long) {
        if (done == 1)
            fs::remove(t.path() / "a" / "talk1.txt");
    };
    EXPECT_FALSE(CopyTree(t.file("a"), t.file("d"), removeOne, err));
    EXPECT_TRUE(holds(err, "talk1.txt")) << err;

    fs::create_symlink("/etc/hostname", t.path() / "a" / "img002.gif");
    EXPECT_FALSE(CopyTree(t.file("a"), t.file("c"), nullptr, err));
    EXPECT_TRUE(holds(err, "img002.gif"));
    ASSERT_TRUE(RemoveTree(t.file("a"), nullptr, err)) << err;
    EXPECT_FALSE(fs::exists(t.path() / "a"));
    EXPECT_TRUE(fs::exists("/etc/hostname"));
}

}  // namespace
