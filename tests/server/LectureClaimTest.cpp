#include <gtest/gtest.h>

#include <QProcess>

#include <chrono>
#include <filesystem>

#include "TestSupport.h"
#include "server/ClaimJournal.h"
#include "server/LectureClaim.h"
#include "server/TreeCopy.h"
#include "server/TreeSnapshot.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// A claim as another owner left it: its directory with a journal and the lecture.
std::string leaveClaim(const TempDir& in, const std::string& host, long pid, const std::string& ownerStart,
                       const std::string& id = "42-1")
{
    const std::string name = ".pellucor-claim+" + host + "+" + std::to_string(pid) + "+" + id;
    ClaimJournal j;
    j.name = "x-talk";
    j.ownerStart = ownerStart;
    fs::create_directories(in.path() / name / "lecture");
    writeFile(in.path() / name / "lecture" / "talk1.txt", "events");
    std::string err;
    EXPECT_TRUE(j.Write((in.path() / name).string(), err)) << err;
    return name;
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
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(in.path()))
        ++entries;
    EXPECT_EQ(entries, 1);  // only the first claim
    EXPECT_TRUE(LectureClaim::IsClaimName(fs::path(first.Dir()).filename().string()));
    // A claim still holding its lecture is never removed.
    EXPECT_FALSE(first.Finish(err));
    EXPECT_TRUE(fs::exists(first.LecturePath()));
}

TEST(LectureClaim, AClaimOfALiveProcessIsLeftAndOneOfADeadProcessIsTakenOver)
{
    TempDir in;
    const std::string host = ClaimOwner::Self().host;
    QProcess sleeper;
    sleeper.start("sleep", {"30"});
    ASSERT_TRUE(sleeper.waitForStarted());
    const long pid = static_cast<long>(sleeper.processId());
    LectureClaim claim;
    std::string err;
    const std::string live = leaveClaim(in, host, pid, "");
    EXPECT_EQ(LectureClaim::Adopt(in.dir(), "", live, 600, claim, err), LectureClaim::Result::Lost);
    EXPECT_TRUE(fs::exists(in.path() / live / "lecture" / "talk1.txt"));
    fs::remove_all(in.path() / live);

    // The pid runs, but it is not the process that made the claim.
    const std::string reused = leaveClaim(in, host, pid, "1", "42-2");
    ASSERT_EQ(LectureClaim::Adopt(in.dir(), "", reused, 600, claim, err), LectureClaim::Result::Taken) << err;
    EXPECT_FALSE(fs::exists(in.path() / reused));
    EXPECT_EQ(claim.journal.name, "x-talk");
    EXPECT_EQ(readFile(claim.LecturePath() + "/talk1.txt"), "events");
    sleeper.kill();
    sleeper.waitForFinished();

    const std::string dead = leaveClaim(in, host, pid, "", "42-3");
    LectureClaim second;
    ASSERT_EQ(LectureClaim::Adopt(in.dir(), "", dead, 600, second, err), LectureClaim::Result::Taken) << err;
    EXPECT_EQ(fs::path(second.Dir()).parent_path(), in.path());
}

TEST(LectureClaim, AnotherHostsClaimIsTakenOverOnlyWhenStale)
{
    TempDir in;
    LectureClaim claim;
    std::string err;
    const std::string name = leaveClaim(in, "other-host.example", 1234, "99");
    EXPECT_EQ(LectureClaim::Adopt(in.dir(), "", name, 60, claim, err), LectureClaim::Result::Lost);
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    fs::last_write_time(in.path() / name, old);
    fs::last_write_time(in.path() / name / "journal", old);
    EXPECT_EQ(LectureClaim::Adopt(in.dir(), "", name, 600, claim, err), LectureClaim::Result::Lost);
    ASSERT_EQ(LectureClaim::Adopt(in.dir(), "", name, 60, claim, err), LectureClaim::Result::Taken) << err;
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
    EXPECT_EQ(back.name, j.name);
    EXPECT_EQ(back.rel, j.rel);
    EXPECT_EQ(back.dest, j.dest);
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
    ASSERT_TRUE(CopyTree(t.file("a"), t.file("b"), [&](long, long) { ++calls; }, err)) << err;
    std::string difference;
    EXPECT_TRUE(TakeSnapshot(t.file("b")).SameContentAs(TakeSnapshot(t.file("a")), difference)) << difference;
    EXPECT_EQ(TakeSnapshot(t.file("b")).entries, TakeSnapshot(t.file("a")).entries);  // times kept too
    EXPECT_EQ(calls, 5);
    writeFile(t.path() / "b" / "sub" / "img001.gif", "short");
    EXPECT_FALSE(TakeSnapshot(t.file("b")).SameContentAs(TakeSnapshot(t.file("a")), difference));
    EXPECT_EQ(difference, "differs: sub/img001.gif");

    EXPECT_NE(RenameNoReplace(t.file("a"), t.file("b")), 0);
    EXPECT_EQ(readFile(t.path() / "a" / "talk1.txt"), "events");

    fs::create_symlink("/etc/hostname", t.path() / "a" / "img002.gif");
    EXPECT_FALSE(CopyTree(t.file("a"), t.file("c"), nullptr, err));
    EXPECT_NE(err.find("img002.gif"), std::string::npos) << err;
    ASSERT_TRUE(RemoveTree(t.file("a"), nullptr, err)) << err;
    EXPECT_FALSE(fs::exists(t.path() / "a"));
    EXPECT_TRUE(fs::exists("/etc/hostname"));
}

}  // namespace

}  // namespace pellucor
