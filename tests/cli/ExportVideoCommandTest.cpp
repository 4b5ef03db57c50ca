// "pellucor export-video" on the sample lecture and on lectures made from
// it: the streams, length and chapters ffprobe reads back, the slide each
// change shows half a second later (SSIM against the slide picture), the
// captions as a track and drawn in, the audio descriptions spoken on a
// second sound track; Ctrl-C and a full disk leave nothing.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <regex>

#include "MediaTools.h"
#include "PublishRun.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

// Where the slide is in the picture (1280x720, a 4:3 slide) and which of
// its rows are compared: clear of a speaker over it and of the captions.
struct SlideArea {
    int x, y, width, height;
    double top, bottom;  // of the slide's height
};
constexpr SlideArea kAlone {160, 0, 960, 720, 0.0, 0.7};
constexpr SlideArea kBeside {0, 60, 800, 600, 0.0, 0.7};
constexpr SlideArea kUnderCorner {160, 0, 960, 720, 1.0 / 3, 1.0};

// A slide change of the video: seconds into the video and the slide.
struct Change {
    double at;
    int slide;
};

struct Case {
    const char* name;
    std::vector<const char*> options;
    std::vector<const char*> recordings;  // of the parts exported, in order
    SlideArea area;                       // of the parts with video (audio-only parts: kAlone)
    std::vector<Change> changes;
    std::vector<const char*> titles;
    bool captions;                    // a subtitle track
    const char* eventsOf3 = nullptr;  // talk3.txt written anew
    bool sharp = false;               // sharp copies imgNNN.webp beside the GIFs
    const char* cutsOf3 = nullptr;    // talk3.cuts written
    double cutSeconds = 0;            // left out by them
};

// Part 1 skips slide 2 and returns to it: each row shows the slide it
// names, not the one at its place among the rows.
const char* const kSkipAndReturn = "u 00:00:00 00:00:02 URL\\sld001.htm\r\nu 00:00:02 00:00:04 URL\\sld003.htm\r\n"
                                   "u 00:00:04 00:00:06 URL\\sld002.htm\r\n";
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const char* const kTitles[] = {"Welcome to the talk", "Why \"timing\" matters", "Results",
                               "Questions",           "Recorded on a phone",    "Captions for everyone"};

const Case kCases[] = {
    {"WholeSampleSide",
     {},
     {"talk1.rm", "talk2.rm", "talk3.mp4"},
     kBeside,
     {{0, 1}, {2, 3}, {4, 2}, {6, 4}, {10, 5}, {13, 6}},
     {kTitles[0], kTitles[2], kTitles[1], kTitles[3], kTitles[4], kTitles[5]},
     true,
     nullptr,
     true},
    {"WholeSampleGifsOnly",
     {"--layout=pip"},
     {"talk1.rm", "talk2.rm", "talk3.mp4"},
     kUnderCorner,
     {{0, 1}, {2, 3}, {4, 2}, {6, 4}, {10, 5}, {13, 6}},
     {kTitles[0], kTitles[2], kTitles[1], kTitles[3], kTitles[4], kTitles[5]},
     true},
    {"Mp4PartInTheCorner",
     {"--layout=pip", "--parts=3"},
     {"talk3.mp4"},
     kUnderCorner,
     {{0, 5}, {3, 6}},
     {kTitles[4], kTitles[5]},
     true},
    {"PartsInAnotherOrderSlidesOnly",
     {"--layout=slides", "--parts=2,1"},
     {"talk2.rm", "talk1.rm"},
     kAlone,
     {{0, 4}, {4, 1}, {6, 3}, {8, 2}},
     {kTitles[3], kTitles[0], kTitles[2], kTitles[1]},
     false,
     nullptr,
     true},
    {"AudioOnlyPartFullHd", {"--parts=2", "--size=1920x1080"}, {"talk2.rm"}, kAlone, {{0, 4}}, {kTitles[3]}, false},
    {"CaptionsBurnedIn",
     {"--layout=slides", "--parts=3", "--burn-captions"},
     {"talk3.mp4"},
     kAlone,
     {{0, 5}, {3, 6}},
     {kTitles[4], kTitles[5]},
     true},
    // The events go on after the recording ends: the video ends with it.
    {"RecordingShorterThanItsEvents",
     {"--parts=3"},
     {"talk3.mp4"},
     kBeside,
     {{0, 5}, {4, 6}},
     {kTitles[4], kTitles[5]},
     true,
     "u 00:00:00 00:00:04 URL\\sld005.htm\r\nu 00:00:04 00:00:09 URL\\sld006.htm\r\n"
     "u 00:00:09 00:00:20 URL\\sld001.htm\r\n",
     true},
    // 1.5 s to 3.4 s cut: slide 6 starts at 2 s (whole seconds), the
    // video is as long as what is kept.
    {"Mp4PartWithACut",
     {"--parts=3"},
     {"talk3.mp4"},
     kBeside,
     {{0, 5}, {2, 6}},
     {kTitles[4], kTitles[5]},
     true,
     nullptr,
     false,
     "0:01.5 0:03.4\n",
     1.9},
};

