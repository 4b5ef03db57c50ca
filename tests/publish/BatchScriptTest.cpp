#include <gtest/gtest.h>

#include <cstdlib>

#include "TestSupport.h"
#include "publish/BatchScript.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

TEST(BatchScript, QuotingSurvivesEveryShellCharacterAndAMissingDirectoryIsNoScript)
{
    TempDir t;
    const std::string nasty = "a b'c\"d$e`f\\g;h|i&j*k?l~m\n#";
    BatchScript bat;
    ASSERT_TRUE(bat.Create(t.file("process.bat")));
    bat.WriteCd(t.dir());
    bat.WriteLog("Step " + nasty);
    bat.WriteCommand({"printf", "%s", nasty});
    bat.WriteEnd();
    ASSERT_TRUE(bat.Close());
    const std::string cmd = "sh " + ShellQuote(t.file("process.bat")) + " > " + ShellQuote(t.file("stdout"));
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(readFile(t.file("stdout")), nasty);
    EXPECT_EQ(readFile(t.file("log.log")), "All Done\n");
    EXPECT_EQ(ShellQuote("it's"), "'it'\\''s'");
    EXPECT_FALSE(BatchScript().Create("/nonexistent/dir/process.bat"));
}

}  // namespace
