// "pellucor publish" stopped at each step by SIGTERM or SIGKILL, on a disk
// that fills up, and on lectures whose files disagree.
#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <sys/mount.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "MediaTools.h"
#include "ProcessTable.h"
#include "PublishRun.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

using PublishTransaction = PublishRun;
class SignalAtStep : public PublishRun, public ::testing::WithParamInterface<const char*> { };

TEST_P(SignalAtStep, TermOrKillLeaveThePreviousPublicationAsItWas)
{
    copySampleInto(lecture);
    ASSERT_EQ(publish().code, 0);
    const auto before = treeContents(out);
    for (const int signal : {SIGTERM, SIGKILL}) {
        QProcess p;
        p.setProcessEnvironment(programEnvironment(root.dir(), {QString("PELLUCOR_PUBLISH_STOP_AT=") + GetParam()}));
        p.start(PELLUCOR_EXE, {"publish", QString::fromStdString(lecture), "--disk", QString::fromStdString(out)});
        ASSERT_TRUE(p.waitForStarted());
        ProcessStat stat;  // stopped ('T') by itself at the step
        for (int i = 0; i < 600 && readProcess("/proc/" + std::to_string(p.processId()), stat) && stat.state != 'T';
             ++i)
            QThread::msleep(50);
        ASSERT_EQ(stat.state, 'T') << GetParam();
        ::kill(static_cast<pid_t>(p.processId()), signal);
        ::kill(static_cast<pid_t>(p.processId()), SIGCONT);
        ASSERT_TRUE(p.waitForFinished(60000));
        if (signal == SIGTERM) {
            EXPECT_EQ(p.exitCode(), 143) << GetParam();
            EXPECT_TRUE(holds(p.readAllStandardError().toStdString(), "Publish cancelled"));
            EXPECT_TRUE(leftBeside(out).empty()) << GetParam();
        } else {
            EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);
        }
        EXPECT_EQ(treeContents(out), before) << GetParam() << " " << signal;
    }
    // The next publish removes what the killed one left.
    EXPECT_EQ(publish().code, 0);
    EXPECT_TRUE(leftBeside(out).empty());
}

INSTANTIATE_TEST_SUITE_P(EverySteps, SignalAtStep,
                         ::testing::Values("slidetext", "convert", "load", "media", "describe", "hls", "video", "style",
                                           "script", "follow", "install"));

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
