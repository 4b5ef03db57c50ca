// The publish session on the sample lecture with the real media component:
// every step in order, and a publish that replaces the previous one whole
// or leaves it exactly as it was, never taking files it did not write; and
// the follower of the script's log its last step uses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "PublishFixture.h"
#include "QtCoreTestApp.h"
#include "core/StatusColours.h"
#include "core/TavUtils.h"
#include "publish/LectureRecord.h"
#include "publish/LogFollower.h"
#include "publish/PublishJob.h"
#include "publish/PublishSession.h"
#include "publish/StagedPublication.h"

namespace {
using namespace pellucor;
namespace fs = std::filesystem;
using namespace pellucor::testing_support;
using ::testing::Contains;
using State = LogFollower::State;

PELLUCOR_QT_CORE_TEST_APP();

class Session : public PublishFixture {
protected:
    PublishSession session;
    std::vector<PublishStep> steps;
    std::vector<int> percents;
    std::vector<std::string> statuses;
    std::string error;
    PublishOutcome outcome = PublishOutcome::None;

    void SetUp() override
    {
        PublishFixture::SetUp();
        PublishRequest& r = session.request;
        r.TextName = "talk";
        r.TextPP = r.TextMedia = lecture;
        r.TextStyle = PELLUCOR_STYLE_DIR;
        r.TextCDDir = out;
        session.openerFactory = host.openerFactory;
        session.installProgram = PELLUCOR_EXE;
        session.logIntervalMs = 50;
        session.preferences = [] { return PreferenceSnapshot {{"prfRmmerge", "None"}, {"prfEvent32", "None"}}; };
        QObject::connect(&session, &PublishSession::stepChanged,
                         [&](int s, const QString&) { steps.push_back(static_cast<PublishStep>(s)); });
        QObject::connect(&session, &PublishSession::statusChanged,
                         [&](const QString& t, uint) { statuses.push_back(t.toStdString()); });
    }

