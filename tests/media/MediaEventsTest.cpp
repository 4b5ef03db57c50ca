#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "media/FfmpegMediaFile.h"
#include "media/MediaEvents.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace pellucor {

using namespace testing_support;

namespace {

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
