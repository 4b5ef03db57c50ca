// Which picture each reader of a recording's video hands over for a time:
// recordings whose every frame shows its own number (as its brightness),
// at a steady rate, with a gap (a screen recorder writes a frame only when
// the screen changes) and starting later than 0 (an MPEG transport stream).
// The slide sync's samples, keyframes and colour frames, and the speaker's
// picture in the lecture video, must each be the frame shown at that time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include <opencv2/core.hpp>

#include "MediaTools.h"
#include "TestSupport.h"
#include "media/FrameSampler.h"
#include "media/SpeakerVideo.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

// Frame N is lit 16 + 5 N (of the video range), in full-range grey about
// 5.8 N: 40 frames, 10 a second unless retimed, a keyframe every 10.
constexpr double kGreyPerFrame = 5 * 255 / 219.0;
int frameNumber(double grey) { return static_cast<int>(std::lround(grey / kGreyPerFrame)); }

struct Timing {
    const char* name;
    const char* retime;  // ffmpeg's video filter placing the frames in time
    const char* file;
    double duration;
    // What each reader gives, as "time:frame" (for Keyframes and Stretch
    // from 0.5 to 2.5 every 0.5 s) or as frame numbers (the frames shown at
    // 0.05, 1, 2.5 and 3.95 s, in colour and as the speaker's picture).
    const char* keyframes;
    const char* stretch;
    const char* keyframeBefore;  // 2.5 s
    const char* shown;
};

void PrintTo(const Timing& c, std::ostream* os) { *os << c.name; }

const Timing kTimings[] = {
    {"Steady", "null", "steady.mp4", 4.0, "0.0:0 1.0:10 2.0:20 3.0:30", "0.5:5 1.0:10 1.5:15 2.0:20", "2.0:20",
     "0 10 25 39"},
    // No frame from 1.9 to 3 s: what frame 19 shows is shown at 2 and 2.5 s.
    {"Gap", "setpts=(N+10*floor(N/20))/(10*TB)", "gap.mp4", 5.0, "0.0:0 1.0:10 3.0:20 4.0:30",
     "0.5:5 1.0:10 1.5:15 1.9:19", "1.0:10", "0 10 19 29"},
    // Written as it was recorded, through a pipe: no index to seek by.
    {"NoIndex", "null", "pipe.mkv", 4.0, "0.0:0 1.0:10 2.0:20 3.0:30", "0.5:5 1.0:10 1.5:15 2.0:20", "2.0:20",
     "0 10 25 39"},
    {"LateStart", "null", "late.ts", 4.0, "0.0:0 1.0:10 2.0:20 3.0:30", "0.5:5 1.0:10 1.5:15 2.0:20", "2.0:20",
     "0 10 25 39"},
};

class FrameTimes : public ::testing::TestWithParam<Timing> {
protected:
    TempDir dir;
    FrameSampler sampler;
    std::atomic<bool> cancel {false};
    std::string err;
    std::string path;
    std::string got;  // "time:frame" of each picture handed over

    void SetUp() override
    {
        const Timing& c = GetParam();
        path = dir.file(c.file);
        const Strings args
            = {"-f",   "lavfi",   "-i",        "nullsrc=size=64x48:rate=10:duration=4,geq=lum=16+N*5:cb=128:cr=128",
               "-vf",  c.retime,  "-fps_mode", "passthrough",
               "-c:v", "libx264", "-qp",       "0",
               "-g",   "10",      "-pix_fmt",  "yuv420p",
               path};
        ASSERT_TRUE(holds(path, "pipe") ? ffmpegPiped(args, "matroska", err) : ffmpeg(args, err)) << err;
        ASSERT_TRUE(sampler.Open(path, err)) << err;
    }
    FrameSampler::OnFrame note()
    {
        return [this](double time, const cv::Mat& grey) {
            char text[32];
            std::snprintf(text, sizeof text, "%s%.1f:%d", got.empty() ? "" : " ", time, frameNumber(cv::mean(grey)[0]));
            got += text;
            return true;
        };
    }
};

const std::vector<double> kShownAt = {0.05, 1.0, 2.5, 3.95};

TEST_P(FrameTimes, SamplesAreTheFramesShownThen)
{
    const Timing& c = GetParam();
    EXPECT_NEAR(sampler.Duration(), c.duration, 0.05);
    const FrameSampler::OnProgress quiet = [](double) {};
    ASSERT_TRUE(sampler.Keyframes(note(), quiet, cancel, err)) << err;
    EXPECT_EQ(got, c.keyframes);
    got.clear();
    ASSERT_TRUE(sampler.Stretch(0.5, 2.5, 0.5, note(), quiet, cancel, err)) << err;
    EXPECT_EQ(got, c.stretch);
    got.clear();
    ASSERT_TRUE(sampler.KeyframeBefore(2.5, note(), err)) << err;
    EXPECT_EQ(got, c.keyframeBefore);

    std::vector<cv::Mat> colour;
    ASSERT_TRUE(sampler.ColourFramesAt(kShownAt, colour, err)) << err;
    std::string numbers;
    for (const cv::Mat& bgra : colour) {
        EXPECT_EQ(bgra.size(), cv::Size(64, 48));
        numbers += (numbers.empty() ? "" : " ") + std::to_string(frameNumber(cv::mean(bgra)[1]));
    }
    EXPECT_EQ(numbers, c.shown) << "in colour";
}

TEST_P(FrameTimes, TheSpeakersPictureIsTheFrameShownThen)
{
    SpeakerVideo video;
    ASSERT_TRUE(video.Open(path, err)) << err;
    EXPECT_DOUBLE_EQ(video.FrameRate(), 10);
    std::string numbers;
    for (double t : kShownAt) {
        const AVFrame* f = video.At(t);
        ASSERT_TRUE(f) << t;
        const cv::Mat luma(f->height, f->width, CV_8UC1, f->data[0], static_cast<size_t>(f->linesize[0]));
        numbers += (numbers.empty() ? "" : " ") + std::to_string(std::lround((cv::mean(luma)[0] - 16) / 5));
    }
    EXPECT_EQ(numbers, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Recordings, FrameTimes, ::testing::ValuesIn(kTimings),
                         [](const auto& info) { return std::string(info.param.name); });

// A stop asked for ends the sampling at once and says why; the pictures
// handed over before stay.
TEST(FrameSamplerCancel, EndsTheStretchWithCancelled)
{
    TempDir dir;
    std::string err;
    ASSERT_TRUE(recordTestPattern(dir.file("a.mp4"), 2, {"-c:v", "libx264", "-pix_fmt", "yuv420p"}, true, err));
    FrameSampler sampler;
    ASSERT_TRUE(sampler.Open(dir.file("a.mp4"), err)) << err;
    std::atomic<bool> cancel {false};
    int pictures = 0;
    const auto stopAfterTwo = [&](double, const cv::Mat&) {
        cancel = ++pictures == 2;
        return true;
    };
    EXPECT_FALSE(sampler.Stretch(
        0, 2, 0.1, stopAfterTwo, [](double) {}, cancel, err));
    EXPECT_EQ(err, "Cancelled");
    EXPECT_EQ(pictures, 2);
}

}  // namespace
