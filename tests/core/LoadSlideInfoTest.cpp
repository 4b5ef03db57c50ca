// Loading a lecture directory by its naming conventions (numbered parts,
// images/rawmedia, the first recording), its titles and its limits, through
// a plain host whose media files hold video when the test says so.
#include <gtest/gtest.h>

#include <sstream>

#include "FakeEncoder.h"
#include "TestSupport.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

class LectureFixture : public ::testing::Test {
protected:
    TempDir dir;
    BasicEngineHost host;
    SlideEngine engine {&host};
    RecordingMessageSink sink;
    FakeEncoderLog encoderLog;
    std::string media, err;  // the media directory as a directory text

    void SetUp() override
    {
        engine.S.MediaDir = dir.path().string();  // no trailing separator on purpose
        engine.S.LecDir = media = dir.dir();
        engine.S.LecName = "talk";
        engine.S.Prefs["prfRmmerge"] = "None";
        host.openerFactory = [this] { return std::make_unique<FakeMediaOpener>(&encoderLog); };
    }
    void put(const std::string& name, const std::string& content = "") { writeFile(media + name, content); }
    // Files of the media directory: images.txt lists one image, another
    // events file (.txt) holds one slide line, "name=text" holds that line,
    // a name starting with "*" holds video, others are empty.
    void files(const std::string& names)
    {
        std::istringstream in(names);
        for (std::string name; in >> name;) {
            if (name[0] == '*')
                encoderLog.videoFiles.insert(media + (name = name.substr(1)));
            const size_t eq = name.find('=');
            put(name.substr(0, eq),
                eq != std::string::npos      ? name.substr(eq + 1) + "\r\n"
                    : name == "images.txt"   ? "300 img001.gif\r\n"
                    : EndsWith(name, ".txt") ? "u 0 1 URL\\sld001.htm\r\n"
                                             : "");
        }
    }
    bool load(bool full = true) { return engine.LoadSlideInfo(full, true, err); }
    const Lecture& si() const { return engine.SI; }
    // Each part as "events>v:video a:audio", paths in the media directory
    // without it.
    std::string parts() const
    {
        const auto name = [&](const std::string& p) { return p.rfind(media, 0) == 0 ? p.substr(media.size()) : p; };
        std::string text;
        for (int p = 1; p <= si().PartCount(); ++p) {
            const Part& part = si().PartAt(p);
            text += (p > 1 ? " " : "") + name(part.EventsFile) + ">"
                + (part.VideoFile.empty() ? "" : "v:" + name(part.VideoFile))
                + (part.AudioFile.empty() ? "" : "a:" + name(part.AudioFile));
        }
        return text;
    }
    // Each slide as "name image start-end audio/video".
    std::string slides() const
    {
        std::string text;
        for (const Slide& s : si().Slides)
            text += (text.empty() ? "" : ", ") + s.Name + " " + s.Image + " " + s.StartTime + "-" + s.EndTime + " "
                + std::to_string(s.AudioPart) + "/" + std::to_string(s.VideoPart);
        return text;
    }
};

TEST_F(LectureFixture, MultiPartReadsEveryNumberedPartAndWinsOverOtherConventions)
{
    put("talk1.txt", "u 00:00:00 00:00:05 URL\\sld001.htm\r\nu 00:00:05 00:00:09 URL\\sld002.htm\r\n");
    put("talk2.txt", "# part two\r\nu 00:00:00 00:00:07 URL\\sld003.htm\r\n");
    put("images.txt", "300 img009.gif\r\n");
    files("*talk1.rm talk2.ra rawmedia.rm talk3.rm");  // no talk3.txt: not a part
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(parts(), "talk1.txt>v:talk1.rm talk2.txt>a:talk2.ra");
    EXPECT_EQ(slides(),
              "sld001.htm img001.gif 00:00:00-00:00:05 -1/1, sld002.htm img002.gif 00:00:05-00:00:09 -1/1, "
              "sld003.htm img003.gif 00:00:00-00:00:07 2/-1");
    EXPECT_EQ(encoderLog.closed, 1);  // talk1.rm probed and closed; talk2.ra needs no probe
}

TEST_F(LectureFixture, ImagesConventionKeepsARunningTotalOfTicks)
{
    put("images.txt", "# CS=00:00:05 DT=300\r\n300 IMG001.gif\r\n420 img002.gif\r\nlonely\r\n");
    files("rawmedia.rm pellucor.txt");  // pellucor.txt is later in the order: not used
    engine.S.LecName = "";
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(host.statuses.front(), "Using images/rawmedia convention");
    EXPECT_EQ(slides(), "sld001.htm img001.gif 00:00:00-00:00:05 1/-1, sld002.htm img002.gif 00:00:05-00:00:12 1/-1");
    EXPECT_EQ(si().PartAt(1).AudioFile, dir.dir() + "rawmedia.rm");  // probed: no video
}

