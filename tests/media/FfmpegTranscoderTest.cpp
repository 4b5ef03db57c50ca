#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "TestSupport.h"
#include "media/FfmpegMediaFile.h"
#include "media/FfmpegTranscoder.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

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
    // a cancelled one is (MediaSaveTest).
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
