// "pellucor publish" stopped at each step by SIGTERM or SIGKILL, on a disk
// that fills up, and on lectures whose files disagree.
#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <sys/mount.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>

#include "MediaTools.h"
#include "ProcessTable.h"
#include "PublishRun.h"
#include "core/TavString.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

class PublishTransaction : public PublishRun {
protected:
    // A publish (with extra options) that stops itself at step, signalled
    // there; atStop: the output when it stopped. False when it never got
    // there or did not end.
    bool signalAt(const char* step, int signal, const QStringList& extra, QProcess& p,
                  std::map<std::string, std::string>& atStop)
    {
        p.setProcessEnvironment(programEnvironment(root.dir(), {QString("PELLUCOR_PUBLISH_STOP_AT=") + step}));
        p.start(PELLUCOR_EXE,
                QStringList {"publish", QString::fromStdString(lecture), "--disk", QString::fromStdString(out)} + extra);
        if (!p.waitForStarted())
            return false;
        ProcessStat stat;  // stopped ('T') by itself at the step
        for (int i = 0; i < 600 && readProcess("/proc/" + std::to_string(p.processId()), stat) && stat.state != 'T';
             ++i)
            QThread::msleep(50);
        if (stat.state != 'T')
            return false;
        atStop = treeContents(out);
        ::kill(static_cast<pid_t>(p.processId()), signal);
        ::kill(static_cast<pid_t>(p.processId()), SIGCONT);
        return p.waitForFinished(60000);
    }
    // What a signalled publish told and left: SIGTERM exits 143 with told,
    // leaving nothing beside the output; SIGKILL leaves what the next
    // publish removes.
    void expectStopped(QProcess& p, int signal, const char* told)
    {
        if (signal == SIGTERM) {
            EXPECT_EQ(p.exitCode(), 143);
            EXPECT_TRUE(holds(p.readAllStandardError().toStdString(), told));
            EXPECT_TRUE(leftBeside(out).empty());
        } else {
            EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);
        }
    }
};
class SignalAtStep : public PublishTransaction, public ::testing::WithParamInterface<const char*> { };

TEST_P(SignalAtStep, TermOrKillLeaveThePreviousPublicationAsItWas)
{
    copySampleInto(lecture);
    ASSERT_EQ(publish().code, 0);
    const auto before = treeContents(out);
    for (const int signal : {SIGTERM, SIGKILL}) {
        QProcess p;
        std::map<std::string, std::string> atStop;
        ASSERT_TRUE(signalAt(GetParam(), signal, {}, p, atStop)) << GetParam();
        expectStopped(p, signal, "Publish cancelled");
        EXPECT_EQ(treeContents(out), before) << GetParam() << " " << signal;
    }
    // The next publish removes what the killed one left.
    EXPECT_EQ(publish().code, 0);
    EXPECT_TRUE(leftBeside(out).empty());
}

INSTANTIATE_TEST_SUITE_P(EverySteps, SignalAtStep,
                         ::testing::Values("slidetext", "convert", "load", "media", "describe", "hls", "video", "style",
                                           "script", "follow", "install"));

// The lecture as one video is written once the publication is in place:
// students have the new pages meanwhile, and a stop while it is written
// leaves them whole, without the video.
TEST_F(PublishTransaction, TheVideoFollowsThePublicationInPlace)
{
    copySampleInto(lecture);
    ASSERT_EQ(publish().code, 0);
    const std::string titles = lecture + "titles.txt";
    writeFile(titles, ReplaceAll(readFile(titles), "Welcome to the talk", "Welcome back"));
    for (const int signal : {SIGTERM, SIGKILL}) {
        QProcess p;
        std::map<std::string, std::string> atStop;
        ASSERT_TRUE(signalAt("video", signal, {"--video"}, p, atStop));
        EXPECT_TRUE(holds(atStop["index.htm"], "Welcome back"));
        EXPECT_FALSE(holds(atStop["index.htm"], "lecture.mp4"));
        EXPECT_EQ(atStop.count("lecture.mp4"), 0u);
        expectStopped(p, signal, "Publish cancelled while the lecture video was written");
        EXPECT_EQ(treeContents(out), atStop) << signal;
    }
    const Outcome r = publish({"--video"});
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(leftBeside(out).empty());
    const auto tree = treeContents(out);
    EXPECT_EQ(tree.count("lecture.mp4"), 1u);
    EXPECT_TRUE(holds(tree.at("index.htm"), "href=\"lecture.mp4\""));
    EXPECT_TRUE(holds(tree.at(".pellucor-manifest"), "lecture.mp4\n"));
    const size_t inPlace = r.out.find("In place for students: " + out + "index.htm");
    ASSERT_NE(inPlace, std::string::npos) << describe(r);
    EXPECT_LT(inPlace, r.out.find("The lecture as one video: 100%")) << describe(r);
}

