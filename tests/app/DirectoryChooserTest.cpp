// The directory chooser's model: OK and Cancel, a bad or missing start,
// creating the start and new directories.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/DirectoryChooser.h"
#include "app/FrontEndHooks.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

TEST(DirectoryChooser, OkAddsTheSeparatorCancelKeepsTheCallersValueAndABadStartFallsBackToTheRoot)
{
    TempDir d;
    RecordingMessageSink sink;
    DirectoryChooser s;
    EXPECT_EQ(s.chkCancel, 1);
    EXPECT_FALSE(s.cmdMkDirVisible);
    s.DirName = "  " + d.path().string() + "  ";
    s.Form_Activate();
    EXPECT_EQ(s.DirName + " " + s.currentDir, d.dir() + " " + d.dir());
    s.DirName = d.path().string() + "/sub";
    s.cmdOK_Click();
    EXPECT_EQ(s.DirName, d.dir() + "sub/");
    EXPECT_EQ(s.chkCancel, 0);
    s.cmdCancel_Click();
    EXPECT_EQ(s.chkCancel, 1);

    DirectoryChooser bad;
    bad.Allow_Create();
    bad.DirName = "Q:\\lectures";
    bad.Form_Activate();
    EXPECT_EQ(sink.messages,
              (Strings {"Error - Drive Letter wrong - Q:\\lectures/", "Directory Not Found Q:\\lectures/"}));
    EXPECT_EQ(bad.DirName + bad.currentDir + bad.rootDir, "///");
}

TEST(DirectoryChooser, CreatesTheStartingPathWhenAllowedAndMakesNewDirectories)
{
    TempDir d;
    RecordingMessageSink sink;
    FrontEndHooks hooks;
    DirectoryChooser s(&hooks);
    s.DirName = d.dir() + "not/yet";
    s.Form_Activate();  // creation not allowed
    EXPECT_FALSE(fs::exists(d.dir() + "not/yet"));
    EXPECT_EQ(s.DirName, "/");
    s.Allow_Create();
    s.DirName = d.dir() + "not/yet";
    s.Form_Activate();
    EXPECT_TRUE(fs::is_directory(d.dir() + "not/yet"));
    EXPECT_EQ(s.currentDir, d.dir() + "not/yet/");

    std::vector<std::string> asked;
    const auto makeDir = [&](const std::string& typed) {
        hooks.inputBox = [&](const std::string& prompt, const std::string& title, std::string& answer) {
            asked.push_back(title + ": " + prompt + " [" + answer + "]");
            answer = typed;
            return true;
        };
        s.cmdMkDir_Click();
    };
    makeDir(d.dir() + "not/yet/made ");
    EXPECT_EQ(asked, Strings {"Creating Directory: Enter New Directory [" + d.dir() + "not/yet/]"});
    EXPECT_EQ(s.DirName, d.dir() + "not/yet/made/");
    makeDir("   ");
    EXPECT_EQ(s.DirName, d.dir() + "not/yet/made/");
    makeDir("physics1");  // a bare name goes inside the highlighted folder
    EXPECT_TRUE(fs::is_directory(d.dir() + "not/yet/made/physics1"));
    EXPECT_EQ(s.DirName, d.dir() + "not/yet/made/physics1/");
}

}  // namespace

}  // namespace pellucor
