// The publish engine on a copy of the sample: what it writes for disk and
// web, its failures, and the script its media step writes and runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "PublishFixture.h"
#include "core/TavUtils.h"
#include "publish/BatchScript.h"

namespace {
using namespace pellucor;
namespace fs = std::filesystem;
using namespace pellucor::testing_support;

TEST_F(PublishFixture, WebPublishPrefixesSlideAddressesAndTwoRunsKeepTheirOwnDirectoriesAndAStyleItsScript)
{
    onePart();
    ASSERT_TRUE(publish(true)) << lastError;
    const std::string diskOut = out;
    out = root.dir() + "web/";
    settings.OutDir = out;
    ASSERT_TRUE(publish(false)) << lastError;
    EXPECT_TRUE(fs::exists(diskOut + "index.htm"));
    // One part: the .rat comes from the slide table.
    EXPECT_EQ(readLines(out + "talk1.rat"),
              (Strings {"u 00:00:00 00:00:02 &&slide&&http://lectures.example.org/talk/sld001.htm",
                        "u 00:00:02 00:00:04 &&slide&&http://lectures.example.org/talk/sld002.htm",
                        "u 00:00:04 00:00:06 &&slide&&http://lectures.example.org/talk/sld003.htm"}));
    EXPECT_EQ(readLines(diskOut + "talk1.rat")[0], "u 00:00:00 00:00:02 &&slide&&sld001.htm");
    EXPECT_TRUE(holds(readFile(out + "talk1.vtt"), "http://lectures.example.org/talk/sld002.htm"));
    // A style's own process.bat replaces the generated one.
    const std::string style = root.dir() + "style/";
    fs::create_directories(style);
    writeFile(style + "process.bat", "echo custom N*N\r\n");
    writeFile(style + "index.htm", "<p>T#T</p>\r\n");
    settings.StyleDir = style;
    settings.OutDir = out = root.dir() + "styled/";
    ASSERT_TRUE(publish(true)) << lastError;
    EXPECT_EQ(readFile(out + "process.bat"), "echo custom talk\r\n");
}

TEST_F(PublishFixture, FailuresAreReportedWithTheirTextsAndTheCheckBeforeWritesNothing)
{
    settings.MediaDir = root.dir() + "empty/";
    fs::create_directories(settings.MediaDir);
    EXPECT_FALSE(publish(true));
    EXPECT_EQ(lastError,
              "Slide Load Error:Media directory has no RealMedia files (*.rm) " + root.dir()
                  + "empty/ nor recordings (*.mp4 *.m4v *.mov *.mkv *.webm *.m4a *.mp3 *.ogg *.opus *.wav *.flac)");
    EXPECT_FALSE(sink.saw("Slide Load Error:"));  // its caller shows it, once
    // The check before a publish asks nothing and writes nothing.
    settings.MediaDir = lecture;
    settings.OutDir = out = root.dir() + "unwritten/";
    settings.Prefs["prfRmmerge"] = "/nonexistent/rmmerge";
    Publisher engine(settings, &host);
    std::string err;
    EXPECT_TRUE(engine.LoadLecture(false, false, err)) << err;
    EXPECT_TRUE(sink.questions.empty());
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(sink.messages.empty());
}

class MediaPrep : public PublishFixture {
protected:
    std::string tool(const std::string& name)
    {
        const std::string path = root.dir() + "tools/" + name;
        writeFile(path, "#!/bin/sh\n");
        return path;
    }
};

// A part's recording, the merge and events tools set, the step they make
// and its commands in the script ($R: the merge tool, $E: the events tool,
// $M: the lecture's recording, $O: the published one; "@" starts a step).
struct ToolCase {
    const char *recording, *merge, *events, *step;
    std::vector<std::string> commands;
};

TEST_F(MediaPrep, EachToolGetsItsOwnCheckedCommands)
{
    onePart();
    settings.Prefs["prfEvents"] = "/opt/real/rmevents.dll";
    const std::string ev = " '-f' '/opt/real/rmevents.dll' 'talk1.rat' ";
    for (const ToolCase& c : std::vector<ToolCase> {
             {"talk1.rm",
              "rvencode",
              "None",
              "Video Pre-5.0 Merge",
              {"$R" + ev + "'talk1.raz'", "@Video Phase 2 Merge", "$R 'talk1.raz' $M $O"}},
             {"talk1.rm", "RMEvents", "None", "Video G2 Merge", {"$R '-i' $M '-o' $O '-e' 'talk1.rat'"}},
             {"talk1.rm", "rmmerge", "None", "Video 5.0 Merge", {"$R" + ev + "$M $O"}},
             {"talk1.ra", "rmmerge", "cevent32", "Audio 3.0 Merge", {"$E 'talk1.rat' 'talk1.rae'", "cp -- $M ."}},
             {"talk1.ra", "rmmerge", "audioev", "Audio 5.0 Merge", {"$E" + ev + "$M 'talk1.ra'"}},
             {"talk1.ra", "rmevents", "audioev", "Audio G2 Merge", {"$R '-i' $M '-o' 'talk1.ra' '-e' 'talk1.rat'"}}}) {
        SCOPED_TRACE(c.step);
        for (const char* ext : {".rm", ".ra"})
            if (fs::exists(lecture + "talk1" + ext))
                fs::rename(lecture + "talk1" + ext, lecture + c.recording);
        settings.Prefs["prfRmmerge"] = tool(c.merge);  // letter case does not matter
        settings.Prefs["prfEvent32"] = c.events == std::string("None") ? "None" : tool(c.events);
        ASSERT_TRUE(publish(true)) << lastError;
        std::string step = c.step + std::string(" talk1");
        Strings expected = {"printf '%s\\n' " + ShellQuote(step) + " > log.log"};
        for (std::string command : c.commands) {
            if (command[0] == '@') {
                step = command.substr(1) + " talk1";
                expected.push_back("printf '%s\\n' " + ShellQuote(step) + " > log.log");
                continue;
            }
            for (const auto& [name, value] : {std::pair {"$R", settings.Prefs["prfRmmerge"]},
                                              {"$E", settings.Prefs["prfEvent32"]},
                                              {"$M", lecture + c.recording},
                                              {"$O", out + c.recording}})
                command = ReplaceAll(command, name, ShellQuote(value));
            // A failure logs its step and ends the script.
            expected.push_back(command + " || { printf '%s failed (exit status %s)\\n' " + ShellQuote(step)
                               + " \"$?\" > log.log; exit 1; }");
        }
        expected.insert(expected.end(), {"printf '%s\\n' 'All Done' > log.log", "exit"});
        const Strings lines = splitCrLf(ReplaceAll(readFile(out + "process.bat"), "\n", "\r\n"));
        EXPECT_EQ(Strings(lines.begin() + 2, lines.end()), expected);  // after the first line and the "cd"
    }
    EXPECT_TRUE(sink.saw("Storing audio in .ra files is a deprecated feature, please contact "));
}

TEST_F(MediaPrep, AMissingToolOrTimingFileFailsThePublish)
{
    settings.Prefs["prfRmmerge"] = root.dir() + "tools/nothing";
    EXPECT_FALSE(publish(true));
    EXPECT_EQ(lastError, "Real Event Software does not exist - " + root.dir() + "tools/nothing");
    EXPECT_TRUE(fs::exists(out + "img001.gif"));
    EXPECT_FALSE(fs::exists(out + "talk1.rat"));
    // A timing file gone after loading leaves a script without All Done.
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
