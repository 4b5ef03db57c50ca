// "pellucor publish" and "pellucor slide-info" run as a user runs them, as
// processes on real lectures: a publish reports success only after it was
// checked, names the file and the reason when it cannot go on, and leaves
// nothing behind that looks finished.
#include <gtest/gtest.h>

#include <QProcess>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "MediaTools.h"
#include "PellucorProcess.h"
#include "TestSupport.h"

namespace pellucor {

namespace fs = std::filesystem;
using testing_support::holds;
using testing_support::occurrences;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

using Outcome = testing_support::ProcessOutcome;
using testing_support::describe;

class PublishCommand : public ::testing::Test {
protected:
    testing_support::TempDir root;
    std::string lecture, out;

    void SetUp() override
    {
        lecture = root.dir() + "talk/";
        out = root.dir() + "out/";
        fs::create_directories(lecture);
        fs::create_directories(root.dir() + "config");
        for (const auto& e : fs::directory_iterator(testing_support::sampleDir()))
            if (e.is_regular_file() && e.path().filename() != "talk1.mp4")
                fs::copy_file(e.path(), lecture + e.path().filename().string());
    }

    // Keeps only part 1 of the sample.
    void onePart()
    {
        fs::remove(lecture + "talk2.txt");
        fs::remove(lecture + "talk2.rm");
    }

    // Stored preferences of the publishing user ("key=value" lines).
    void preferences(const std::string& lines)
    {
        writeFile(root.dir() + "config/Pellucor2.0/Pellucor2.0.ini", "[Pref]\n" + lines);
    }

    Outcome run(const QStringList& args, const QStringList& prefix = {}, int timeoutMs = 120000)
    {
        fs::create_directories(root.dir() + "config/Pellucor2.0");
        return testing_support::runProgram(PELLUCOR_EXE, args, root.dir(), prefix, timeoutMs);
    }

    Outcome publish(const QStringList& extra = {}, const QStringList& prefix = {})
    {
        return run(QStringList {"publish", QString::fromStdString(lecture), "--disk", QString::fromStdString(out)}
                       + extra,
                   prefix);
    }

    Outcome slideInfo(const std::string& dir, const QStringList& extra = {})
    {
        return run(QStringList {"slide-info", QString::fromStdString(dir)} + extra);
    }

    bool published() const { return fs::exists(out + "index.htm"); }
};

// Runs the command as a user who may not read files that only their owner
// may read: as root, without the capabilities that override file modes.
QStringList withoutOverride()
{
    if (::geteuid() != 0)
        return {};
    return {"setpriv", "--inh-caps=-all", "--bounding-set=-dac_override,-dac_read_search", "--"};
}

}  // namespace

TEST_F(PublishCommand, FailuresStopThePublishNamingTheFileAndTheReason)
{
    // A style directory that does not exist.
    Outcome r = publish({"--style", QString::fromStdString(root.dir() + "no-such-style")});
    EXPECT_NE(r.code, 0) << describe(r);
    // Named once: each failure is shown once.
    EXPECT_EQ(occurrences(r.err, "Style directory not found: " + root.dir() + "no-such-style/"), 1u) << describe(r);
    EXPECT_FALSE(holds(r.out, "Published for disk"));
    EXPECT_FALSE(published());

    // A style directory with no template in it: its one file is an image.
    const std::string style = root.dir() + "style/";
    writeFile(style + "logo.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    r = publish({"--style", QString::fromStdString(style)});
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, "holds no templates")) << describe(r);
    EXPECT_FALSE(published());

    // An events file without a single slide line.
    onePart();
    writeFile(lecture + "talk1.txt",
              std::string("\x7f"
                          "ELF\x02\x01\x01\0\0\0garbage\xff\xfe\r\n\x01\x02\x03",
                          24));
    r = publish();
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, lecture + "talk1.txt holds no slide lines")) << describe(r);
    EXPECT_FALSE(published());
}