    // Publishes to the end (the connections end with the loop).
    bool run()
    {
        QEventLoop loop;
        QObject::connect(&session, &PublishSession::progressChanged, &loop, [&](int p) { percents.push_back(p); });
        QObject::connect(&session, &PublishSession::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        if (!session.Start(error))
            return false;
        if (session.Running())
            loop.exec();
        outcome = session.Result();
        error = session.Error();
        return outcome == PublishOutcome::Succeeded;
    }
};

TEST_F(Session, RunsEveryStepAndPutsInPlaceOnlyACheckedPublicationRecoveringADeadOne)
{
    ASSERT_TRUE(run()) << error;
    EXPECT_EQ(
        steps,
        (std::vector<PublishStep> {PublishStep::SlideText, PublishStep::Convert, PublishStep::Load, PublishStep::Media,
                                   PublishStep::Descriptions, PublishStep::Hls, PublishStep::Video, PublishStep::Style,
                                   PublishStep::Script, PublishStep::FollowLog}));
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(std::count(percents.begin(), percents.end(), 100), 1);
    // The media step moves the bar in several steps, not in one jump.
    EXPECT_GE(std::count_if(percents.begin(), percents.end(), [](int p) { return p > 5 && p < 88; }), 3);
    EXPECT_THAT(statuses, Contains("Getting info on slides"));
    EXPECT_THAT(statuses, Contains("Checking the publication for " + out));
    EXPECT_EQ(statuses.back(), "Process:All Done");
    EXPECT_EQ(readFile(out + "log.log"), "All Done\n");
    EXPECT_TRUE(leftBeside(out).empty());
    // The whole tree, each file listed in the manifest of what the
    // publication wrote; part 3, recorded as MP4, has its captions.
    const std::string manifest = readFile(out + ".pellucor-manifest");
    for (const char* f :
         {"index.htm",     "part1.htm",          "part2.htm",          "sld001.htm",      "sld004.htm",
          "img001.gif",    "img004.gif",         "style.css",          "player.js",       "process.bat",
          "talk1.rat",     "talk2.rat",          "talk1.rm",           "talk1.vtt",       "talk1.mp4",
          "talk2.rm",      "talk2.vtt",          "talk2.m4a",          "part3.htm",       "sld006.htm",
          "img006.gif",    "chapters1.vtt",      "chapters2.vtt",      "chapters3.vtt",   "captions3.vtt",
          "captions3.js",  "player-lecture.js",  "player-contents.js", "player-clock.js", "player-parts.js",
          "player-bar.js", "player-captions.js", "player-panes.js",    "player-keys.js",  "player-search.js",
          "player-stream.js", "player-descriptions.js"})
        EXPECT_TRUE(fs::exists(out + f) && holds(manifest, f + std::string("\n"))) << f;
    for (const char* f : {"sld000.htm", "part0.htm", "style.cfg", "sld007.htm", "captions1.vtt"})
        EXPECT_FALSE(fs::exists(out + f)) << f;
    EXPECT_TRUE(holds(readFile(out + "part3.htm"), "src=\"captions3.vtt\""));

    // Several parts: each .rat is the part's own events file with its URLs
    // turned into slide events.
    EXPECT_EQ(readLines(out + "talk1.rat"),
              (Strings {"u 00:00:00 00:00:02 &&slide&&sld001.htm", "u 00:00:02 00:00:04 &&slide&&sld002.htm",
                        "u 00:00:04 00:00:06 &&slide&&sld003.htm"}));
    EXPECT_TRUE(holds(readFile(out + "index.htm"), "href=\"part1.htm#play\""));
    const std::string part1 = readFile(out + "part1.htm");
    EXPECT_TRUE(holds(part1, "<video id=\"media\""));
    EXPECT_TRUE(holds(part1, "src=\"talk1.mp4\""));
    EXPECT_TRUE(holds(part1, "alt=\"Why &quot;timing&quot; matters\""));
    EXPECT_TRUE(holds(part1, "data-start=\"00:00:02\" data-img=\"img002.gif\""));
    EXPECT_TRUE(holds(readFile(out + "part2.htm"), "<audio id=\"media\""));
    EXPECT_TRUE(holds(readFile(out + "chapters2.vtt"), "00:00:00.000 --> 00:00:04.000\r\nQuestions\r\n"));
    EXPECT_TRUE(holds(readFile(out + "sld002.htm"), "href=\"sld003.htm\""));
    // The built-in merge leaves a script with nothing to run; it names the
    // directory it now lies in.
    const std::string script = readFile(out + "process.bat");
    EXPECT_TRUE(holds(script, "printf '%s\\n' 'All Done' > log.log\nexit\n") && holds(script, "cd '" + out + "'"));

    // What a dead publish left beside the output is put right.
    const auto before = treeContents(out);
    // The names beside an output carry a key of its own, the host and the
    // process that made them: ".pellucor-stage+KEY+HOST+PID".
    StagedPublication probe(out);
    ASSERT_TRUE(probe.Create(error)) << error;
    const std::string name = fs::path(probe.Dir()).parent_path().filename().string();
    probe.Discard();
    const std::string dead = name.substr(0, name.rfind('+') + 1) + "999999999";  // no such process
    fs::create_directories(root.dir() + dead + "/half");
    // A pid the system gave again, to a process that started after the
    // staging last changed.
    QProcess later;
    later.start("sleep", {"30"});
    ASSERT_TRUE(later.waitForStarted());
    const std::string reused = root.dir() + name.substr(0, name.rfind('+') + 1) + std::to_string(later.processId());
    fs::create_directories(reused + "/half");
    fs::last_write_time(reused, fs::file_time_type::clock::now() - std::chrono::hours(1));
    // One that died between its two renames left the publication aside.
    fs::rename(out, root.dir() + ReplaceAll(dead, ".pellucor-stage+", ".pellucor-old+"));
    StagedPublication next(out);
    ASSERT_TRUE(next.Create(error)) << error;
    next.Discard();
    EXPECT_EQ(treeContents(out), before);
    EXPECT_TRUE(leftBeside(out).empty());
    later.kill();
    later.waitForFinished();

    // A failure leaves the previous publication exactly as it was (a cancel
    // is a SIGTERM to "pellucor publish": PublishTransactionTest).
    // Captions that cannot be read, added after a good publish.
    writeFile(lecture + "talk3.srt", "1\n00:00:01,000 --> later\nWords\n");
    EXPECT_FALSE(run());
    EXPECT_EQ(outcome, PublishOutcome::Failed);
    EXPECT_TRUE(holds(error, "talk3.srt"));
    EXPECT_EQ(treeContents(out), before);
    EXPECT_TRUE(leftBeside(out).empty());
}

// The lecture loaded before the publish starts is loaded again once the
// publish has read a slide's text: its pages show what was read.
TEST_F(Session, TheTextAPublishReadsIsOnItsPages)
{
    fs::remove(lecture + "img003.text");
    ASSERT_TRUE(run()) << error;
    EXPECT_TRUE(holds(readFile(lecture + "img003.text"), "# source: ocr"));
    std::string pages;
    for (const auto& e : fs::directory_iterator(out))
        if (StartsWith(e.path().filename().string(), "sld"))
            pages += readFile(e.path().string());
    EXPECT_TRUE(holds(pages, "The median error fell to 40 milliseconds"));
    // The record the course search reads holds the slide's lines as one.
    EXPECT_TRUE(holds(readFile(out + kLectureRecordName), "Slide 3 Results The median error fell to 40 milliseconds"));
}

TEST_F(Session, ForeignFilesAreNeverTakenWithoutLeaveAndAScriptLeftForTheUserFinishesThePublish)
{
    ASSERT_TRUE(run()) << error;
    writeFile(out + "thesis.docx", "mine");
    fs::create_directories(out + "photos");
    // A link is named as the entry it is, not where it points.
    writeFile(root.dir() + "precious/notes.txt", "kept");
    fs::create_directory_symlink("../precious", out + "linked");
    EXPECT_FALSE(session.Start(error));
    EXPECT_EQ(error,
              "The output directory " + out
                  + " holds 3 file(s) that no publication wrote: linked (a symbolic link), photos/, thesis.docx. "
                    "Publish into another directory, or allow their removal (--replace)");
    // The windows ask, naming them; "Cancel" keeps them.
    std::string asked;
    session.confirmRemoval = [&](const std::string& q) {
        asked = q;
        return false;
    };
    EXPECT_FALSE(session.Start(error));
    EXPECT_EQ(asked,
              "Ok to remove files from " + out
                  + "\n\nThese files will go: linked (a symbolic link), photos/, thesis.docx");
    EXPECT_EQ(error, "Unable to cleanup " + out);
    EXPECT_EQ(readFile(out + "thesis.docx"), "mine");
    session.request.replaceForeign = true;
    ASSERT_TRUE(run()) << error;
    EXPECT_FALSE(fs::exists(out + "thesis.docx"));
    EXPECT_FALSE(fs::is_symlink(out + "linked"));
    EXPECT_EQ(readFile(root.dir() + "precious/notes.txt"), "kept");  // the link went, not what it pointed to

    // A script left for the user puts the publication in place when run.
    const auto before = treeContents(out);
    session.request.chkAutoStart = 0;
    std::string command;
    QObject::connect(&session, &PublishSession::targetPublished,
                     [&](bool, const QString& c, bool started) { command = started ? "" : c.toStdString(); });
    ASSERT_TRUE(run()) << error;
    EXPECT_EQ(steps.back(), PublishStep::Script);
    EXPECT_EQ(treeContents(out), before);  // nothing in place until it runs
    ASSERT_EQ(leftBeside(out).size(), 1u);
    // Its staging is taken only once the script has finished.
    const std::string staging = root.dir() + leftBeside(out)[0];
    writeFile(staging + "/log.log", "Video 5.0 Merge talk1\n");
    EXPECT_FALSE(StagedPublication::Check(staging, {}, error));
    EXPECT_EQ(error, "process.bat did not finish in " + staging + ": Video 5.0 Merge talk1");
    QProcess shell;
    shell.start("sh", {"-c", QString::fromStdString(command)});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    EXPECT_EQ(readFile(out + "log.log"), "All Done\n");
    EXPECT_TRUE(leftBeside(out).empty());
}

TEST_F(Session, TheOutputIsNeverTheLectureTheStyleOrAFolderHoldingThem)
{
    fs::create_symlink(lecture, root.dir() + "link");
    const auto lectureBefore = treeContents(lecture);
    const std::string same = "Input and Output Directories are the same " + lecture;
    const std::string holds = "The output directory " + root.dir() + " holds " + lecture;
    const std::pair<std::string, std::string> cases[] = {
        {lecture, same},
        {root.dir() + "link/", same},
        {root.dir() + "link/../link/", same},
        {root.dir(), holds},
        {"/", "The output directory / holds " + lecture},
        {PELLUCOR_STYLE_DIR, "Input and Output Directories are the same " + std::string(PELLUCOR_STYLE_DIR)},
    };
    for (const auto& [output, message] : cases) {
        session.request.TextCDDir = output;
        EXPECT_FALSE(session.Start(error)) << output;
        EXPECT_EQ(error.rfind(message, 0), 0u) << output << ": " << error;
    }
    // The lecture reached through the link is refused the same way.
    session.request.TextMedia = session.request.TextPP = root.dir() + "link/";
    session.request.TextCDDir = lecture;
    EXPECT_FALSE(session.Start(error));
    EXPECT_EQ(error, "Input and Output Directories are the same " + root.dir() + "link/");
    EXPECT_EQ(treeContents(lecture), lectureBefore);
}

// One tick of the follower: the log written before it (none: left as it
// is), and the state and status line it gives ("" when the line stays).
struct Tick {
    std::optional<std::string> log;
    State state;
    std::string status;
};

class FollowedLog : public ::testing::Test {
protected:
    TempDir dir;
    std::string status = "Auto-executing:";
    uint32_t colour = 0;

