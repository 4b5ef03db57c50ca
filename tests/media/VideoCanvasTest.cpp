// The picture of the lecture video, pixel by pixel: a slide read from a
// real image and the speaker's frame scaled into their boxes of a layout,
// the rest black; a speaker recorded with pixels that are not square shown
// in its true proportions. Then what stops the lecture video from being
// written, each told and leaving nothing behind.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "MediaTools.h"
#include "TestSupport.h"
#include "media/LectureVideo.h"
#include "media/VideoCanvas.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

// Video-range luma of the colours used.
constexpr int kBlack = 16, kRed = 81, kGreen = 145;

// A frame of one colour (YUV 4:2:0), stored width x height, its pixels
// sar times as wide as high.
AVFrame* solid(int width, int height, int y, int u, int v, AVRational sar = {1, 1})
{
    AVFrame* f = BlankCanvas(width, height);
    for (int p = 0; p < 3; ++p)
        for (int row = 0; row < (p ? height / 2 : height); ++row)
            std::fill_n(f->data[p] + row * f->linesize[p], p ? width / 2 : width, uint8_t(p == 0 ? y : p == 1 ? u : v));
    f->sample_aspect_ratio = sar;
    return f;
}

// How many pixels of row y of the canvas have (about) the luma.
int runOf(const AVFrame* canvas, int y, int luma)
{
    int n = 0;
    for (int x = 0; x < canvas->width; ++x)
        n += std::abs(canvas->data[0][y * canvas->linesize[0] + x] - luma) < 12;
    return n;
}

struct Canvas : ::testing::Test {
    TempDir dir;
    std::string err;
    SwsContext* sws = nullptr;
    AVFrame* canvas = BlankCanvas(320, 180);
    ~Canvas() override
    {
        sws_freeContext(sws);
        av_frame_free(&canvas);
    }
    void put(AVFrame* picture, const VideoBox& box)
    {
        ScaleInto(sws, picture, canvas, box, SWS_BILINEAR);
        av_frame_free(&picture);
    }
    int luma(int x, int y) const { return canvas->data[0][y * canvas->linesize[0] + x]; }
};

TEST_F(Canvas, SlideAndSpeakerFillTheirBoxesBesideEachOther)
{
    ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "color=red:size=160x120", "-frames:v", "1", dir.file("slide.png")}, err));
    const CanvasLayout side = LayoutBoxes(VideoLayout::Side, 320, 180);
    AVFrame* slide = ReadPicture(dir.file("slide.png"), err);
    ASSERT_TRUE(slide) << err;
    put(slide, side.slide);
    put(solid(160, 120, kGreen, 54, 34), side.speaker);
    // The slide takes the left 200 pixels at 4:3 (150 high, centred), the
    // speaker the rest (90 high); nothing spills over or out.
    EXPECT_EQ(side.slide.width + side.speaker.width, 320);
    EXPECT_EQ(runOf(canvas, 90, kRed), side.slide.width);
    EXPECT_EQ(runOf(canvas, 90, kGreen), side.speaker.width);
    EXPECT_EQ(runOf(canvas, 5, kBlack), 320);
    EXPECT_EQ(runOf(canvas, 174, kBlack), 320);
    EXPECT_EQ(luma(side.slide.width / 2, 20), kRed);
    EXPECT_EQ(luma(side.speaker.x + 60, 20), kBlack);
    EXPECT_EQ(luma(side.speaker.x + 60, 90), kGreen);
}

TEST_F(Canvas, ASpeakerWithWidePixelsShowsInItsProportions)
{
    const CanvasLayout pip = LayoutBoxes(VideoLayout::Pip, 320, 180);
    put(solid(320, 180, 200, 128, 128), pip.slide);
    // Stored 60x90 with pixels twice as wide: shown 4:3, 44 high, 58 wide.
    put(solid(60, 90, kGreen, 54, 34, {2, 1}), pip.speaker);
    const int middle = pip.speaker.y + pip.speaker.height / 2;
    EXPECT_NEAR(runOf(canvas, middle, kGreen), 58, 2);
    EXPECT_EQ(runOf(canvas, pip.speaker.y + pip.speaker.height + 2, kGreen), 0);
    EXPECT_GT(pip.speaker.x + pip.speaker.width, 300);  // the top right corner
    EXPECT_LE(pip.speaker.x + pip.speaker.width, 320);
}

// The lecture video is not written when a part cannot be: each cause is
// told, naming what failed, and no file is left, neither the video nor
// the one it was being written into.
TEST(LectureVideoFailure, IsToldAndLeavesNothing)
{
    TempDir dir;
    std::string err;
    ASSERT_TRUE(recordTestPattern(dir.file("talk.m4a"), 1, {"-c:a", "aac"}, false, err)) << err;
    ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "color=blue:size=64x48", "-frames:v", "1", dir.file("s1.png")}, err));
    writeFile(dir.file("text.m4a"), "not a recording");
    const std::string talk = dir.file("talk.m4a"), slide = dir.file("s1.png");
    struct Case {
        const char* name;
        std::vector<VideoPartSource> parts;
        bool cancel;
        std::string says;
    } cases[] = {
        {"no part", {}, false, "the lecture has no part"},
        {"not a recording", {{"", dir.file("text.m4a"), {{0, slide, "One"}}, "", {}}}, false, dir.file("text.m4a")},
        {"a slide missing",
         {{"", talk, {{0, slide, "One"}, {0.5, dir.file("gone.png"), "Two"}}, "", {}}},
         false,
         "cannot read the picture " + dir.file("gone.png")},
        {"captions missing", {{"", talk, {{0, slide, "One"}}, dir.file("gone.vtt"), {}}}, false, dir.file("gone.vtt")},
        {"cancelled", {{"", talk, {{0, slide, "One"}}, "", {}}}, true, "cancelled"},
    };
    const auto before = treeContents(dir.path());
    for (const Case& c : cases) {
        LectureVideoOptions options;
        options.width = 320;
        options.height = 180;
        const std::atomic<bool> cancel {c.cancel};
        EXPECT_FALSE(WriteLectureVideo(c.parts, options, dir.file("lecture.mp4"), {}, cancel, err)) << c.name;
        EXPECT_TRUE(holds(err, c.says)) << c.name;
        EXPECT_EQ(treeContents(dir.path()), before) << c.name;
    }
}

}  // namespace