TEST_F(PublishCommand, MediaThatCannotBeReadToItsEndFailsAndLeavesNoCopy)
{
    onePart();
    const std::string media = readFile(lecture + "talk1.rm");
    writeFile(lecture + "talk1.rm", media.substr(0, media.size() / 3));
    const Outcome r = publish();
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, lecture + "talk1.rm")) << describe(r);
    EXPECT_FALSE(published());
    for (const char* made : {"talk1.rm", "talk1.mp4", "talk1.vtt"})
        EXPECT_FALSE(fs::exists(out + made)) << made;
    EXPECT_EQ(readFile(lecture + "talk1.rm").size(), media.size() / 3);  // the recording is untouched
}

TEST_F(PublishCommand, UnreadableAndSpecialFilesAreNamed)
{
    onePart();
    // A pipe named like the events file: the publish must not wait on it.
    fs::rename(lecture + "talk1.txt", lecture + "talk1.keep");
    ASSERT_EQ(::mkfifo((lecture + "talk1.txt").c_str(), 0644), 0);
    Outcome r = publish();
    ASSERT_TRUE(r.finished) << "the publish hung on a pipe";
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, lecture + "talk1.txt")) << describe(r);
    EXPECT_TRUE(holds(r.err, "not an ordinary file")) << describe(r);
    fs::remove(lecture + "talk1.txt");
    fs::rename(lecture + "talk1.keep", lecture + "talk1.txt");

    // Files the publishing user may not read: the events file, the titles,
    // a slide image. Each stops the publish with the file and the reason.
    for (const char* name : {"talk1.txt", "titles.txt", "img002.gif"}) {
        const std::string path = lecture + name;
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::replace);
        r = publish({}, withoutOverride());
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
        EXPECT_NE(r.code, 0) << name << "\n" << describe(r);
        EXPECT_TRUE(holds(r.err, path)) << name << "\n" << describe(r);
        EXPECT_TRUE(holds(r.err, "Permission denied")) << name << "\n" << describe(r);
        EXPECT_FALSE(holds(r.out, "Published for disk")) << name;
    }
}

TEST_F(PublishCommand, AFailingScriptStepIsReportedWithItsStepAndNoAllDone)
{
    onePart();
    // An external merge tool that fails.
    const std::string tool = root.dir() + "rmmerge";
    writeFile(tool, "#!/bin/sh\necho merging >&2\nexit 3\n");
    fs::permissions(tool, fs::perms::owner_all);
    preferences("prfRmmerge=" + tool + "\nprfEvents=" + root.dir() + "events\n");
    const Outcome r = publish();
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, "Video 5.0 Merge talk1 failed (exit status 3)")) << describe(r);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(holds(r.out, "Published for disk")) << describe(r);
}

TEST_F(PublishCommand, TheManualRunCommandWorksAsPrinted)
{
    onePart();
    // A directory name the shell would otherwise interpret.
    out = root.dir() + "it's $HOME `x` & more/";
    const Outcome r = publish({"--no-autostart"});
    ASSERT_EQ(r.code, 0) << describe(r);
    const std::string marker = "You must manually run: ";
    const size_t at = r.out.find(marker);
    ASSERT_NE(at, std::string::npos) << describe(r);
    const std::string command = r.out.substr(at + marker.size(), r.out.find(")\n", at) - at - marker.size());

    const auto mode = fs::status(out + "process.bat").permissions();
    EXPECT_NE(mode & fs::perms::owner_exec, fs::perms::none);
    EXPECT_NE(mode & fs::perms::others_exec, fs::perms::none);
    EXPECT_FALSE(fs::exists(out + "log.log"));
    QProcess shell;
    shell.start("sh", {"-c", QString::fromStdString(command)});
    ASSERT_TRUE(shell.waitForFinished(30000));
    EXPECT_EQ(shell.exitCode(), 0) << command << "\n" << shell.readAllStandardError().toStdString();
    EXPECT_EQ(readFile(out + "log.log"), "All Done\n");
}

TEST_F(PublishCommand, AnEmptyOutputDirectoryFieldIsReportedAsSuch)
{
    writeFile(root.dir() + "empty.som", "TextCDDir=\r\noptCD=1\r\noptWeb=0\r\n");
    const Outcome r
        = run({"publish", QString::fromStdString(lecture), "--som", QString::fromStdString(root.dir() + "empty.som")});
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, "Disk Output Dir is empty")) << describe(r);
    EXPECT_FALSE(holds(r.err, "root directory")) << describe(r);
}