class ExportVideo : public PublishRun, public ::testing::WithParamInterface<Case> {
protected:
    std::string video = root.dir() + "lecture.mp4";

    Outcome exportVideo(const std::vector<const char*>& options)
    {
        QStringList args {"export-video", QString::fromStdString(lecture), QString::fromStdString(video)};
        for (const char* o : options)
            args << o;
        return run(args);
    }

    // The video's picture at seconds t, as a player shows it.
    std::string pictureAt(double t)
    {
        const std::string png = root.file("at" + std::to_string(t) + ".png");
        std::string err;
        EXPECT_TRUE(ffmpeg({"-v", "error", "-ss", std::to_string(t), "-i", video, "-frames:v", "1", png}, err)) << err;
        return png;
    }

    // SSIM of the area's compared rows of a picture against those rows of
    // a slide picture.
    double similarity(const std::string& picture, const SlideArea& a, int slide, double width = 1280)
    {
        const double k = width / 1280;
        const long w = std::lround(a.width * k), y0 = std::lround(a.height * k * a.top),
                   h = std::lround(a.height * k * (a.bottom - a.top));
        const std::string graph = "[0:v]crop=" + std::to_string(w) + ":" + std::to_string(h) + ":"
            + std::to_string(std::lround(a.x * k)) + ":" + std::to_string(std::lround(a.y * k) + y0)
            + ",format=yuv420p[a];[1:v]crop=iw:ih*" + std::to_string(a.bottom - a.top) + ":0:ih*"
            + std::to_string(a.top) + ",scale=" + std::to_string(w) + ":" + std::to_string(h)
            + ",format=yuv420p[b];[a][b]ssim";
        std::string out, err;
        char image[16];
        std::snprintf(image, sizeof image, "img%03d.gif", slide);
        runTool({"ffmpeg", "-hide_banner", "-nostdin", "-i", picture, "-i", lecture + image, "-filter_complex", graph,
                 "-f", "null", "-"},
                out, &err);
        std::smatch m;
        if (!std::regex_search(err, m, std::regex("All:([0-9.]+)"))) {
            ADD_FAILURE() << graph << "\n" << err;
            return -1;
        }
        return std::stod(m[1]);
    }
};

TEST_P(ExportVideo, HoldsEveryPartWithItsSlidesInStep)
{
    const Case& c = GetParam();
    copySampleInto(lecture);
    writeFile(lecture + "talk1.txt", kSkipAndReturn);
    if (c.eventsOf3)
        writeFile(lecture + "talk3.txt", c.eventsOf3);
    if (c.cutsOf3)
        writeFile(lecture + "talk3.cuts", c.cutsOf3);
    for (int n = 1; c.sharp && n <= 6; ++n) {
        // As the import writes them: twice the GIF's size, lossless.
        const std::string gif = lecture + "img00" + std::to_string(n) + ".gif";
        std::string err;
        ASSERT_TRUE(ffmpeg({"-v", "error", "-i", gif, "-vf", "scale=iw*2:ih*2", "-lossless", "1",
                            lecture + "img00" + std::to_string(n) + ".webp"},
                           err))
            << err;
    }
    const Outcome r = exportVideo(c.options);
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.out, "Exporting: 100%")) << r.out;

    const Probed p = ffprobe(video);
    ASSERT_TRUE(p.ok);
    std::string types;
    for (const ProbedStream& s : p.streams)
        if (s.type != "data")  // the chapters' own text track
            types += (types.empty() ? "" : " ") + s.type + ":" + s.codec;
    EXPECT_EQ(types, c.captions ? "video:h264 audio:aac subtitle:mov_text" : "video:h264 audio:aac");
    double length = 0;
    for (const char* recording : c.recordings)
        length += ffprobe(lecture + recording).duration;
    EXPECT_NEAR(p.duration, length - c.cutSeconds, 0.2);
    EXPECT_TRUE(indexAtFront(video));
    std::vector<std::string> titles;
    for (const ProbedChapter& ch : p.chapters)
        titles.push_back(ch.title);
    EXPECT_EQ(titles, std::vector<std::string>(c.titles.begin(), c.titles.end()));

    const bool fullHd
        = std::find(c.options.begin(), c.options.end(), std::string("--size=1920x1080")) != c.options.end();
    for (const Change& change : c.changes) {
        const SlideArea& area = change.slide == 4 ? kAlone : c.area;
        const double width = fullHd ? 1920 : 1280;
        const std::string picture = pictureAt(change.at + 0.5);
        const double shown = similarity(picture, area, change.slide, width);
        const int other = change.slide == 1 ? 2 : change.slide - 1;
        EXPECT_GT(shown, 0.9) << "slide " << change.slide << " at " << change.at;
        EXPECT_GT(shown, similarity(picture, area, other, width) + 0.02) << "slide " << change.slide;
    }
    if (holds(c.name, "Burned")) {
        // The bottom of the slide, with a caption (1.0 s) and from the end
        // of that caption (2.7 s), without.
        const SlideArea bottom {160, 0, 960, 720, 0.75, 1.0};
        EXPECT_LT(similarity(pictureAt(1.0), bottom, 5), 0.9);
        EXPECT_GT(similarity(pictureAt(2.7), bottom, 5), 0.9);
    }
}

