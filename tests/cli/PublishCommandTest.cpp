// "pellucor publish" and "pellucor slide-info" run as processes on real
// lectures: a publish that cannot go on names the file and the reason and
// leaves nothing behind that looks finished.
#include <gtest/gtest.h>

#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

#include "MediaTools.h"
#include "PublishRun.h"
#include "core/CaptionFiles.h"
#include "core/TavUtils.h"
#include "publish/LectureRecord.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

class PublishCommand : public PublishRun {
protected:
    void SetUp() override
    {
        PublishRun::SetUp();
        copySampleInto(lecture, {"talk1.mp4"});
    }
    // Keeps only part 1 of the sample.
    void onePart()
    {
        fs::remove(lecture + "talk2.txt");
        fs::remove(lecture + "talk2.rm");
    }
};

// Cues in a published captions file as FFmpeg's own WebVTT reader counts
// them (-1 when it cannot read the file).
int cuesReadByFfprobe(const std::string& vtt)
{
    std::string out;
    if (!runTool({"ffprobe", "-v", "error", "-count_packets", "-select_streams", "s:0", "-show_entries",
                  "stream=codec_name,nb_read_packets", "-of", "csv=p=0", vtt},
                 out)
        || out.rfind("webvtt,", 0) != 0)
        return -1;
    return std::stoi(out.substr(7));
}