TEST_F(PublishCommand, FileNamesAreComparedWithoutLetterCase)
{
    // The directory's own name in another case than its files.
    const std::string upper = root.dir() + "Talk/";
    fs::rename(lecture, upper);
    fs::rename(upper + "titles.txt", upper + "TITLES.TXT");
    fs::rename(upper + "talk2.rm", upper + "Talk2.RM");
    Outcome r = slideInfo(upper);
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.out, "Parts: 3")) << describe(r);
    EXPECT_TRUE(holds(r.out, "audio " + upper + "Talk2.RM")) << describe(r);
    EXPECT_TRUE(holds(r.out, "\"Welcome to the talk\"")) << describe(r);  // from TITLES.TXT

    // Lec.RM with Lec.txt: the first-recording convention.
    const std::string lec = root.dir() + "lec/";
    fs::create_directories(lec);
    fs::copy_file(upper + "talk1.rm", lec + "Lec.RM");
    fs::copy_file(upper + "talk1.txt", lec + "Lec.txt");
    r = slideInfo(lec);
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.out, "events " + lec + "Lec.txt, video " + lec + "Lec.RM")) << describe(r);

    // Two files that differ only in case cannot be told apart.
    fs::copy_file(upper + "talk1.txt", upper + "TALK1.txt");
    r = slideInfo(upper);
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, upper + "TALK1.txt")) << describe(r);
    EXPECT_TRUE(holds(r.err, upper + "talk1.txt")) << describe(r);

    // And the whole publish of the upper-case lecture.
    fs::remove(upper + "TALK1.txt");
    lecture = upper;
    r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(fs::exists(out + "talk2.m4a") || fs::exists(out + "Talk2.m4a")) << describe(r);
}

TEST_F(PublishCommand, WildcardCharactersInFileNamesMatchOnlyThemselves)
{
    onePart();
    writeFile(lecture + "*", "a file named star");
    writeFile(lecture + "?", "a file named question mark");
    writeFile(lecture + "*.rm", "");  // a literal star, not every recording
    Outcome r = slideInfo(lecture);
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.out, "Parts: 1")) << describe(r);
    EXPECT_TRUE(holds(r.out, "video " + lecture + "talk1.rm")) << describe(r);
    r = publish();
    EXPECT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(published());
}

TEST_F(PublishCommand, APublishedLectureIsConvertedAndPublishedAgain)
{
    Outcome r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    ASSERT_TRUE(fs::exists(out + "n001.htm"));  // the style's slide index

    // The published directory, with whatever else it holds, as a lecture.
    const std::string copy = root.dir() + "published/";
    fs::copy(out, copy);
    writeFile(copy + "notes.txt", "a file that is not an events file\r\n");
    const auto before = testing_support::treeContents(copy);
    r = slideInfo(copy);
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.out, "Lecture talk")) << describe(r);
    EXPECT_TRUE(holds(r.out, "Parts: 3")) << describe(r);
    EXPECT_TRUE(holds(r.out, "Slides: 6")) << describe(r);
    EXPECT_TRUE(holds(r.out, "sld001.htm  img001.gif")) << describe(r);
    EXPECT_TRUE(holds(r.out, "\"Welcome to the talk\"")) << describe(r);  // titles survive
    EXPECT_TRUE(holds(r.out, "events " + copy + "talk1.txt")) << describe(r);
    EXPECT_EQ(testing_support::treeContents(copy), before);  // it only prints

    const std::string again = root.dir() + "published-again/";
    fs::copy(out, again);
    lecture = again;
    out = root.dir() + "out2/";
    r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(published());
    EXPECT_TRUE(holds(readFile(out + "sld001.htm"), "Welcome"));
    EXPECT_TRUE(fs::exists(out + "talk2.m4a"));
    // Its RealMedia video, published again, still plays as video.
    EXPECT_EQ(testing_support::ffprobe(out + "talk1.mp4").codecs(), "h264 aac");
    EXPECT_EQ(testing_support::decodedFrames(out + "talk1.mp4"), testing_support::decodedFrames(lecture + "talk1.rm"));
}

