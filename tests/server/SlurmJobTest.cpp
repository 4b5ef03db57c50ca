#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "core/JobFence.h"
#include "core/ClaimJournal.h"
#include "server/JobScript.h"
#include "server/SlurmCluster.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;
using K = SlurmJobState::Kind;

// What the server makes of each state Slurm names (scontrol, and sacct's
// "CANCELLED by UID"): which end the lecture, and how.
struct StateRow {
    const char* name;
    const char* line;
    K kind;
    const char* exitCode;
};

class SlurmStateTest : public ::testing::TestWithParam<StateRow> { };

TEST_P(SlurmStateTest, ReadsTheJobLine)
{
    const SlurmJobState st = SlurmCluster::FromScontrol(GetParam().line);
    EXPECT_EQ(st.kind, GetParam().kind) << GetParam().line;
    EXPECT_EQ(st.exitCode, GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    States, SlurmStateTest,
    ::testing::Values(
        StateRow {"pending", "JobId=7 JobName=pellucor-talk JobState=PENDING Reason=Resources ExitCode=0:0", K::Waiting,
                  "0:0"},
        StateRow {"running", "JobId=7 JobState=RUNNING Reason=None ExitCode=0:0", K::Running, "0:0"},
        StateRow {"completing", "JobId=7 JobState=COMPLETING Reason=None ExitCode=0:0", K::Running, "0:0"},
        StateRow {"completed", "JobId=7 JobState=COMPLETED Reason=None ExitCode=0:0", K::Completed, "0:0"},
        StateRow {"failed", "JobId=7 JobState=FAILED Reason=NonZeroExitCode ExitCode=1:0", K::Failed, "1:0"},
        StateRow {"cancelled", "JobId=7 JobState=CANCELLED Reason=None ExitCode=0:15", K::Cancelled, "0:15"},
        StateRow {"nodeFail", "JobId=7 JobState=NODE_FAIL Reason=NodeDown ExitCode=0:0", K::NodeFailed, "0:0"},
        StateRow {"timeout", "JobId=7 JobState=TIMEOUT Reason=TimeLimit ExitCode=0:1", K::Ended, "0:1"},
        StateRow {"outOfMemory", "JobId=7 JobState=OUT_OF_MEMORY ExitCode=0:125", K::Ended, "0:125"},
        StateRow {"noState", "JobId=7 OldJobState=RUNNING", K::Unknown, ""}),
    [](const ::testing::TestParamInfo<StateRow>& info) { return std::string(info.param.name); });

TEST(SlurmStateTest, SacctStatesAsScontrol)
{
    EXPECT_EQ(SlurmCluster::KindOf("CANCELLED by 1000"), K::Cancelled);
    EXPECT_EQ(SlurmCluster::KindOf("REQUEUED"), K::Waiting);
}

// The job script runs as sh reads it, whatever the names hold, and its
// files' names reach sbatch as written.
TEST(JobScriptTest, QuotesEveryPath)
{
    TempDir dir;
    const std::string odd = dir.path().string() + "/it's $HOME `x` %j";
    JobOrder order {"/opt/pel lucor/bin/pellucor",
                    odd + "/.pellucor-claim+h+1+2+0+5-1",
                    "5-1",
                    "talk's",
                    "",
                    {odd + "/repo/talk's/", odd + "/pub/talk's/", "http://h/talk's/", ""}};
    std::ofstream(dir.path().string() + "/job.sh") << JobScriptText(order);
    QProcess sh;
    sh.start("sh", {"-xn", QString::fromStdString(dir.path().string() + "/job.sh")});
    ASSERT_TRUE(sh.waitForFinished());
    EXPECT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString();
    const std::string text = JobScriptText(order);
    EXPECT_NE(text.find("'" + dir.path().string() + "/it'\\''s $HOME `x` %j/repo/talk'\\''s'"), std::string::npos)
        << text;
    const auto options = JobOptions(order, {});
    EXPECT_NE(
        std::find(options.begin(), options.end(),
                  "--output=" + dir.path().string() + "/it's $HOME `x` %%j/.pellucor-claim+h+1+2+0+5-1/job-%j.out"),
        options.end());
}

// A job puts its publication in place while the claim, under whichever
// owner's name, names it; not once the claim names another job or is gone.
TEST(JobFenceTest, FindsTheClaimByItsId)
{
    TempDir in;
    const std::string submitted = in.path().string() + "/.pellucor-claim+host+100+5+0+42-1";
    const std::string renamed = in.path().string() + "/.pellucor-claim+host+200+6+1+42-1";
    fs::create_directory(renamed);
    fs::create_directory(in.path().string() + "/.pellucor-claim+host+300+7+0+43-1");
    ClaimJournal j;
    j.job = "17";
    std::string err, why;
    ASSERT_TRUE(j.Write(renamed, err)) << err;
    ASSERT_TRUE(j.Write(in.path().string() + "/.pellucor-claim+host+300+7+0+43-1", err));
    EXPECT_TRUE(ClaimStillNamesJob(submitted, "17", why)) << why;
    EXPECT_FALSE(ClaimStillNamesJob(submitted, "18", why));
    j.job = "18";
    ASSERT_TRUE(j.Write(renamed, err));
    EXPECT_FALSE(ClaimStillNamesJob(submitted, "17", why));
    EXPECT_NE(why.find("no longer names job 17"), std::string::npos) << why;
    // A job id with bytes the journal stores percent-encoded.
    j.job = "cluster+7 a%b";
    ASSERT_TRUE(j.Write(renamed, err));
    EXPECT_TRUE(ClaimStillNamesJob(submitted, "cluster+7 a%b", why)) << why;
    fs::remove_all(renamed);
    EXPECT_FALSE(ClaimStillNamesJob(submitted, "18", why));
    EXPECT_NE(why.find("is gone"), std::string::npos) << why;
}

}  // namespace