    void expectTicks(LogFollower& f, const std::vector<Tick>& ticks)
    {
        for (const Tick& t : ticks) {
            if (t.log)
                writeFile(dir.file("log.log"), *t.log);
            std::string s;
            EXPECT_EQ(f.Tick(status, s, colour), t.state) << t.status;
            EXPECT_EQ(s, t.status);
            status = s.empty() ? status : s;
        }
    }
};

TEST_F(FollowedLog, EndsOnlyOnTheSecondSuccessiveAllDoneAndFailsWhenTheScriptStopsEarlyOrWritesNoLog)
{
    LogFollower f(dir.dir(), "");
    f.scriptsRunning = [] { return true; };
    expectTicks(f,
                {{std::nullopt, State::Running, ""},  // no log yet
                 {"All Done\n", State::Running, "process:All Done (1 seconds)"},
                 {"Video 5.0 Merge talk1\n", State::Running, "process:Video 5.0 Merge talk1 (1 seconds)"},
                 {std::nullopt, State::Running, "process:Video 5.0 Merge talk1 (2 seconds)"},
                 {"All Done,extra\r\n", State::Running, "process:All Done (1 seconds)"},
                 {std::nullopt, State::Done, "Process:All Done"}});
    EXPECT_EQ(colour, kColourWhite);
    std::filesystem::remove(dir.file("log.log"));
    LogFollower stopped(dir.dir(), "");
    stopped.scriptsRunning = [] { return false; };
    expectTicks(stopped,
                {{std::nullopt, State::Failed, "process.bat ended without a log: " + dir.file("log.log")},
                 {"Video 5.0 Merge talk1\n", State::Failed,
                  "process.bat stopped before it finished, at: Video 5.0 Merge talk1"}});
    EXPECT_EQ(colour, kColourRed);
}

TEST_F(FollowedLog, BothTargetsAlternateBetweenTheirLogs)
{
    LogFollower f(dir.dir() + "cd/", dir.dir() + "web/");
    writeFile(dir.dir() + "cd/log.log", "Video 5.0 Merge talk1\n");
    writeFile(dir.dir() + "web/log.log", "All Done\n");
    status = "";
    expectTicks(f,
                {{std::nullopt, State::Running, "cd:Video 5.0 Merge talk1 (1 seconds)"},
                 {std::nullopt, State::Running, "net:All Done (1 seconds)"}});
}

}  // namespace
