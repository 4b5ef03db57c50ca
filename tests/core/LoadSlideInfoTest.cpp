#include <gtest/gtest.h>

#include "FakeEncoder.h"
#include "TestSupport.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"

namespace pellucor {

using namespace testing_support;

namespace {

// A lecture directory in a temporary place, loaded through a plain host.
class LectureFixture : public ::testing::Test {
protected:
    TempDir dir;
    BasicEngineHost host;
    SlideEngine engine {&host};
    RecordingMessageSink sink;
    FakeEncoderLog encoderLog;
    std::string err;

    void SetUp() override
    {
        engine.S.MediaDir = dir.path().string();  // no trailing separator on purpose
        engine.S.LecDir = dir.dir();
        engine.S.LecName = "talk";
        engine.S.Prefs["prfRmmerge"] = "None";
        host.openerFactory = [this] { return std::make_unique<FakeMediaOpener>(&encoderLog); };
    }
    void put(const std::string& name, const std::string& content = "") { writeFile(dir.file(name), content); }
    bool load(bool full = true) { return engine.LoadSlideInfo(full, true, err); }
    const Lecture& si() const { return engine.SI; }
};

TEST_F(LectureFixture, MultiPartReadsEveryNumberedPartAndWinsOverOtherConventions)
{
    put("talk1.txt", "u 00:00:00 00:00:05 URL\\sld001.htm\r\nu 00:00:05 00:00:09 URL\\sld002.htm\r\n");
    put("talk1.rm");
    put("talk2.txt", "# part two\r\nu 00:00:00 00:00:07 URL\\sld003.htm\r\n");
    put("talk2.ra");
    put("talk3.rm");  // no talk3.txt: not a part
    put("images.txt", "300 img009.gif\r\n");
    put("rawmedia.rm");
    encoderLog.videoFiles.insert(dir.file("talk1.rm"));
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(si().PartCount(), 2);
    EXPECT_EQ(si().SlideCount(), 3);
    EXPECT_EQ(si().PartAt(1).VideoFile, dir.file("talk1.rm"));
    EXPECT_EQ(si().PartAt(2).AudioFile, dir.file("talk2.ra"));
    EXPECT_EQ(si().SlideAt(1).VideoPart, 1);
    EXPECT_EQ(si().SlideAt(1).AudioPart, -1);
    EXPECT_EQ(si().SlideAt(3).AudioPart, 2);
    EXPECT_EQ(si().SlideAt(3).VideoPart, -1);
    EXPECT_EQ(si().SlideAt(2).Image, "img002.gif");
    EXPECT_EQ(si().SlideAt(3).StartTime, "00:00:00");
    EXPECT_EQ(si().SlideAt(3).EndTime, "00:00:07");
    EXPECT_EQ(encoderLog.closed, 1);  // talk1.rm probed and closed; talk2.ra needs no probe
}

TEST_F(LectureFixture, ImagesConventionKeepsARunningTotalOfTicks)
{
    put("images.txt", "# CS=00:00:05 DT=300\r\n300 IMG001.gif\r\n420 img002.gif\r\nlonely\r\n");
    put("rawmedia.rm");
    put("pellucor.txt", "u 0 1 URL\\sld001.htm\r\n");  // later in the order: not used
    engine.S.LecName = "";
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(host.statuses.front(), "Using images/rawmedia convention");
    ASSERT_EQ(si().SlideCount(), 2);
    EXPECT_EQ(si().SlideAt(1).StartTime, "00:00:00");
    EXPECT_EQ(si().SlideAt(1).EndTime, "00:00:05");
    EXPECT_EQ(si().SlideAt(2).StartTime, "00:00:05");
    EXPECT_EQ(si().SlideAt(2).EndTime, "00:00:12");
    EXPECT_EQ(si().SlideAt(1).Name, "sld001.htm");
    EXPECT_EQ(si().SlideAt(2).Name, "sld002.htm");
    EXPECT_EQ(si().SlideAt(1).Image, "img001.gif");
    EXPECT_EQ(si().PartAt(1).AudioFile, dir.dir() + "rawmedia.rm");  // probed: no video
}

TEST_F(LectureFixture, PlainAndFirstMediaConventions)
{
    put("pellucor.txt", "u 00:00:00 00:00:03 URL\\sld001.htm\r\n");
    put("rawmedia.rm");
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(host.statuses.front(), "Using rawmedia.* convention");
    EXPECT_EQ(si().PartAt(1).EventsFile, dir.dir() + "pellucor.txt");

    TempDir other;
    engine.S.MediaDir = other.dir();
    writeFile(other.file("b.rm"), "");
    writeFile(other.file("a.rm"), "");
    EXPECT_FALSE(load());
    EXPECT_EQ(err, "In " + other.dir() + " found a.rm but did not find timing file " + other.dir() + "a.txt");
    writeFile(other.file("a.txt"), "u 0 1 URL\\sld001.htm\r\n");
    host.statuses.clear();
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(host.statuses.front(), "Found events and media files " + other.dir() + "a.txt");
}

TEST_F(LectureFixture, ErrorsNameTheDirectoryOrFile)
{
    put("notes.txt", "x");
    EXPECT_FALSE(load());
    EXPECT_EQ(err,
              "Media directory has no RealMedia files (*.rm) " + dir.dir()
                  + " nor recordings (*.mp4 *.m4v *.mov *.mkv *.webm *.m4a *.mp3 *.ogg *.opus *.wav *.flac)");
    put("talk1.txt", "u 0 1 URL\\sld001.htm\r\n");
    EXPECT_FALSE(load());
    EXPECT_EQ(err, "Unable to find media file correponding to " + dir.dir() + "talk1.txt");
}

TEST_F(LectureFixture, LinesThatDoNotCountReuseTheirSlot)
{
    put("talk1.txt",
        "# only a comment\r\n"
        "u 00:00:01\r\n"
        "u 00:00:00 00:00:04 URL\\intro.htm\r\n"
        "u 00:00:04 00:00:06 URL\\\r\n"
        "  u 00:00:06 00:00:08 URL\\sld002.htm\r\n");
    put("talk1.rm");
    ASSERT_TRUE(load(false)) << err;
    ASSERT_EQ(si().SlideCount(), 2);
    EXPECT_EQ(si().SlideAt(1).Name, "intro.htm");
    EXPECT_EQ(si().SlideAt(1).Image, "");
    EXPECT_EQ(si().SlideAt(1).Title, "intro.htm");
    EXPECT_EQ(si().SlideAt(2).Name, "sld002.htm");
    EXPECT_EQ(si().PartAt(1).VideoFile, dir.file("talk1.rm"));  // without the full check: no probe
    EXPECT_TRUE(encoderLog.opened.empty());
}

TEST_F(LectureFixture, AnEventsFileWithoutSlideLinesFailsNamingIt)
{
    // Publishing it would give a lecture of nothing.
    put("talk1.txt", "# nothing yet\r\n");
    put("talk1.rm");
    EXPECT_FALSE(load());
    EXPECT_EQ(err, "The events file " + dir.file("talk1.txt") + " holds no slide lines");
}

TEST_F(LectureFixture, TitlesFromIndexThenTitlesFileThenPageName)
{
    put("talk1.txt",
        "u 0 1 URL\\sld001.htm\r\nu 1 2 URL\\sld002.htm\r\nu 2 3 URL\\sld003.htm\r\nu 3 4 URL\\sld004.htm\r\n");
    put("talk1.rm");
    put("index.htm",
        "<P ALIGN=LEFT><A HREF=\"sld001.htm\">  A title that is far longer than allowed</A></P>\r\n"
        "<P ALIGN=LEFT><A HREF=\"sld002.htm\">From index</A></P>\r\n"
        "<P><A HREF=\"sld003.htm\">No align, ignored</A></P>\r\n");
    put("titles.txt",
        "# Title information\r\n"
        "\"IMG002.gif\" \"Say &qt;hi&qt;\"\r\n"
        "\"sld004.htm\" \"By page\"\r\n"
        "\"img003.gif\" \"\"\r\n"
        "\"broken\" line\r\n");
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(si().SlideAt(1).Title, "A title that is far long");
    EXPECT_EQ(si().SlideAt(2).Title, "Say \"hi\"");
    EXPECT_EQ(si().SlideAt(3).Title, "sld003.htm");
    EXPECT_EQ(si().SlideAt(4).Title, "By page");
}

TEST_F(LectureFixture, MediaQuestionWhenAnExternalMergeToolIsChosen)
{
    engine.S.Prefs["prfRmmerge"] = "/opt/real/rmmerge";
    put("talk1.txt", "u 0 1 URL\\sld001.htm\r\n");
    put("talk1.rm");
    sink.answers = {TavNo};
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(sink.questions.back(), "Does the media for this lecture (" + dir.file("talk1.rm") + ") contain Video?");
    EXPECT_EQ(si().PartAt(1).AudioFile, dir.file("talk1.rm"));
    // Asked even in unattended mode, and Cancel stops the load.
    Tav_SetUnattended(true);
    sink.answers = {TavCancel};
    EXPECT_FALSE(load());
    Tav_SetUnattended(false);
    EXPECT_EQ(err, "Cancelled...");
}

TEST_F(LectureFixture, EncoderThatCannotLoadFailsTheFullCheck)
{
    host.openerFactory = nullptr;
    put("talk1.txt", "u 0 1 URL\\sld001.htm\r\n");
    put("talk1.rm");
    EXPECT_FALSE(load());
    EXPECT_EQ(err, "Pellucor Unable to Load RealProducer ActiveX control during Slide Load");
    EXPECT_TRUE(load(false)) << err;
}

TEST_F(LectureFixture, RecordingsOfTodayComeAfterEveryRealMediaName)
{
    // A lecture that has RealMedia loads as it always did, whatever else
    // lies beside it.
    put("talk1.txt", "u 0 1 URL\\sld001.htm\r\n");
    put("talk1.rm");
    put("talk1.mp4");
    put("talk2.txt", "u 0 1 URL\\sld002.htm\r\n");
    put("talk2.ra");
    put("talk2.m4a");
    encoderLog.videoFiles.insert(dir.file("talk1.rm"));
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(si().PartAt(1).VideoFile, dir.file("talk1.rm"));
    EXPECT_EQ(si().PartAt(2).AudioFile, dir.file("talk2.ra"));
    EXPECT_TRUE(si().PartAt(2).VideoFile.empty());
    EXPECT_EQ(encoderLog.opened, std::vector<std::string> {dir.file("talk1.rm")});

    // The first RealMedia file of the directory wins over rawmedia.mp4.
    TempDir other;
    engine.S.MediaDir = other.dir();
    writeFile(other.file("images.txt"), "300 img001.gif\r\n");
    writeFile(other.file("rawmedia.mp4"), "");
    writeFile(other.file("z.rm"), "");
    writeFile(other.file("z.txt"), "u 0 1 URL\\sld001.htm\r\n");
    encoderLog.videoFiles.insert(other.file("z.rm"));
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(si().PartAt(1).EventsFile, other.file("z.txt"));
    EXPECT_EQ(si().PartAt(1).VideoFile, other.file("z.rm"));
}

TEST_F(LectureFixture, ARecordingOfTodayIsFoundByTheSameConventions)
{
    // Multi-part, the name in any letter case; its streams say whether it
    // holds video, whatever its extension suggests and whatever the merge
    // tools are (no question is asked).
    engine.S.Prefs["prfRmmerge"] = "/opt/real/rmmerge";
    put("talk1.txt", "u 0 1 URL\\sld001.htm\r\n");
    put("talk1.MKV");
    put("talk2.txt", "u 0 1 URL\\sld002.htm\r\n");
    put("talk2.mp4");
    encoderLog.videoFiles.insert(dir.file("talk1.MKV"));
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(si().PartAt(1).VideoFile, dir.file("talk1.MKV"));
    EXPECT_EQ(si().PartAt(2).AudioFile, dir.file("talk2.mp4"));  // sound only
    EXPECT_EQ(si().SlideAt(2).AudioPart, 2);
    EXPECT_TRUE(sink.questions.empty());
    // Without the full check nothing is opened: the extension tells.
    encoderLog.opened.clear();
    ASSERT_TRUE(load(false)) << err;
    EXPECT_EQ(si().PartAt(2).VideoFile, dir.file("talk2.mp4"));
    EXPECT_TRUE(encoderLog.opened.empty());

    // images.txt or pellucor.txt beside rawmedia.<kind>.
    TempDir images;
    engine.S.MediaDir = images.dir();
    writeFile(images.file("images.txt"), "300 img001.gif\r\n");
    writeFile(images.file("rawmedia.opus"), "");
    host.statuses.clear();
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(host.statuses.front(), "Using images/rawmedia convention");
    EXPECT_EQ(si().PartAt(1).AudioFile, images.file("rawmedia.opus"));

    // The first recording of the directory, with its events file.
    TempDir first;
    engine.S.MediaDir = first.dir();
    writeFile(first.file("notes.txt"), "not a part");
    writeFile(first.file("lecture.webm"), "");
    writeFile(first.file("later.wav"), "");
    EXPECT_FALSE(load());
    EXPECT_EQ(err, "In " + first.dir() + " found later.wav but did not find timing file " + first.dir() + "later.txt");
    writeFile(first.file("later.txt"), "u 0 1 URL\\sld001.htm\r\n");
    encoderLog.videoFiles.insert(first.file("later.wav"));  // what the streams say counts
    host.statuses.clear();
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(host.statuses.front(), "Found events and media files " + first.file("later.txt"));
    EXPECT_EQ(si().PartAt(1).VideoFile, first.file("later.wav"));
}

TEST_F(LectureFixture, FiveHundredSlidesFitAndTheNextOneIsRefused)
{
    std::string lines;
    for (int i = 1; i <= 500; ++i)
        lines += "u 0 1 URL\\sld" + Fmt000(i) + ".htm\r\n";
    put("talk1.txt", lines + "u 0 1\r\n");  // an incomplete line after the 500th is harmless
    put("talk1.rm");
    ASSERT_TRUE(load(false)) << err;
    EXPECT_EQ(si().SlideCount(), 500);
    put("talk1.txt", lines + "u 0 1 URL\\sld501.htm\r\n");
    EXPECT_FALSE(load(false));
    EXPECT_NE(err.find("at most 500 slides"), std::string::npos);
    EXPECT_NE(err.find("talk1.txt"), std::string::npos);
}

TEST_F(LectureFixture, PrintSlideInfoWritesTheTableToTheDebugLog)
{
    put("talk1.txt", "u 00:00:00 00:00:02 URL\\sld001.htm\r\n");
    put("talk1.rm");
    ASSERT_TRUE(load()) << err;
    const std::string log = readFile(DebugLogPath());
    EXPECT_NE(log.find("Printing values of SlideInfo struct.\r\nNumOfSlides = 1\r\nNumOfParts = 1\r\nEntry 1\r\n"
                       "SlideName = sld001.htm\r\nSlideTitle = sld001.htm\r\nStartTime = 00:00:00\r\n"
                       "EndTime = 00:00:02\r\nAudioPart = 1\r\nVideoPart = -1\r\nEnd of struct"),
              std::string::npos);
}

}  // namespace

}  // namespace pellucor