INSTANTIATE_TEST_SUITE_P(Lectures, ExportVideo, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The RMS level (dB) of audio stream a (0 or 1) of a video from one time to another.
double soundLevel(const std::string& video, int a, double from, double to)
{
    std::string out, err;
    runTool({"ffmpeg", "-hide_banner", "-nostdin", "-i", video, "-map", "0:a:" + std::to_string(a), "-af",
             "atrim=start=" + std::to_string(from) + ":end=" + std::to_string(to) + ",astats=metadata=0", "-f",
             "null", "-"},
            out, &err);
    const std::string key = "RMS level dB: ";
    const size_t at = err.find(key, err.find("Overall"));
    if (err.find("Overall") == std::string::npos || at == std::string::npos) {
        ADD_FAILURE() << err;
        return 0;
    }
    const std::string level = err.substr(at + key.size(), err.find('\n', at) - at - key.size());
    return level.rfind("-inf", 0) == 0 ? -200 : std::stod(level);
}

using ExportVideoDescribed = ExportVideo;

// The lecturer's description of the phone recording, said from 1 s on,
// over the recording's tone.
TEST_F(ExportVideoDescribed, ASecondSoundTrackSpeaksTheDescriptionsOverTheLoweredSound)
{
    copySampleInto(lecture);
    writeFile(lecture + "talk3.descriptions.vtt",
              "WEBVTT\n\nslide-5\n00:00:01.000 --> 00:00:02.000\nA photograph of a phone on a desk.\n");
    const Outcome r = exportVideo({"--layout=slides", "--parts=3", "--audio-description"});
    ASSERT_EQ(r.code, 0) << describe(r);
    const Probed p = ffprobe(video);
    std::string types;
    for (const ProbedStream& s : p.streams)
        if (s.type != "data")
            types += (types.empty() ? "" : " ") + s.type + ":" + s.codec;
    EXPECT_EQ(types, "video:h264 audio:aac audio:aac subtitle:mov_text");
    std::string tags;
    runTool({"ffprobe", "-v", "error", "-select_streams", "a:1", "-show_entries", "stream_tags=handler_name",
             "-of", "csv=p=0", video},
            tags);
    EXPECT_EQ(tags.substr(0, tags.find_last_not_of("\r\n") + 1), "Audio description");

    // Before the description the two tracks are the recording's tone; from
    // half a second before it, the described one lowers it (by 12 dB) ...
    EXPECT_NEAR(soundLevel(video, 1, 0.05, 0.4), soundLevel(video, 0, 0.05, 0.4), 1);
    const double lowered = soundLevel(video, 1, 0.72, 0.98);
    EXPECT_NEAR(soundLevel(video, 0, 0.72, 0.98) - lowered, 12, 2.5);
    // ... and the voice speaks well above it.
    EXPECT_GT(soundLevel(video, 1, 1.05, 1.45), lowered + 6);
    EXPECT_NEAR(soundLevel(video, 0, 1.05, 1.45), soundLevel(video, 0, 0.05, 0.4), 1);
}

using ExportVideoStopped = ExportVideo;

TEST_F(ExportVideoStopped, CtrlCLeavesNothing)
{
    copySampleInto(lecture);
    // Stopped once the video is under way.
    const Outcome r = interrupted(
        {"export-video", QString::fromStdString(lecture), QString::fromStdString(video), "--size=1920x1080"},
        "Exporting: ", 30000);
    ASSERT_TRUE(r.finished) << describe(r);
    EXPECT_EQ(r.code, 130) << describe(r);
    EXPECT_TRUE(holds(r.err, "Export cancelled"));
    for (const auto& e : fs::directory_iterator(root.dir()))
        EXPECT_TRUE(e.is_directory()) << e.path() << " left behind";
}

TEST_F(ExportVideoStopped, AFullDiskIsToldAndLeavesNothing)
{
    copySampleInto(lecture);
    const std::string disk = root.dir() + "disk/";
    fs::create_directories(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k"), 0) << std::strerror(errno);
    video = disk + "lecture.mp4";
    const Outcome r = exportVideo({});
    const bool empty = fs::is_empty(disk);
    ::umount2(disk.c_str(), MNT_DETACH);
    EXPECT_EQ(r.code, 1) << describe(r);
    EXPECT_TRUE(holds(r.err, "No space left on device")) << describe(r);
    EXPECT_TRUE(empty);
}

}  // namespace