TEST_F(PublishTransaction, AFullDiskIsToldAndLeavesThePreviousPublication)
{
    copySampleInto(lecture);
    // A small file system of its own: room for one publication, not two.
    fs::create_directories(out);
    ASSERT_EQ(::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=1400k"), 0) << std::strerror(errno);
    out += "lecture/";
    const Outcome first = publish();
    const Outcome second = publish({"--quiet"});
    const auto tree = treeContents(out);
    ::umount2(fs::path(out).parent_path().parent_path().c_str(), MNT_DETACH);
    ASSERT_EQ(first.code, 0) << describe(first);
    EXPECT_NE(second.code, 0);
    expectHolds(second, second.err, {"No space left on device", fs::path(out).parent_path().parent_path().string()});
    EXPECT_EQ(tree.count("index.htm"), 1u);
    EXPECT_EQ(tree.count(".pellucor-manifest"), 1u);
}

// Lectures whose files disagree: the name, the order of the times, their
// end against the recording's, a recording that starts later than 0.
struct Disagreement {
    // file: in the lecture, written with text ("": none; no text: a recording shifted by 5 s)
    const char *name, *file, *text, *option;
    int exitCode;
    const char* told;  // in the command's output
};
void PrintTo(const Disagreement& d, std::ostream* os) { *os << d.name; }

class FilesThatDisagree : public PublishRun, public ::testing::WithParamInterface<Disagreement> { };

TEST_P(FilesThatDisagree, ArePublishedAsTheyShouldBeOrRefusedWithTheReason)
{
    const Disagreement& d = GetParam();
    copySampleInto(lecture);
    std::string err;
    if (d.text && *d.file)
        writeFile(lecture + d.file, d.text);
    if (!d.text) {
        const std::string shifted = root.file("shifted.mp4");
        ASSERT_TRUE(
            ffmpeg({"-v", "error", "-i", lecture + d.file, "-c", "copy", "-output_ts_offset", "5", shifted}, err))
            << err;
        fs::rename(shifted, lecture + d.file);
    }
    const Outcome r = publish(*d.option ? QStringList {d.option} : QStringList {});
    EXPECT_EQ(r.code, d.exitCode) << describe(r);
    expectHolds(r, r.out + r.err, {d.told});
    for (int part = 1; part <= 3 && r.code == 0; ++part) {
        // Every chapter ends after it starts, and by the part's end.
        const std::string text = readFile(out + "chapters" + std::to_string(part) + ".vtt");
        for (size_t at = text.find(" --> "); at != std::string::npos; at = text.find(" --> ", at + 1)) {
            EXPECT_LE(text.substr(at - 12, 12), text.substr(at + 5, 12)) << text;
            EXPECT_LE(text.substr(at + 5, 12), "00:00:06.100") << text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lectures, FilesThatDisagree,
    ::testing::Values(Disagreement {"NameOfNoPart", "", "", "--name=big", 1,
                                    "it holds the events files talk1.txt, talk2.txt, talk3.txt (lecture talk)"},
                      Disagreement {"TimesOutOfOrder", "talk1.txt",
                                    "u 00:00:04 00:00:06 URL\\sld003.htm\r\nu 00:00:00 00:00:02 URL\\sld001.htm\r\n"
                                    "u 00:00:02 00:00:04 URL\\sld002.htm\r\n",
                                    "", 0, "talk1.txt are not in time order; they were put in order"},
                      Disagreement {"TimesPastTheRecordingsEnd", "talk3.txt",
                                    "u 00:00:00 00:00:20 URL\\sld005.htm\r\nu 00:00:20 00:00:40 URL\\sld006.htm\r\n",
                                    "", 0, "starts at 00:00:20, after the end of its recording (00:00:06)"},
                      Disagreement {"RecordingStartsAt5Seconds", "talk3.mp4", nullptr, "", 0, "Published for disk"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
