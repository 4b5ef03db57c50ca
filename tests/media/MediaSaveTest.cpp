// A recording saved with its slide events: the events track, chapters
// where the container holds them, and the browser copy, decided on short
// generated recordings of many kinds (what browsers play is passed on, the
// rest is encoded once, and the preferences choose WebM and normalised
// sound). How a lecture's parts are found by their recordings is checked by
// publishing the sample lecture (publish, app). Last, the transcoder
// beneath: its failures, and live sources recorded until stopped.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "MediaTools.h"
#include "TestSupport.h"
#include "core/CaptionFiles.h"
#include "media/BrowserCopy.h"
#include "media/FfmpegMediaFile.h"
#include "media/FfmpegTranscoder.h"
#include "media/MediaEvents.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

class BrowserCopy : public ::testing::Test {
protected:
    TempDir dir;

    // A 1-second recording made with the given ffmpeg output options.
    std::string record(const std::string& name, const std::vector<std::string>& options, bool picture = true)
    {
        std::string err;
        EXPECT_TRUE(recordTestPattern(dir.file(name), 1, options, picture, err)) << err;
        return dir.file(name);
    }

    // Copied video, copied sound, extension, and the encoders of what is not copied.
    std::string plan(const std::string& path, BrowserCopySettings settings = {})
    {
        AVFormatContext* ctx = nullptr;
        if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
            return "unreadable";
        avformat_find_stream_info(ctx, nullptr);
        const BrowserCopyPlan p = PlanBrowserCopy(ctx, settings);
        avformat_close_input(&ctx);
        const TranscodeOptions& o = p.options;
        std::string text = p.extension + ":";
        text += o.dropVideo ? " no video" : o.copyVideo ? " video copied" : " video " + o.videoCodec;
        text += o.copyAudio ? ", sound copied" : ", sound " + o.audioCodec;
        if (!o.audioFilter.empty())
            text += " through " + o.audioFilter;
        return text;
    }
};