// Cues in a published captions file as FFmpeg's own WebVTT reader counts
// them (-1 when it cannot read the file).
int cuesReadByFfprobe(const std::string& vtt)
{
    std::string out;
    if (!testing_support::runTool({"ffprobe", "-v", "error", "-count_packets", "-select_streams", "s:0",
                                   "-show_entries", "stream=codec_name,nb_read_packets", "-of", "csv=p=0", vtt},
                                  out)
        || out.rfind("webvtt,", 0) != 0)
        return -1;
    return std::stoi(out.substr(7));
}

TEST_F(PublishCommand, CaptionsBesideTheRecordingArePublishedForTheirPart)
{
    // Part 1 has captions written as SubRip by a Windows editor; part 2 none.
    const std::string srt = "\xEF\xBB\xBF"
                            "1\r\n00:00:00,500 --> 00:00:02,000\r\nWelcome, everyone.\r\n\r\n"
                            "2\r\n00:00:02,000 --> 00:00:05,250\r\nWhy timing matters.\r\n";
    writeFile(lecture + "Talk1.SRT", srt);
    Outcome r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    const std::string vtt = readFile(out + "captions1.vtt");
    EXPECT_EQ(vtt.rfind("WEBVTT\r\n\r\n1\r\n00:00:00.500 --> 00:00:02.000\r\nWelcome, everyone.\r\n", 0), 0u) << vtt;
    EXPECT_EQ(cuesReadByFfprobe(out + "captions1.vtt"), 2);
    EXPECT_TRUE(fs::exists(out + "captions1.js"));
    EXPECT_FALSE(fs::exists(out + "captions2.vtt"));
    const std::string page1 = readFile(out + "part1.htm"), page2 = readFile(out + "part2.htm");
    EXPECT_TRUE(holds(page1,
                      "<track id=\"captions\" kind=\"captions\" label=\"Captions\" srclang=\"en\" "
                      "src=\"captions1.vtt\" data-script=\"captions1.js\">"));
    EXPECT_FALSE(holds(page2, "kind=\"captions\""));
    EXPECT_EQ(readFile(lecture + "Talk1.SRT"), srt);

    // Published again as a lecture, its slide-change tracks (talk1.vtt ...)
    // are not taken for captions: its own captions are, and captions
    // written beside a part since are too.
    const std::string again = root.dir() + "again/";
    fs::copy(out, again);
    fs::copy_file(lecture + "Talk1.SRT", again + "talk2.srt");
    lecture = again;
    out = root.dir() + "out2/";
    r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_EQ(readFile(out + "captions1.vtt"), vtt);
    EXPECT_EQ(cuesReadByFfprobe(out + "captions2.vtt"), 2);
}

TEST_F(PublishCommand, MalformedCaptionsStopThePublishNamingTheFileAndLine)
{
    onePart();
    const std::string bad = "1\n00:00:01,000 --> 00:00:02,000\nfine\n\n2\n00:00:03,000 -> 00:00:04,000\nbroken\n";
    writeFile(lecture + "talk1.srt", bad);
    Outcome r = publish();
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err,
                      "The captions file " + lecture
                          + "talk1.srt cannot be published: line 5: expected a cue "
                            "number or a time line"))
        << describe(r);
    EXPECT_FALSE(holds(r.out, "Published for disk")) << describe(r);
    EXPECT_FALSE(fs::exists(out + "captions1.vtt"));
    EXPECT_FALSE(published());
    EXPECT_EQ(readFile(lecture + "talk1.srt"), bad);

    // A .vtt that is an .srt under another name.
    fs::remove(lecture + "talk1.srt");
    writeFile(lecture + "talk1.vtt", "1\n00:00:01,000 --> 00:00:02,000\nfine\n");
    r = publish();
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, lecture + "talk1.vtt cannot be published: line 1: a WebVTT file begins with WEBVTT"))
        << describe(r);
    EXPECT_FALSE(published());
}

}  // namespace pellucor
