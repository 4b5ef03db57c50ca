#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "capture/FfmpegMediaFile.h"
#include "capture/FfmpegTranscoder.h"

using namespace testing_support;

namespace {

TEST(FfmpegTranscoder, RealMediaBecomesBrowserWebmWithProgressToTheEnd)
{
    TempDir t;
    FfmpegTranscoder tr;
    std::vector<int> seen;
    tr.onProgress = [&](int p) { seen.push_back(p); };
    TranscodeOptions o;
    o.videoCodec = "libvpx";
    o.audioCodec = "libopus";
    std::string err;
    ASSERT_TRUE(tr.Run(sampleDir() + "talk1.rm", t.file("out.webm"), o, err)) << err;
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    auto media = FfmpegMediaFile::Open(t.file("out.webm"), err);
    ASSERT_TRUE(media) << err;
    EXPECT_TRUE(media->HasVideo());
    EXPECT_EQ(media->VideoWidth(), 160);
    EXPECT_NEAR(media->DurationSeconds(), 6.0, 0.5);
}

TEST(FfmpegTranscoder, AudioOnlyInputAndFailuresLeaveNoFile)
{
    TempDir t;
    FfmpegTranscoder tr;
    TranscodeOptions o;
    o.audioCodec = "libopus";
    std::string err;
    ASSERT_TRUE(tr.Run(sampleDir() + "talk2.rm", t.file("a.webm"), o, err)) << err;
    auto media = FfmpegMediaFile::Open(t.file("a.webm"), err);
    ASSERT_TRUE(media) << err;
    EXPECT_FALSE(media->HasVideo());

    writeFile(t.file("junk.rm"), std::string(1000, 'j'));
    EXPECT_FALSE(tr.Run(t.file("junk.rm"), t.file("b.webm"), o, err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(std::filesystem::exists(t.file("b.webm")));

    // Cancelled from the progress callback: the partial output is removed.
    tr.onProgress = [&](int p) {
        if (p > 10)
            tr.Cancel();
    };
    o.videoCodec = "libvpx";
    EXPECT_FALSE(tr.Run(sampleDir() + "talk1.rm", t.file("c.webm"), o, err));
    EXPECT_EQ(err, "cancelled");
    EXPECT_FALSE(std::filesystem::exists(t.file("c.webm")));
}

}  // namespace
