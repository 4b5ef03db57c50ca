// How the browser copy of a recording is made, decided on short generated
// recordings of many kinds: what browsers play is passed on, the rest is
// encoded once, and the preferences choose WebM and normalised sound.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "MediaTools.h"
#include "TestSupport.h"
#include "media/BrowserCopy.h"
#include "media/FfmpegMediaFile.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace pellucor {

using namespace testing_support;

namespace {

class BrowserCopy : public ::testing::Test {
protected:
    TempDir dir;

    // A 1-second recording made with the given ffmpeg output options.
    std::string record(const std::string& name, const std::vector<std::string>& options, bool picture = true)
    {
        std::vector<std::string> args;
        if (picture)
            args = {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=1"};
        args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:duration=1"});
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(dir.file(name));
        std::string err;
        EXPECT_TRUE(ffmpeg(args, err)) << err;
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

TEST_F(BrowserCopy, WhatBrowsersPlayIsPassedOnAndTheRestEncodedOnce)
{
    const std::string h264aac = record("a.mov", {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"});
    EXPECT_EQ(plan(h264aac), "mp4: video copied, sound copied");
    const std::string vp9opus = record("b.webm", {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-c:a", "libopus"});
    EXPECT_EQ(plan(vp9opus), "webm: video copied, sound copied");
    // A stream that plays is kept even where its partner must be encoded.
    const std::string h264mp3 = record("c.mkv", {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "libmp3lame"});
    EXPECT_EQ(plan(h264mp3), "mp4: video copied, sound aac");
    const std::string vp8aac = record("d.mkv", {"-c:v", "libvpx", "-c:a", "aac"});
    EXPECT_EQ(plan(vp8aac), "webm: video copied, sound libopus");
    const std::string rm = sampleDir() + "talk1.rm";
    EXPECT_EQ(plan(rm), "mp4: video libx264, sound aac");
    EXPECT_EQ(plan(rm, {true, false}), "webm: video libvpx-vp9, sound libopus");
    // Sound only.
    EXPECT_EQ(plan(record("e.m4a", {"-c:a", "aac"}, false)), "m4a: no video, sound copied");
    EXPECT_EQ(plan(record("f.mp3", {"-c:a", "libmp3lame"}, false)), "mp3: no video, sound copied");
    const std::string opus = record("g.opus", {"-c:a", "libopus"}, false);
    EXPECT_EQ(plan(opus), "m4a: no video, sound aac");
    EXPECT_EQ(plan(opus, {true, false}), "webm: no video, sound copied");
    EXPECT_EQ(plan(record("h.flac", {}, false)), "m4a: no video, sound aac");
    EXPECT_EQ(plan(record("i.wav", {}, false), {true, false}), "webm: no video, sound libopus");
    // Normalised sound is encoded; the picture is still passed on.
    EXPECT_EQ(plan(h264aac, {false, true}), "mp4: video copied, sound aac through " + std::string(kLoudnessFilter));
    EXPECT_EQ(plan(record("j.m4a", {"-c:a", "aac"}, false), {false, true}),
              "m4a: no video, sound aac through " + std::string(kLoudnessFilter));
}

TEST_F(BrowserCopy, APartlyCopiedRecordingKeepsItsPictureAndSoundInStep)
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
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
}

TEST_F(BrowserCopy, ACancelledCopyLeavesNoFileOfItsOwn)
{
    std::string err;
    ASSERT_TRUE(
        ffmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=20", "-f", "lavfi", "-i",
                "sine=frequency=440:duration=20", "-c:v", "mpeg4", "-q:v", "10", "-c:a", "mp2", dir.file("long.mkv")},
               err))
        << err;
    auto media = FfmpegMediaFile::Open(dir.file("long.mkv"), err);
    ASSERT_TRUE(media) << err;
    std::atomic<bool> started {false};
    media->onProgress = [&](int p) {
        if (p >= 1)
            started = true;
    };
    std::thread canceller([&] {
        while (!started)
            std::this_thread::yield();
        media->Cancel();
    });
    const bool saved = media->SaveBrowserCopy(dir.file("copy"), err);
    started = true;  // the canceller ends even when no progress was told
    canceller.join();
    EXPECT_FALSE(saved);
    EXPECT_TRUE(media->browserCopy.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("copy.mp4")));
}

}  // namespace

}  // namespace pellucor
