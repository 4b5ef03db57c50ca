#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "PublishFixture.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

class MediaPrep : public PublishFixture {
protected:
    std::string tool(const std::string& name)
    {
        const std::string path = root.dir() + "tools/" + name;
        writeFile(path, "#!/bin/sh\n");
        return path;
    }
    // The script without its first line and "cd" line.
    std::vector<std::string> steps()
    {
        std::vector<std::string> lines;
        std::string text = readFile(out + "process.bat");
        size_t from = 0;
        for (size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
            lines.push_back(text.substr(from, nl - from));
        return {lines.begin() + 2, lines.end()};
    }
    std::string q(const std::string& s) { return ShellQuote(s); }
    // A command line as the script checks it: a failure logs its step and
    // ends the script.
    std::string checked(const std::string& command, const std::string& step)
    {
        return command + " || { printf '%s failed (exit status %s)\\n' " + q(step) + " \"$?\" > log.log; exit 1; }";
    }
};

TEST_F(MediaPrep, VideoToolCases)
{
    onePart();
    const std::string rv = tool("rvencode");
    settings.Prefs["prfRmmerge"] = rv;
    settings.Prefs["prfEvents"] = "/opt/real/rmevents.dll";
    ASSERT_TRUE(publish(true)) << lastError;
    const std::string M = lecture + "talk1.rm", O = out + "talk1.rm";
    EXPECT_EQ(steps(),
              (Strings {"printf '%s\\n' 'Video Pre-5.0 Merge talk1' > log.log",
                        checked(q(rv) + " '-f' '/opt/real/rmevents.dll' 'talk1.rat' 'talk1.raz'",
                                "Video Pre-5.0 Merge talk1"),
                        "printf '%s\\n' 'Video Phase 2 Merge talk1' > log.log",
                        checked(q(rv) + " 'talk1.raz' " + q(M) + " " + q(O), "Video Phase 2 Merge talk1"),
                        "printf '%s\\n' 'All Done' > log.log", "exit"}));

    const std::string rme = tool("RMEvents");  // letter case does not matter
    settings.Prefs["prfRmmerge"] = rme;
    ASSERT_TRUE(publish(true)) << lastError;
    EXPECT_EQ(steps()[0], "printf '%s\\n' 'Video G2 Merge talk1' > log.log");
    EXPECT_EQ(steps()[1],
              checked(q(rme) + " '-i' " + q(M) + " '-o' " + q(O) + " '-e' 'talk1.rat'", "Video G2 Merge talk1"));

    const std::string mm = tool("rmmerge");
    settings.Prefs["prfRmmerge"] = mm;
    ASSERT_TRUE(publish(true)) << lastError;
    EXPECT_EQ(steps()[0], "printf '%s\\n' 'Video 5.0 Merge talk1' > log.log");
    EXPECT_EQ(
        steps()[1],
        checked(q(mm) + " '-f' '/opt/real/rmevents.dll' 'talk1.rat' " + q(M) + " " + q(O), "Video 5.0 Merge talk1"));
}

TEST_F(MediaPrep, AudioToolCases)
{
    onePart();
    fs::rename(lecture + "talk1.rm", lecture + "talk1.ra");
    const std::string mm = tool("rmmerge");
    settings.Prefs["prfRmmerge"] = mm;
    settings.Prefs["prfEvents"] = "ev.dll";
    settings.Prefs["prfEvent32"] = tool("cevent32");
    ASSERT_TRUE(publish(true)) << lastError;
    EXPECT_TRUE(sink.saw("Storing audio in .ra files is a deprecated feature, please contact "));
    const std::string ra = lecture + "talk1.ra";
    EXPECT_EQ(steps(),
              (Strings {"printf '%s\\n' 'Audio 3.0 Merge talk1' > log.log",
                        checked(q(settings.Prefs["prfEvent32"]) + " 'talk1.rat' 'talk1.rae'", "Audio 3.0 Merge talk1"),
                        checked("cp -- " + q(ra) + " .", "Audio 3.0 Merge talk1"),
                        "printf '%s\\n' 'All Done' > log.log", "exit"}));

    settings.Prefs["prfEvent32"] = tool("audioev");
    ASSERT_TRUE(publish(true)) << lastError;
    EXPECT_EQ(steps()[0], "printf '%s\\n' 'Audio 5.0 Merge talk1' > log.log");
    EXPECT_EQ(steps()[1],
              checked(q(settings.Prefs["prfEvent32"]) + " '-f' 'ev.dll' 'talk1.rat' " + q(lecture + "talk1.ra")
                          + " 'talk1.ra'",
                      "Audio 5.0 Merge talk1"));

    settings.Prefs["prfRmmerge"] = tool("rmevents");
    ASSERT_TRUE(publish(true)) << lastError;
    EXPECT_EQ(steps()[0], "printf '%s\\n' 'Audio G2 Merge talk1' > log.log");
    EXPECT_EQ(steps()[1],
              checked(q(settings.Prefs["prfRmmerge"]) + " '-i' " + q(lecture + "talk1.ra")
                          + " '-o' 'talk1.ra' '-e' 'talk1.rat'",
                      "Audio G2 Merge talk1"));
}

TEST_F(MediaPrep, MissingToolFailsAfterTheImagesAreCopied)
{
    settings.Prefs["prfRmmerge"] = root.dir() + "tools/nothing";
    EXPECT_FALSE(publish(true));
    EXPECT_EQ(lastError, "Real Event Software does not exist - " + root.dir() + "tools/nothing");
    EXPECT_TRUE(fs::exists(out + "img001.gif"));
    EXPECT_FALSE(fs::exists(out + "talk1.rat"));
}

TEST_F(MediaPrep, TimingFileGoneAfterLoadingLeavesAScriptWithoutAllDone)
{
    host.onStatus = [&](const std::string& text) {
        if (text == "Preparing Media Files")
            fs::remove(lecture + "talk2.txt");
    };
    settings.Prefs["prfRmmerge"] = tool("rmmerge");
    EXPECT_FALSE(publish(true));
    EXPECT_EQ(lastError, "Cannot find timing file");
    EXPECT_FALSE(holds(readFile(out + "process.bat"), "All Done"));
    EXPECT_TRUE(fs::exists(out + "talk1.rat"));
}

TEST_F(MediaPrep, HostileNamesAreNeverRunByTheShell)
{
    onePart();
    const std::string evil = "t'$(touch PWNED)`touch PWNED2`;x";
    const std::string evilLecture = root.dir() + "lec $(touch PWNED3)/";
    fs::create_directories(evilLecture);
    fs::rename(lecture + "talk1.txt", evilLecture + evil + "1.txt");
    fs::rename(lecture + "talk1.rm", evilLecture + evil + "1.rm");
    settings.LecName = evil;
    settings.MediaDir = evilLecture;
    out = root.dir() + "out '$HOME\"/";
    settings.OutDir = out;
    const std::string mm = tool("rmmerge");
    writeFile(mm, "#!/bin/sh\nprintf '%s\\n' \"$@\" > args.txt\n");
    fs::permissions(mm, fs::perms::owner_all);
    settings.Prefs["prfRmmerge"] = mm;
    ASSERT_TRUE(publish(true)) << lastError;
    const std::string cmd = "cd " + ShellQuote(root.dir()) + " && sh " + ShellQuote(out + "process.bat");
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char* f : {"PWNED", "PWNED2", "PWNED3"}) {
        EXPECT_FALSE(fs::exists(root.dir() + f)) << f;
        EXPECT_FALSE(fs::exists(out + f)) << f;
    }
    EXPECT_EQ(readFile(out + "log.log"), "All Done\n");
    EXPECT_EQ(readFile(out + "args.txt"),
              "-f\n\n" + evil + "1.rat\n" + evilLecture + evil + "1.rm\n" + out + evil + "1.rm\n");
}

}  // namespace

}  // namespace pellucor
