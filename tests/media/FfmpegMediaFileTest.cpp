// A recording opened and probed, a lecture's parts found by it, and its
// slide events saved with it (a track, chapters, a browser copy).
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "core/SlideEngine.h"
#include "media/FfmpegMediaFile.h"
#include "media/FfmpegMediaOpener.h"
#include "media/MediaEvents.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace pellucor {

using namespace testing_support;

namespace {

TEST(FfmpegMediaFile, ProbesVideoAndAudioOnlyRealMediaAndRefusesGarbageWithAReason)
{
    std::string err;
    auto video = FfmpegMediaFile::Open(sampleDir() + "talk1.rm", err);
    ASSERT_TRUE(video) << err;  // which has video is checked by LoadSlideInfo below
    EXPECT_EQ(video->VideoWidth(), 160);
    EXPECT_EQ(video->VideoHeight(), 120);
    EXPECT_NEAR(video->DurationSeconds(), 6.0, 0.5);
    video->Close();
    video->Close();  // closing twice is harmless
    auto audio = FfmpegMediaFile::Open(sampleDir() + "talk2.rm", err);
    ASSERT_TRUE(audio) << err;
    EXPECT_EQ(audio->VideoWidth(), 0);

    TempDir t;
    writeFile(t.file("bad.rm"), std::string(4096, 'z'));
    EXPECT_FALSE(FfmpegMediaFile::Open(t.file("bad.rm"), err));
    EXPECT_TRUE(holds(err, t.file("bad.rm")));
    EXPECT_FALSE(FfmpegMediaFile::Open(t.file("missing.rm"), err));
}

TEST(LoadSlideInfo, SampleLectureReportsItsRealVideoAndAudioParts)
{
    const std::string s = sampleDir();
    PublishSettings settings;
    settings.MediaDir = settings.LecDir = s;
    settings.LecName = "talk";
    settings.Prefs["prfRmmerge"] = "None";
    BasicEngineHost host;
    host.openerFactory = [] { return std::make_unique<FfmpegMediaOpener>(); };
    SlideEngine engine(settings, &host);
    std::string err;
    ASSERT_TRUE(engine.LoadSlideInfo(true, false, err)) << err;
    const Lecture& si = engine.SI;
    EXPECT_EQ(si.PartCount(), 3);
    EXPECT_EQ(si.SlideCount(), 6);
    EXPECT_EQ(si.PartAt(1).VideoFile, s + "talk1.rm");
    EXPECT_EQ(si.PartAt(1).AudioFile, "");
    EXPECT_EQ(si.PartAt(2).AudioFile, s + "talk2.rm");
    EXPECT_EQ(si.PartAt(2).VideoFile, "");
    EXPECT_EQ(si.SlideAt(3).VideoPart, 1);
    EXPECT_EQ(si.SlideAt(4).AudioPart, 2);
    EXPECT_EQ(si.SlideAt(2).Title, "Why \"timing\" matters");
    EXPECT_EQ(si.SlideAt(4).Title, "Questions");
    // Part 3 is recorded as MP4.
    EXPECT_EQ(si.PartAt(3).VideoFile, s + "talk3.mp4");
    EXPECT_EQ(si.SlideAt(6).VideoPart, 3);
    EXPECT_EQ(si.SlideAt(5).Title, "Recorded on a phone");
}

TEST(MediaEvents, SaveRemuxesWritesTheTrackAndABrowserCopyAndAMissingEventsFileIsAnError)
{
    TempDir t;
    writeFile(t.file("talk1.rat"),
              "u 00:00:00 00:00:02 &&slide&&sld001.htm\r\n"
              "u 00:00:02 00:00:04 &&slide&&http://h/l/sld002.htm\r\n"
              "garbage\r\n");
    std::string err;
    auto media = FfmpegMediaFile::Open(sampleDir() + "talk1.rm", err);
    ASSERT_TRUE(media) << err;
    EXPECT_FALSE(media->AddEvents("/nonexistent/x.rat", err));
    EXPECT_EQ(err, "Unable to open /nonexistent/x.rat");
    ASSERT_TRUE(media->AddEvents(t.file("talk1.rat"), err)) << err;
    ASSERT_EQ(media->Events().size(), 2u);
    ASSERT_TRUE(media->Save(t.file("talk1.rm"), err)) << err;
    media->Close();

    auto merged = FfmpegMediaFile::Open(t.file("talk1.rm"), err);
    ASSERT_TRUE(merged) << err;
    EXPECT_TRUE(merged->HasVideo());
    EXPECT_NEAR(merged->DurationSeconds(), 6.0, 0.5);
    EXPECT_EQ(readFile(t.file("talk1.vtt")),
              "WEBVTT\r\n\r\n"
              "1\r\n00:00:00.000 --> 00:00:02.000\r\nsld001.htm\r\n\r\n"
              "2\r\n00:00:02.000 --> 00:00:04.000\r\nhttp://h/l/sld002.htm\r\n\r\n");
    auto web = FfmpegMediaFile::Open(t.file("talk1.mp4"), err);  // RealMedia encoded for browsers
    ASSERT_TRUE(web) << err;
    EXPECT_TRUE(web->HasVideo());
    EXPECT_EQ(web->VideoWidth(), 160);
    EXPECT_NEAR(web->DurationSeconds(), 6.0, 0.5);
}

TEST(MediaEvents, ChaptersWhereTheContainerHoldsThem)
{
    TempDir t;
    std::vector<FfmpegMediaFile::Event> events {{0, 2, "sld001.htm"}, {2, 4.5, "sld002.htm"}};
    std::string err;
    ASSERT_TRUE(RemuxWithChapters(sampleDir() + "talk1.mp4", t.file("out.mp4"), events, err)) << err;
    AVFormatContext* ctx = nullptr;
    ASSERT_EQ(avformat_open_input(&ctx, t.file("out.mp4").c_str(), nullptr, nullptr), 0);
    ASSERT_EQ(ctx->nb_chapters, 2u);
    EXPECT_STREQ(av_dict_get(ctx->chapters[1]->metadata, "title", nullptr, 0)->value, "sld002.htm");
    avformat_close_input(&ctx);

    EXPECT_FALSE(RemuxWithChapters(t.file("missing.rm"), t.file("x.rm"), events, err));
    EXPECT_FALSE(std::filesystem::exists(t.file("x.rm")));
    EXPECT_EQ(WebVttTime(3723.5), "01:02:03.500");
}

}  // namespace

}  // namespace pellucor
