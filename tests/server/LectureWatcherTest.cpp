#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "SampleCopy.h"
#include "TestSupport.h"
#include "core/PreferenceStore.h"
#include "core/TavUtils.h"
#include "media/FfmpegMediaOpener.h"
#include "publish/PublishSession.h"
#include "server/IncomingPublisher.h"
#include "server/LectureWatcher.h"
#include "server/SettleTracker.h"
#include "server/TreeSnapshot.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

// The server window's model, and through it the engine it drives.
class ServerEdition : public ::testing::Test {
protected:
    int argc = 0;
    QCoreApplication app {argc, nullptr};
    TempDir root;
    RecordingMessageSink sink;
    PreferenceSnapshot prefs = PreferenceStore(QString::fromStdString(root.file("prefs.ini"))).Read();
    LectureWatcher server {[this] { return prefs; }};

    void SetUp() override
    {
        prefs["prfStyle"] = PELLUCOR_STYLE_DIR;
        prefs["prfsrvIncoming"] = root.dir() + "incoming";
        prefs["prfsrvRepository"] = root.dir() + "repository";
        prefs["prfsrvPubDir"] = root.dir() + "pub";
        prefs["prfsrvLogFile"] = root.dir() + "log.htm";
        prefs["prfsrvWebURL"] = "http://lectures.example.org/lectures/";
        prefs["prfsrvStreamURL"] = "";
        server.Session().openerFactory = FfmpegOpeners();
        server.Session().logIntervalMs = 50;
        server.Engine().settleTime = std::chrono::milliseconds(0);
        server.load();
        Tav_SetUnattended(true);
    }
    void TearDown() override { Tav_SetUnattended(false); }
    // One check, and the publish it started to its end.
    bool check()
    {
        QEventLoop loop;
        QObject::connect(&server, &LectureWatcher::lectureDone, &loop, &QEventLoop::quit);
        const bool found = server.CheckIncoming();
        if (server.Engine().Busy())
            loop.exec();
        return found;
    }
    void dropSample(const std::string& rel) { copySampleInto(root.dir() + "incoming/" + rel); }
    std::string log() { return readFile(root.file("log.htm")); }
    bool publishAll()
    {
        bool any = false;
        while (check())
            any = true;
        return any;
    }
};

// What it leaves in each tree is checked on the real process (server_lib.sh).
TEST_F(ServerEdition, HostileLectureNameIsPublishedWithoutRunningAnythingAndEscapedInTheLogAndIndex)
{
    const std::string name = "x-it's $(touch PWNED) `touch PWNED2`; \"q\" <img src=x onerror=alert(1)>&amp";
    const std::string index = root.dir() + "pub/index.htm";
    writeFile(index, "mine");  // an index page of someone else's is never replaced
    dropSample("lectures/" + name);
    ASSERT_TRUE(check());
    EXPECT_TRUE(server.Engine().LastPublishOk()) << server.lblStatus;
    EXPECT_TRUE(fs::exists(server.txtPubDir + "talk1.mp4"));  // its parts are those of lecture "talk"
    EXPECT_EQ(server.txtRelPath, "lectures/");
    EXPECT_EQ(server.txtWebURL.rfind("http://lectures.example.org/lectures/lectures/it", 0), 0u) << server.txtWebURL;
    EXPECT_EQ(server.lblPhase.rfind("Complete - " + root.dir() + "repository/lectures/it", 0), 0u) << server.lblPhase;
    EXPECT_FALSE(check());  // nothing more to do
    EXPECT_EQ(server.lblPhase, "No incoming lectures found");
    for (const auto& e : fs::recursive_directory_iterator(root.path()))
        EXPECT_FALSE(holds(e.path().filename().string(), "PWNED")) << e.path();
    // Nothing of the name becomes markup: no tag, no quote ending an attribute.
    const std::string text = log();
    for (const std::string& said :
         {"Watching Directory " + root.dir() + "incoming<br>\r\n", std::string("Calling Pellucor in "),
          std::string("&lt;img src=x onerror=alert(1)&gt;&amp;amp")})
        EXPECT_TRUE(holds(text, said)) << said;
    EXPECT_EQ(occurrences(text, "Complete - "), 1u);
    EXPECT_FALSE(holds(text, "<img"));
    EXPECT_FALSE(holds(text, "\"q\""));
    const auto link = text.find("Lecture URL at <a href=\"http://lectures.example.org/lectures/lectures/it");
    ASSERT_NE(link, std::string::npos) << text;
    const std::string href = text.substr(link + 24, text.find('"', link + 24) - link - 24);
    EXPECT_EQ(href.find_first_of(" <>'`"), std::string::npos) << href;
    EXPECT_TRUE(holds(href, "%3Cimg%20src=x%20onerror=alert(1)%3E"));
    EXPECT_EQ(readFile(index), "mine");
    EXPECT_TRUE(holds(text, "Error - the index page was not written - "));
    // The course page at the publish root links it, nothing of the name markup.
    fs::remove(index);
    ASSERT_TRUE(server.WriteIndexPage());
    const std::string page = readFile(index);
    EXPECT_TRUE(holds(page, "course-index/course.js") && holds(page, "href=\"lectures/it")) << page;
    EXPECT_FALSE(holds(page, "<img src=x"));
    EXPECT_TRUE(holds(page, "%3Cimg%20src%3Dx%20onerror%3Dalert%281%29%3E"));
}