// What "pellucor publish" makes of H.264 and AAC in MP4, of sound-only
// AAC and MP3, of RealMedia (also as WebM) and of normalised sound is
// checked in its runs (app/PublishRecordingTest); here the other kinds.
TEST_F(BrowserCopy, WhatBrowsersPlayIsPassedOnAndTheRestEncodedOnce)
{
    EXPECT_EQ(plan(record("a.mov", {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"})),
              "mp4: video copied, sound copied");
    const std::string vp9opus = record("b.webm", {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-c:a", "libopus"});
    EXPECT_EQ(plan(vp9opus), "webm: video copied, sound copied");
    // A stream that plays is kept even where its partner must be encoded.
    const std::string h264mp3 = record("c.mkv", {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "libmp3lame"});
    EXPECT_EQ(plan(h264mp3), "mp4: video copied, sound aac");
    // H.264 that browsers do not decode (4:4:4, as screen grabs come out,
    // or 10 bits) is encoded again; its sound stays.
    for (const char* format : {"yuv444p", "yuv420p10le"})
        EXPECT_EQ(plan(record(std::string(format) + ".mp4", {"-c:v", "libx264", "-pix_fmt", format, "-c:a", "aac"})),
                  "mp4: video libx264, sound copied")
            << format;
    const std::string vp8aac = record("d.mkv", {"-c:v", "libvpx", "-c:a", "aac"});
    EXPECT_EQ(plan(vp8aac), "webm: video copied, sound libopus");
    // Sound only.
    const std::string opus = record("g.opus", {"-c:a", "libopus"}, false);
    EXPECT_EQ(plan(opus), "m4a: no video, sound aac");
    EXPECT_EQ(plan(opus, {true, false}), "webm: no video, sound copied");
    EXPECT_EQ(plan(record("h.flac", {}, false)), "m4a: no video, sound aac");
    EXPECT_EQ(plan(record("i.wav", {}, false), {true, false}), "webm: no video, sound libopus");
    EXPECT_EQ(plan(record("j.m4a", {"-c:a", "aac"}, false), {false, true}),
              "m4a: no video, sound aac through " + std::string(kLoudnessFilter));
}

TEST_F(BrowserCopy, APartlyCopiedRecordingKeepsItsPictureAndSoundInStepAndACancelledOneLeavesNothing)
{
    const std::string source = record("d.mkv", {"-c:v", "libvpx", "-c:a", "aac"});
    std::string err;
    auto media = FfmpegMediaFile::Open(source, err);
    ASSERT_TRUE(media) << err;
    media->chapters = {{0, 0.5, "One"}, {0.5, 1, "Two"}};
    std::vector<int> percents;
    media->onProgress = [&](int p) { percents.push_back(p); };
    ASSERT_TRUE(media->SaveBrowserCopy(dir.file("copy"), err)) << err;
    EXPECT_EQ(media->browserCopy, "copy.webm");
    const Probed p = ffprobe(dir.file("copy.webm"));
    EXPECT_EQ(p.codecs(), "vp8 opus");
    EXPECT_EQ(packetChecksums(dir.file("copy.webm"), "v:0"), packetChecksums(source, "v:0"));
    ASSERT_EQ(p.chapters.size(), 2u);
    EXPECT_EQ(p.chapters[1].title, "Two");
    EXPECT_NEAR(p.duration, 1.0, 0.1);
    EXPECT_TRUE(std::filesystem::exists(dir.file("copy.vtt")));
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(std::pair(percents.front(), percents.back()), std::pair(0, 100));
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));

    // Cancelled under way: no file of its own is left.
    auto rm = FfmpegMediaFile::Open(sampleDir() + "talk1.rm", err);
    ASSERT_TRUE(rm) << err;
    rm->onProgress = [&](int percent) {
        if (percent >= 1)
            rm->Cancel();
    };
    EXPECT_FALSE(rm->SaveBrowserCopy(dir.file("cancelled"), err));
    EXPECT_EQ(err, "cancelled");
    EXPECT_TRUE(rm->browserCopy.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("cancelled.mp4")));
}

// A screen grab's 4:4:4 H.264 comes out as H.264 a browser decodes, its
// sound passed on as it was, as long as the recording.
TEST_F(BrowserCopy, UndecodableH264IsEncodedInto420)
{
    const std::string grab = record("grab.mp4", {"-c:v", "libx264", "-pix_fmt", "yuv444p", "-c:a", "aac"});
    std::string err;
    auto media = FfmpegMediaFile::Open(grab, err);
    ASSERT_TRUE(media) << err;
    ASSERT_TRUE(media->SaveBrowserCopy(dir.file("copy"), err)) << err;
    EXPECT_EQ(media->browserCopy, "copy.mp4");
    const Probed p = ffprobe(dir.file("copy.mp4"));
    ASSERT_EQ(p.codecs(), "h264 aac");
    EXPECT_EQ(p.streams[0].pixelFormat, "yuv420p");
    EXPECT_EQ(packetChecksums(dir.file("copy.mp4"), "a:0"), packetChecksums(grab, "a:0"));
    EXPECT_NEAR(p.duration, 1.0, 0.1);
    EXPECT_TRUE(indexAtFront(dir.file("copy.mp4")));
}

TEST(MediaEvents, SaveRemuxesWritesTheTrackAndABrowserCopyAndBadInputIsRefusedWithAReason)
{
    TempDir t;
    writeFile(t.file("talk1.rat"),
              "u 00:00:00 00:00:02 &&slide&&sld001.htm\r\n"
              "u 00:00:02 00:00:04 &&slide&&http://h/l/sld002.htm\r\n"
              "garbage\r\n");
    writeFile(t.file("bad.rm"), std::string(4096, 'z'));
    std::string err;
    EXPECT_FALSE(FfmpegMediaFile::Open(t.file("bad.rm"), err));
    EXPECT_TRUE(holds(err, t.file("bad.rm")));
    EXPECT_FALSE(FfmpegMediaFile::Open(t.file("missing.rm"), err));
    auto media = FfmpegMediaFile::Open(sampleDir() + "talk1.rm", err);
    ASSERT_TRUE(media) << err;
    EXPECT_EQ(media->VideoHeight(), 120);
    EXPECT_FALSE(media->AddEvents("/nonexistent/x.rat", err));
    EXPECT_EQ(err, "Unable to open /nonexistent/x.rat");
    ASSERT_TRUE(media->AddEvents(t.file("talk1.rat"), err)) << err;
    ASSERT_EQ(media->Events().size(), 2u);
    ASSERT_TRUE(media->Save(t.file("talk1.rm"), err)) << err;
    media->Close();
    media->Close();  // closing twice is harmless

    auto merged = FfmpegMediaFile::Open(t.file("talk1.rm"), err);
    ASSERT_TRUE(merged) << err;
    EXPECT_TRUE(merged->HasVideo());
    EXPECT_NEAR(merged->DurationSeconds(), 6.0, 0.5);
    EXPECT_EQ(readFile(t.file("talk1.vtt")),
              "WEBVTT\r\n\r\n"
              "1\r\n00:00:00.000 --> 00:00:02.000\r\nsld001.htm\r\n\r\n"
              "2\r\n00:00:02.000 --> 00:00:04.000\r\nhttp://h/l/sld002.htm\r\n\r\n");
    // RealMedia encoded for browsers (its codecs: app/PublishRecordingTest).
    EXPECT_NEAR(ffprobe(t.file("talk1.mp4")).duration, 6.0, 0.5);
}

TEST(MediaEvents, ChaptersWhereTheContainerHoldsThem)
{
    TempDir t;
    std::vector<FfmpegMediaFile::Event> events {{0, 2, "sld001.htm"}, {2, 4.5, "sld002.htm"}};
    std::string err;
    ASSERT_TRUE(RemuxWithChapters(sampleDir() + "talk1.mp4", t.file("out.mp4"), events, err)) << err;
    const Probed chaptered = ffprobe(t.file("out.mp4"));
    ASSERT_EQ(chaptered.chapters.size(), 2u);
    EXPECT_EQ(chaptered.chapters[1].title, "sld002.htm");

    EXPECT_FALSE(RemuxWithChapters(t.file("missing.rm"), t.file("x.rm"), events, err));
    EXPECT_FALSE(std::filesystem::exists(t.file("x.rm")));
    EXPECT_EQ(WebVttTime(3723.5), "01:02:03.500");
}

struct FfmpegTranscoderTest : ::testing::Test {
    TempDir t;
    FfmpegTranscoder tr;
    TranscodeOptions o;
    std::string err;
};

TEST_F(FfmpegTranscoderTest, AudioOnlyInputAndFailuresLeaveNoFile)
{
    o.audioCodec = "libopus";
    ASSERT_TRUE(tr.Run(sampleDir() + "talk2.rm", t.file("a.webm"), o, err)) << err;
    auto media = FfmpegMediaFile::Open(t.file("a.webm"), err);
    ASSERT_TRUE(media) << err;
    EXPECT_FALSE(media->HasVideo());

    writeFile(t.file("junk.rm"), std::string(1000, 'j'));
    EXPECT_FALSE(tr.Run(t.file("junk.rm"), t.file("b.webm"), o, err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(std::filesystem::exists(t.file("b.webm")));

    // An output that was there before is not removed when the input fails;
    // a cancelled one is (BrowserCopy above).
    writeFile(t.file("keep.webm"), "mine");
    EXPECT_FALSE(tr.Run(t.file("junk.rm"), t.file("keep.webm"), o, err));
    EXPECT_EQ(readFile(t.file("keep.webm")), "mine");
}

// Two live sources (sound and pictures from lavfi) recorded into one file
// until a stop from another thread: the file is finished, both streams are
// in it, and it lasts about as long as the recording ran.
TEST_F(FfmpegTranscoderTest, LiveSourcesRecordInRealTimeUntilStopped)
{
    o.live = true;
    o.width = 160;
    o.height = 120;
    o.format = "rm";
    o.videoCodec = "rv20";
    o.audioCodec = "ac3";
    bool progressed = false;
    tr.onProgress = [&](int) { progressed = true; };
    // Records the inputs into file until a stop from another thread after ms; the file as read back.
    const auto record = [&](const std::vector<MediaInput>& inputs, const std::string& file, int ms) {
        if (!tr.Open(inputs, t.file(file), o, err))
            return std::unique_ptr<FfmpegMediaFile>();
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            tr.Stop();
        });
        EXPECT_TRUE(tr.Finish(err)) << err;
        stopper.join();
        return FfmpegMediaFile::Open(t.file(file), err);
    };
    const MediaInput tone {"sine=frequency=440:sample_rate=44100", "lavfi", {}};
    const MediaInput picture {"testsrc=size=320x240:rate=15", "lavfi", {}};
    auto media = record({tone, picture}, "live.rm", 1200);
    ASSERT_TRUE(media) << err;
    EXPECT_FALSE(progressed);
    EXPECT_TRUE(media->HasVideo());
    EXPECT_EQ(media->VideoWidth(), 160);
    EXPECT_NEAR(media->DurationSeconds(), 1.2, 0.6);

    // Sound only: the picture source is not read and does not hold up the
    // sound.
    o.dropVideo = true;
    media = record({picture, tone}, "live.ra", 600);
    ASSERT_TRUE(media) << err;
    EXPECT_FALSE(media->HasVideo());
    EXPECT_NEAR(media->DurationSeconds(), 0.6, 0.4);

    // A device format that does not exist is refused at once.
    EXPECT_FALSE(tr.Open({{"x", "no-such-device", {}}}, t.file("none.rm"), o, err));
    EXPECT_EQ(err, "no support for reading no-such-device");
    EXPECT_FALSE(std::filesystem::exists(t.file("none.rm")));
}

}  // namespace