TEST_F(LectureFixture, LinesThatDoNotCountReuseTheirSlot)
{
    put("talk1.txt",
        "# only a comment\r\nu 00:00:01\r\nu 00:00:00 00:00:04 URL\\intro.htm\r\nu 00:00:04 00:00:06 URL\\\r\n"
        "  u 00:00:06 00:00:08 URL\\sld002.htm\r\n");
    files("talk1.rm");
    ASSERT_TRUE(load(false)) << err;
    EXPECT_EQ(slides(), "intro.htm  00:00:00-00:00:04 -1/1, sld002.htm img002.gif 00:00:06-00:00:08 -1/1");
    EXPECT_EQ(si().SlideAt(1).Title, "intro.htm");
    EXPECT_EQ(si().PartAt(1).VideoFile, dir.file("talk1.rm"));  // without the full check: no probe
    EXPECT_TRUE(encoderLog.opened.empty());
}

TEST_F(LectureFixture, TitlesFromIndexThenTitlesFileThenPageName)
{
    put("talk1.txt",
        "u 0 1 URL\\sld001.htm\r\nu 1 2 URL\\sld002.htm\r\nu 2 3 URL\\sld003.htm\r\nu 3 4 URL\\sld004.htm\r\n");
    files("talk1.rm");
    put("index.htm",
        "<P ALIGN=LEFT><A HREF=\"sld001.htm\">  A title that is far longer than allowed</A></P>\r\n"
        "<P ALIGN=LEFT><A HREF=\"sld002.htm\">From index</A></P>\r\n"
        "<P><A HREF=\"sld003.htm\">No align, ignored</A></P>\r\n");
    put("titles.txt",
        "# Title information\r\n\"IMG002.gif\" \"Say &qt;hi&qt;\"\r\n\"sld004.htm\" \"By page\"\r\n"
        "\"img003.gif\" \"\"\r\n\"broken\" line\r\n# \"sld003.htm\" \"a comment\"\r\n");
    ASSERT_TRUE(load()) << err;
    std::string titles;
    for (const Slide& s : si().Slides)
        titles += s.Title + "|";
    EXPECT_EQ(titles, "A title that is far long|Say \"hi\"|sld003.htm|By page|");
}

TEST_F(LectureFixture, TheFullCheckAsksOrProbesTheMediaAndFailsWithoutItsComponent)
{
    engine.S.Prefs["prfRmmerge"] = "/opt/real/rmmerge";
    put("talk1.txt", "u 00:00:00 00:00:02 URL\\sld001.htm\r\n");
    files("talk1.rm");
    sink.answers = {TavNo};
    ASSERT_TRUE(load()) << err;
    EXPECT_EQ(sink.questions.back(), "Does the media for this lecture (" + dir.file("talk1.rm") + ") contain Video?");
    EXPECT_EQ(parts(), "talk1.txt>a:talk1.rm");
    // The table goes to the debug log.
    EXPECT_TRUE(holds(readFile(DebugLogPath()),
                      "Printing values of SlideInfo struct.\r\nNumOfSlides = 1\r\nNumOfParts = 1\r\nEntry 1\r\n"
                      "SlideName = sld001.htm\r\nSlideTitle = sld001.htm\r\nStartTime = 00:00:00\r\n"
                      "EndTime = 00:00:02\r\nAudioPart = 1\r\nVideoPart = -1\r\nEnd of struct"));
    // A recording of today (the name in any letter case) says by its streams
    // whether it holds video, whatever its extension and the merge tools:
    // nobody is asked.
    {
        TempDir today;
        engine.S.MediaDir = media = today.dir();
        put("talk2.txt", "u 0 1 URL\\sld002.htm\r\n");
        files("talk1.txt *talk1.MKV talk2.mp4");
        sink.questions.clear();
        ASSERT_TRUE(load()) << err;
        EXPECT_EQ(parts(), "talk1.txt>v:talk1.MKV talk2.txt>a:talk2.mp4");
        EXPECT_EQ(si().SlideAt(2).AudioPart, 2);
        EXPECT_TRUE(sink.questions.empty());
        engine.S.MediaDir = media = dir.dir();
    }
    // Asked even in unattended mode, and Cancel stops the load.
    Tav_SetUnattended(true);
    sink.answers = {TavCancel};
    EXPECT_FALSE(load());
    Tav_SetUnattended(false);
    EXPECT_EQ(err, "Cancelled...");
    // Without the media component only the quick check loads.
    host.openerFactory = nullptr;
    engine.S.Prefs["prfRmmerge"] = "None";
    EXPECT_FALSE(load());
    EXPECT_EQ(err, "Pellucor Unable to Load RealProducer ActiveX control during Slide Load");
    EXPECT_TRUE(load(false)) << err;
}