TEST_F(ServerEdition, BadEntriesAndLinksAreLoggedOnceNeverFollowedAndNeverBlockLaterLectures)
{
    const fs::path in = root.dir() + "incoming";
    for (const char* name : {"x-", "x-talk ", "x-talk\n", "x-\xff\xfe"})
        fs::create_directories(in / name);
    writeFile(in / "x-file", "not a directory");
    // A lecture that cannot be moved.
    fs::create_directories(in / "locked" / "x-stuck");
    const bool root_user = ::geteuid() == 0;
    if (root_user)
        ASSERT_EQ(std::system(("chattr +i '" + (in / "locked" / "x-stuck").string() + "'").c_str()), 0);
    else
        fs::permissions(in / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    // Symbolic links to outside the tree: a lecture, a folder of them, a slide.
    TempDir outside;
    writeFile(outside.path() / "x-secret" / "data.txt", "private");
    fs::create_directories(outside.path() / "target");
    fs::create_directory_symlink(outside.path() / "target", in / "x-linked");
    fs::create_directory_symlink(outside.path(), in / "course");
    fs::create_directories(in / "x-inner");
    fs::create_symlink(outside.path() / "x-secret" / "data.txt", in / "x-inner" / "img001.gif");
    writeFile(in / "x-empty" / "readme.txt", "no media");              // unpublishable: logged, kept in the repository
    fs::create_directories(root.dir() + "repository/lectures/talk1");  // taken: refused as e-talk1
    fs::create_directories(in / "lectures" / "x-talk1");
    dropSample("x-zzgood");
    writeFile(in / "x-zzgood" / "talk1.cuts", "0:00:05 0:00:06  # taken with the lecture\n");
    dropSample("x-badcuts");  // part 2 lasts 4 s: never published
    writeFile(in / "x-badcuts" / "talk2.cuts", "0:00:01 0:00:09\n");
    server.txtWebPrefix = "http://[lectures]/web #1/";  // not a valid address: linked as a path

    ASSERT_TRUE(publishAll());
    EXPECT_TRUE(fs::exists(root.dir() + "repository/zzgood/talk1.rm"));
    EXPECT_TRUE(fs::exists(root.dir() + "repository/empty/readme.txt"));
    EXPECT_TRUE(fs::exists(root.dir() + "repository/zzgood/talk1.cuts"));
    EXPECT_FALSE(fs::exists(root.dir() + "pub/badcuts"));
    EXPECT_TRUE(fs::exists(root.dir() + "pub/zzgood/index.htm"));
    const std::string first = log();
    const std::string bad = "Poorly formed directory name " + in.string();
    EXPECT_EQ(occurrences(first, bad + "/x-&lt;br&gt;"), 0u);
    EXPECT_TRUE(holds(first, "<a href=\"http%3A//%5Blectures%5D/web%20%231/zzgood/\">")) << first;
    for (const std::string& said :
         {"Error - " + bad + "/x-<br>", bad + "/x-talk  (the name begins or ends in a blank)",
          bad + "/x-talk\\n (the name holds a control", std::string("(the name is not valid UTF-8)"),
          "Error - incoming directory does not exist " + in.string() + "/x-file",
          "Error - unable to move " + in.string() + "/locked/x-stuck",
          "Error - symbolic link not followed " + in.string() + "/x-linked<br>",
          "Error - symbolic link not followed " + in.string() + "/course<br>",
          "Error - symbolic link not followed " + in.string() + "/x-inner/img001.gif<br>",
          "Directory is not ready to be published - " + root.dir() + "repository/empty/",
          "Directory is not ready to be published - " + root.dir() + "repository/badcuts/ - The cut list " + root.dir()
              + "repository/badcuts/talk2.cuts is not right: line 1: the cut 0:00:01.000 0:00:09.000 "
              + "ends after the recording",
          "Error - destination directory should not exist " + root.dir() + "repository/lectures/talk1"})
        EXPECT_EQ(occurrences(first, said), 1u) << said << "\n" << first;

    // Later checks log nothing new about them, and a new lecture still goes through.
    dropSample("x-zzlater");
    EXPECT_TRUE(publishAll());
    EXPECT_FALSE(check());
    EXPECT_TRUE(fs::exists(root.dir() + "pub/zzlater/index.htm"));
    const std::string later = log().substr(first.size());
    EXPECT_FALSE(holds(later, "Error"));
    // Each bad entry is where it was, untouched.
    for (const char* name : {"x-", "x-talk ", "x-talk\n", "x-\xff\xfe", "x-file", "locked/x-stuck",
                             "x-inner/img001.gif", "lectures/e-talk1"})
        EXPECT_TRUE(fs::exists(in / name)) << name;
    EXPECT_TRUE(fs::is_symlink(in / "x-linked"));
    fs::create_directories(in / "lectures" / "x-talk1");  // refused again, beside the first refusal
    EXPECT_FALSE(server.FindReadyLecture());
    EXPECT_TRUE(fs::exists(in / "lectures" / "e-talk1") && fs::exists(in / "lectures" / "e-talk1-2"));
    EXPECT_EQ(readFile(outside.path() / "x-secret" / "data.txt"), "private");
    for (const char* name : {"linked", "inner", "course"})
        EXPECT_FALSE(fs::exists(root.dir() + "repository/" + name)) << name;
    if (root_user)
        std::system(("chattr -i '" + (in / "locked" / "x-stuck").string() + "'").c_str());
    else
        fs::permissions(in / "locked", fs::perms::owner_all);
}

// A lecture still being written is taken only once settled: server/server_command.sh.
TEST(SettleTracker, ATreeMustLookTheSameForTheWholeSettleTime)
{
    TempDir dir;
    writeFile(dir.file("talk1.rm"), "half");
    using namespace std::chrono_literals;
    SettleTracker tracker;
    const auto t0 = SettleTracker::Clock::now();
    EXPECT_FALSE(tracker.Settled("a", TakeSnapshot(dir.dir()), 2s, t0));
    EXPECT_FALSE(tracker.Settled("a", TakeSnapshot(dir.dir()), 2s, t0 + 1s));
    writeFile(dir.file("talk1.rm"), "half!");  // grows
    EXPECT_FALSE(tracker.Settled("a", TakeSnapshot(dir.dir()), 2s, t0 + 2s));
    EXPECT_FALSE(tracker.Settled("a", TakeSnapshot(dir.dir()), 2s, t0 + 3s));
    EXPECT_TRUE(tracker.Settled("a", TakeSnapshot(dir.dir()), 2s, t0 + 4s));
    // Same size, new time: still being written.
    fs::last_write_time(dir.file("talk1.rm"), fs::last_write_time(dir.file("talk1.rm")) + 1s);
    EXPECT_FALSE(tracker.Settled("a", TakeSnapshot(dir.dir()), 2s, t0 + 5s));
    tracker.KeepOnly({});  // gone, then back: seen anew
    EXPECT_FALSE(tracker.Settled("a", TakeSnapshot(dir.dir()), 2s, t0 + 7s));
    EXPECT_TRUE(tracker.Settled("a", TakeSnapshot(dir.dir()), 2s, t0 + 9s));
}

// The window's own buttons are driven in gui/ToolWindowsTest.cpp.
// "Go for It" by hand: the steps are read in the window, one box ends it.
TEST_F(ServerEdition, APublishByHandEndsInOneMessage)
{
    Tav_SetUnattended(false);
    dropSample("course/x-talk");
    ASSERT_TRUE(check());
    EXPECT_TRUE(server.Engine().LastPublishOk()) << server.lblStatus;
    ASSERT_EQ(sink.messages.size(), 1u) << ::testing::PrintToString(sink.messages);
    EXPECT_TRUE(holds(sink.messages[0], "Lecture URL at http://lectures.example.org/lectures/course/"));
}

// The sample has no captions: it fails AA, which is logged, and held back
// when the preference asks, its sources returned with the reasons.
TEST_F(ServerEdition, ALectureFailingAAIsHeldBackWhenAskedWithTheReasonsBesideIt)
{
    prefs["prfsrvHoldInaccessible"] = "Yes";
    dropSample("course/x-talk");
    ASSERT_TRUE(check());
    EXPECT_FALSE(server.Engine().LastPublishOk());
    EXPECT_FALSE(fs::exists(root.dir() + "pub/course/talk"));
    EXPECT_TRUE(holds(readFile(root.dir() + "incoming/course/e-talk/accessibility.txt"),
                      "1.2.2 Captions (Prerecorded) (A): failed - part 1: no captions"));
    const std::string text = log();
    EXPECT_TRUE(holds(text, "Accessibility - fails WCAG 2.1 AA (1.2.2, "));
    EXPECT_TRUE(holds(text, "Held back for accessibility - "));
    EXPECT_FALSE(holds(text, "Complete - "));
}

TEST_F(ServerEdition, LabelsFollowTheChosenDirectories)
{
    server.txtStreamPrefix = "rtsp://s/lectures/";
    std::string chosen = root.dir() + "repository/course/week1/talk/";
    server.chooseDirectory = [&](const std::string&, std::string& dir) { return !(dir = chosen).empty(); };
    server.browse("txtDir");
    EXPECT_EQ(server.txtDir, root.dir() + "repository/course/week1/talk");
    EXPECT_EQ(server.txtName, "talk");
    EXPECT_EQ(server.txtPubDir, root.dir() + "pub/course/week1/talk/");
    EXPECT_EQ(server.txtRelPath, "course/week1/");
    EXPECT_EQ(server.txtStreamURL, "rtsp://s/lectures/course/week1/talk/");
    server.SetDir("/elsewhere/talk");
    EXPECT_EQ(server.txtRelPath, "");
    chosen = root.dir() + "elsewhere";
    server.browse("txtIncoming");
    EXPECT_EQ(server.txtIncoming, root.dir() + "elsewhere/");
}

// The window's settings, edited, are what is kept when it closes.
TEST_F(ServerEdition, TheEditedSettingsAreKeptWhenTheWindowCloses)
{
    PreferenceSnapshot kept;
    LectureWatcher window([this] { return prefs; }, [&](const PreferenceSnapshot& p) { kept = p; });
    window.load();
    EXPECT_EQ(window.txtRepository, root.dir() + "repository");
    window.txtIncoming = root.dir() + "other/";
    window.txtStreamPrefix = "rtsp://s/";
    window.unload();
    EXPECT_EQ(kept,
              (PreferenceSnapshot {{"prfsrvIncoming", root.dir() + "other/"},
                                   {"prfsrvRepository", root.dir() + "repository"},
                                   {"prfsrvLogFile", root.dir() + "log.htm"},
                                   {"prfsrvPubDir", root.dir() + "pub"},
                                   {"prfsrvWebURL", "http://lectures.example.org/lectures/"},
                                   {"prfsrvStreamURL", "rtsp://s/"}}));
}

}  // namespace