TEST_F(PublishCommand, FailuresStopThePublishNamingTheFileAndTheReason)
{
    Outcome r = run({"publish"});
    EXPECT_EQ(r.code, 2) << describe(r);
    expectHolds(r, r.err, {"give exactly one lecture directory"});

    r = publish({"--style", QString::fromStdString(root.dir() + "no-such-style")});
    expectRefused(r, {});
    EXPECT_EQ(occurrences(r.err, "Style directory not found: " + root.dir() + "no-such-style/"), 1u) << describe(r);

    // A style directory whose one file is an image.
    writeFile(root.dir() + "style/logo.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    expectRefused(publish({"--style", QString::fromStdString(root.dir() + "style/")}), {"holds no templates"});

    // An output directory holding a file that no publication wrote.
    writeFile(out + "thesis.docx", "mine");
    expectRefused(publish(), {"holds 1 file(s) that no publication wrote: thesis.docx", "(--replace)"});
    EXPECT_EQ(readFile(out + "thesis.docx"), "mine");
    fs::remove_all(out);

    onePart();
    writeFile(root.dir() + "empty.som", "TextCDDir=\r\noptCD=1\r\noptWeb=0\r\n");
    r = run({"publish", QString::fromStdString(lecture), "--som", QString::fromStdString(root.dir() + "empty.som")});
    expectRefused(r, {"Disk Output Dir is empty"});
    EXPECT_FALSE(holds(r.err, "root directory")) << describe(r);

    // Files that are not what their names say: the file and the line told,
    // the file left as it was.
    const std::string garbage("\x7f"
                              "ELF\x02\x01\x01\0\0\0garbage\xff\xfe\r\n\x01\x02\x03",
                              24);
    for (const auto& [name, text, told] : std::vector<std::tuple<std::string, std::string, std::string>> {
             {"talk1.srt", "1\n00:00:01,000 --> 00:00:02,000\nfine\n\n2\n00:00:03,000 -> 00:00:04,000\nbroken\n",
              "The captions file " + lecture
                  + "talk1.srt cannot be published: line 5: expected a cue number or a time line"},
             {"talk1.vtt", "1\n00:00:01,000 --> 00:00:02,000\nfine\n",  // an .srt by another name
              lecture + "talk1.vtt cannot be published: line 1: a WebVTT file begins with WEBVTT"},
             {"talk1.txt", garbage, lecture + "talk1.txt holds no slide lines"}}) {
        SCOPED_TRACE(name);
        writeFile(lecture + name, text);
        expectRefused(publish(), {told});
        EXPECT_EQ(readFile(lecture + name), text);
        EXPECT_FALSE(fs::exists(out + "captions1.vtt"));
        fs::remove(lecture + name);  // the events file last: a pipe takes its place
    }
    // A pipe named like the events file: the publish must not wait on it.
    ASSERT_EQ(::mkfifo((lecture + "talk1.txt").c_str(), 0644), 0);
    r = publish();
    ASSERT_TRUE(r.finished) << "the publish hung on a pipe";
    expectRefused(r, {lecture + "talk1.txt", "not an ordinary file"});
    fs::remove(lecture + "talk1.txt");
    fs::copy_file(sampleDir() + "talk1.txt", lecture + "talk1.txt");

    // Files the publishing user may not read (as root: without the
    // capabilities that override file modes).
    const QStringList asUser = ::geteuid() != 0
        ? QStringList {}
        : QStringList {"setpriv", "--inh-caps=-all", "--bounding-set=-dac_override,-dac_read_search", "--"};
    for (const char* name : {"talk1.txt", "titles.txt", "img002.gif"}) {
        SCOPED_TRACE(name);
        const std::string path = lecture + name;
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::replace);
        r = publish({}, asUser);
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
        expectRefused(r, {path, "Permission denied"});
    }

    // Media that cannot be read to its end: no copy of it is left.
    const std::string media = readFile(lecture + "talk1.rm");
    writeFile(lecture + "talk1.rm", media.substr(0, media.size() / 3));
    expectRefused(publish(), {lecture + "talk1.rm"});
    for (const char* made : {"talk1.rm", "talk1.mp4", "talk1.vtt"})
        EXPECT_FALSE(fs::exists(out + made)) << made;
    EXPECT_EQ(readFile(lecture + "talk1.rm").size(), media.size() / 3);

    // A step of the script that fails: an external merge tool.
    writeFile(lecture + "talk1.rm", media);
    const std::string tool = root.dir() + "rmmerge";
    writeFile(tool, "#!/bin/sh\necho merging >&2\nexit 3\n");
    fs::permissions(tool, fs::perms::owner_all);
    preferences("prfRmmerge=" + tool + "\nprfEvents=" + root.dir() + "events\n");
    expectRefused(publish(), {"Video 5.0 Merge talk1 failed (exit status 3)"});
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(PublishCommand, TheManualRunCommandWorksAsPrinted)
{
    onePart();
    out = root.dir() + "it's $HOME `x` & more/";  // a name the shell would otherwise interpret
    const auto manualCommand = [&] {
        const Outcome r = publish({"--no-autostart"});
        const std::string marker = "You must manually run: ";
        const size_t at = r.out.find(marker);
        EXPECT_TRUE(r.code == 0 && at != std::string::npos) << describe(r);
        return at == std::string::npos ? "" : r.out.substr(at + marker.size(), r.out.find(")\n", at) - at - marker.size());
    };
    const auto stagings = [&] {
        std::vector<fs::path> found;
        for (const auto& e : fs::directory_iterator(root.dir()))
            if (StartsWith(e.path().filename().string(), ".pellucor-stage"))
                found.push_back(e.path());
        return found;
    };
    manualCommand();
    // Published again before it was run: the first one's staging goes.
    const std::string command = manualCommand();
    ASSERT_EQ(stagings().size(), 1u);
    EXPECT_TRUE(holds(command, stagings()[0].filename().string())) << command;
    const auto mode = fs::status(stagings()[0] / "process.bat").permissions();
    EXPECT_NE(mode & fs::perms::owner_exec, fs::perms::none);
    EXPECT_NE(mode & fs::perms::others_exec, fs::perms::none);
    EXPECT_FALSE(fs::exists(out + "log.log"));
    QProcess shell;
    shell.start("sh", {"-c", QString::fromStdString(command)});
    ASSERT_TRUE(shell.waitForFinished(30000));
    EXPECT_EQ(shell.exitCode(), 0) << command << "\n" << shell.readAllStandardError().toStdString();
    EXPECT_EQ(readFile(out + "log.log"), "All Done\n");
}

TEST_F(PublishCommand, FileNamesAreComparedWithoutLetterCaseAndWildcardsMatchOnlyThemselves)
{
    const std::string upper = root.dir() + "Talk/";  // the directory's name in another case than its files
    fs::rename(lecture, upper);
    fs::rename(upper + "titles.txt", upper + "TITLES.TXT");
    fs::rename(upper + "talk2.rm", upper + "Talk2.RM");
    for (const char* name : {"*", "?", "*.rm"})  // a literal star, not every recording
        writeFile(upper + name, "");
    Outcome r = slideInfo(upper);
    ASSERT_EQ(r.code, 0) << describe(r);
    expectHolds(r, r.out,
                {"Parts: 3", "video " + upper + "talk1.rm", "audio " + upper + "Talk2.RM", "\"Welcome to the talk\""});

    // Lec.RM with Lec.txt: the first-recording convention.
    const std::string lec = root.dir() + "lec/";
    fs::create_directories(lec);
    fs::copy_file(upper + "talk1.rm", lec + "Lec.RM");
    fs::copy_file(upper + "talk1.txt", lec + "Lec.txt");
    r = slideInfo(lec);
    ASSERT_EQ(r.code, 0) << describe(r);
    expectHolds(r, r.out, {"events " + lec + "Lec.txt, video " + lec + "Lec.RM"});

    // Two files that differ only in case cannot be told apart.
    fs::copy_file(upper + "talk1.txt", upper + "TALK1.txt");
    r = slideInfo(upper);
    EXPECT_NE(r.code, 0) << describe(r);
    expectHolds(r, r.err, {upper + "TALK1.txt", upper + "talk1.txt"});

    fs::remove(upper + "TALK1.txt");
    lecture = upper;
    r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(fs::exists(out + "talk2.m4a") || fs::exists(out + "Talk2.m4a")) << describe(r);
}

TEST_F(PublishCommand, CaptionsArePublishedForTheirPartAndAPublishedLectureIsPublishedAgain)
{
    // Part 1 has captions written as SubRip by a Windows editor; part 2 none.
    const std::string srt = "\xEF\xBB\xBF"
                            "1\r\n00:00:00,500 --> 00:00:02,000\r\nWelcome, everyone.\r\n\r\n"
                            "2\r\n00:00:02,000 --> 00:00:05,250\r\nWhy timing matters.\r\n";
    writeFile(lecture + "Talk1.SRT", srt);
    // and German captions, named for their language: automatic ones a
    // person has reviewed in the caption editor.
    const std::string german
        = "WEBVTT\r\n\r\nNOTE Automatic captions: made by speech recognition (Whisper), reviewed by a person\r\n"
          "Reviewed: yes\r\n\r\nNOTE Confidence: 41+\r\n\r\n00:00.500 --> 00:02.000\r\nWillkommen!\r\n";
    writeFile(lecture + "talk1.de.vtt", german);
    writeFile(lecture + "talk1.old.vtt", german);  // no language: not published
    // and French ones that speech recognition translated.
    std::string err;
    ASSERT_TRUE(WriteMachineCaptions(lecture + "talk1.fr.vtt",
                                     std::string("WEBVTT\r\n\r\n") + kMachineCaptionsNote
                                         + ": made by speech recognition (Whisper)\r\nLanguage: fr\r\n"
                                           "Translated from: en\r\n\r\n00:00:00.500 --> 00:00:02.000\r\nBienvenue\r\n",
                                     err))
        << err;
    // Descriptions made from the slides where a part has none; part 3's
    // are the lecturer's.
    const std::string described = "WEBVTT\n\n00:00:01.000 --> 00:00:02.000\nA phone on a desk.\n";
    writeFile(lecture + "talk3.descriptions.vtt", described);
    Outcome r = publish({"--describe"});
    ASSERT_EQ(r.code, 0) << describe(r);
    ASSERT_TRUE(fs::exists(out + "n001.htm"));  // the style's slide index
    EXPECT_TRUE(holds(readFile(lecture + "talk1.descriptions.vtt"), "Slide 1: Welcome to the talk."));
    EXPECT_TRUE(holds(readFile(out + "descriptions2.vtt"), kMachineDescriptionsNote));
    EXPECT_EQ(readFile(lecture + "talk3.descriptions.vtt"), described);
    EXPECT_TRUE(holds(readFile(out + "descriptions3.js"), "A phone on a desk."));
    EXPECT_TRUE(
        holds(readFile(out + "part3.htm"), "data-descriptions=\"descriptions3.vtt|descriptions3.js|3.descriptions\""));
    EXPECT_TRUE(holds(readFile(out + kLectureRecordName), "\"descriptions\":\"descriptions3.vtt\""));
    const std::string vtt = readFile(out + "captions1.vtt");
    EXPECT_EQ(vtt.rfind("WEBVTT\r\n\r\n1\r\n00:00:00.500 --> 00:00:02.000\r\nWelcome, everyone.\r\n", 0), 0u) << vtt;
    EXPECT_EQ(cuesReadByFfprobe(out + "captions1.vtt"), 2);
    EXPECT_TRUE(fs::exists(out + "captions1.js"));
    EXPECT_FALSE(fs::exists(out + "captions2.vtt"));
    // The lecture's own language's captions are the part's first track,
    // each language named in its own words.
    EXPECT_TRUE(holds(readFile(out + "part1.htm"),
                      "<track id=\"captions\" kind=\"captions\" label=\"English\" srclang=\"en\" "
                      "src=\"captions1.vtt\" data-script=\"captions1.js\">"));
    EXPECT_TRUE(holds(readFile(out + "part1.htm"),
                      "data-captions-tracks=\"en|English|captions1.vtt|captions1.js|1|lecturer;"
                      "de|Deutsch (reviewed)|captions1.de.vtt|captions1.de.js|1.de|reviewed;"
                      "fr|Français (machine-translated)|captions1.fr.vtt|captions1.fr.js|1.fr|auto\""));
    EXPECT_EQ(cuesReadByFfprobe(out + "captions1.de.vtt"), 1);
    EXPECT_TRUE(holds(readFile(out + "captions1.de.js"), "Willkommen"));
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()),
              std::count_if(fs::directory_iterator(out), fs::directory_iterator(),
                            [](const fs::directory_entry& e) { return !holds(e.path().string(), "old"); }));
    EXPECT_FALSE(holds(readFile(out + "part2.htm"), "kind=\"captions\""));
    // The record says whose captions each part has, for the accessibility report.
    EXPECT_TRUE(holds(readFile(out + kLectureRecordName),
                      "\"tracks\":[{\"kind\":\"lecturer\",\"lang\":\"en\"},"
                      "{\"kind\":\"machine\",\"lang\":\"de\",\"reviewed\":true},{\"kind\":\"machine\",\"lang\":\"fr\"}]"));
    EXPECT_EQ(readFile(lecture + "Talk1.SRT"), srt);

    // The published directory, with whatever else it holds, as a lecture.
    const std::string copy = root.dir() + "published/";
    fs::copy(out, copy);
    writeFile(copy + "notes.txt", "a file that is not an events file\r\n");
    const auto before = treeContents(copy);
    r = slideInfo(copy);
    ASSERT_EQ(r.code, 0) << describe(r);
    expectHolds(r, r.out,
                {"Lecture talk", "Parts: 3", "Slides: 6", "sld001.htm  img001.gif", "\"Welcome to the talk\"",
                 "events " + copy + "talk1.txt"});
    EXPECT_EQ(treeContents(copy), before);  // it only prints

    // Published again, its slide-change tracks (talk1.vtt ...) are not taken
    // for captions: its own captions are, and captions written beside a
    // part since are too.
    fs::copy_file(lecture + "Talk1.SRT", copy + "talk2.srt");
    lecture = copy;
    out = root.dir() + "out2/";
    r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(readFile(out + "sld001.htm"), "Welcome"));
    EXPECT_TRUE(fs::exists(out + "talk2.m4a"));
    EXPECT_EQ(readFile(out + "captions1.vtt"), vtt);
    EXPECT_TRUE(holds(readFile(out + "captions1.de.vtt"), "Willkommen"));
    EXPECT_TRUE(holds(readFile(out + "part1.htm"), "|1.fr|auto\""));  // still machine-made
    EXPECT_TRUE(holds(readFile(out + "part1.htm"), "|1.de|reviewed;"));  // still reviewed by a person
    EXPECT_EQ(cuesReadByFfprobe(out + "captions2.vtt"), 2);
    EXPECT_TRUE(holds(readFile(out + "descriptions3.vtt"), "A phone on a desk."));
    // Its RealMedia video, published again, still plays as video.
    EXPECT_EQ(ffprobe(out + "talk1.mp4").codecs(), "h264 aac");
    EXPECT_EQ(decodedFrames(out + "talk1.mp4"), decodedFrames(lecture + "talk1.rm"));
}

}  // namespace