// A layout of the media directory (as files() takes it) and what loading
// it gives: the first status and the parts, or the error ("$" stands for
// the media directory).
struct Layout {
    const char *files, *status, *parts;
    bool full = true;
};
void PrintTo(const Layout& c, std::ostream* os) { *os << '"' << c.files << '"'; }

const Layout kLayouts[] = {
    {"pellucor.txt rawmedia.rm", "Using rawmedia.* convention", "pellucor.txt>a:rawmedia.rm opened rawmedia.rm"},
    {"b.rm a.rm", "", "error: In $ found a.rm but did not find timing file $a.txt"},
    {"b.rm a.rm a.txt", "Found events and media files $a.txt", "a.txt>a:a.rm opened a.rm"},
    {"notes.txt", "",
     "error: Media directory has no RealMedia files (*.rm) $ nor recordings (*.mp4 *.m4v *.mov *.mkv *.webm *.m4a "
     "*.mp3 *.ogg *.opus *.wav *.flac)"},
    {"notes.txt talk1.txt", "", "error: Unable to find media file correponding to $talk1.txt"},
    // An events file without slide lines would publish a lecture of nothing.
    {"talk1.txt=# talk1.rm", "", "error: The events file $talk1.txt holds no slide lines"},
    // A lecture that has RealMedia loads as it always did, whatever else
    // lies beside it; only its recordings are probed.
    {"talk1.txt *talk1.rm talk1.mp4 talk2.txt talk2.ra talk2.m4a", "",
     "talk1.txt>v:talk1.rm talk2.txt>a:talk2.ra opened talk1.rm"},
    // The first RealMedia file of the directory wins over rawmedia.mp4.
    {"images.txt rawmedia.mp4 *z.rm z.txt", "", "z.txt>v:z.rm opened z.rm"},
    // A recording of today without the full check: nothing is opened, the
    // extension tells.
    {"talk1.txt *talk1.MKV talk2.txt talk2.mp4", "", "talk1.txt>v:talk1.MKV talk2.txt>v:talk2.mp4", false},
    {"images.txt rawmedia.opus", "Using images/rawmedia convention", "images.txt>a:rawmedia.opus opened rawmedia.opus"},
    // The first recording of the directory, with its events file; what the
    // streams say counts.
    {"notes.txt lecture.webm *later.wav", "", "error: In $ found later.wav but did not find timing file $later.txt"},
    {"notes.txt lecture.webm *later.wav later.txt", "Found events and media files $later.txt",
     "later.txt>v:later.wav opened later.wav"},
};

class MediaLayouts : public LectureFixture, public ::testing::WithParamInterface<Layout> { };

TEST_P(MediaLayouts, LoadAsTheirConventionSays)
{
    files(GetParam().files);
    const auto expected = [&](std::string text) { return ReplaceAll(text, "$", media); };
    if (!load(GetParam().full)) {
        EXPECT_EQ("error: " + err, expected(GetParam().parts));
        return;
    }
    std::string opened;
    for (const std::string& path : encoderLog.opened)
        opened += " " + path.substr(media.size());
    EXPECT_EQ(parts() + (opened.empty() ? "" : " opened" + opened), expected(GetParam().parts));
    EXPECT_EQ(*GetParam().status ? host.statuses.front() : "", expected(GetParam().status));
}
INSTANTIATE_TEST_SUITE_P(Directories, MediaLayouts, ::testing::ValuesIn(kLayouts));

TEST_F(LectureFixture, FiveHundredSlidesOrPartsFitAndTheNextOneIsRefused)
{
    std::string lines;
    for (int i = 1; i <= 500; ++i)
        lines += "u 0 1 URL\\sld" + Fmt000(i) + ".htm\r\n";
    put("talk1.txt", lines + "u 0 1\r\n");  // an incomplete line after the 500th is harmless
    files("talk1.rm");
    ASSERT_TRUE(load(false)) << err;
    EXPECT_EQ(si().SlideCount(), 500);
    put("talk1.txt", lines + "u 0 1 URL\\sld501.htm\r\n");
    EXPECT_FALSE(load(false));
    EXPECT_TRUE(holds(err, "at most 500 slides") && holds(err, "talk1.txt")) << err;
    // 500 parts of a slide each fit; part 501 is refused as a part.
    for (int i = 1; i <= 500; ++i)
        files("talk" + std::to_string(i) + ".txt talk" + std::to_string(i) + ".rm");
    ASSERT_TRUE(load(false)) << err;
    EXPECT_EQ(si().PartCount(), 500);
    files("talk501.txt talk501.rm");
    EXPECT_FALSE(load(false));
    EXPECT_TRUE(holds(err, "at most 500 parts")) << err;
}

}  // namespace
