// The check a published media file passes, on short generated recordings
// of the kinds a publication holds (seekable or not, sound alone or with
// pictures), on files cut short or damaged near their end, and on a file
// changed after it passed.
#include <gtest/gtest.h>

#include <filesystem>

#include "MediaTools.h"
#include "TestSupport.h"
#include "media/MediaCheck.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

class MediaPlayCheck : public ::testing::Test {
protected:
    TempDir dir;

    // A 4-second recording made with the given ffmpeg output options.
    std::string record(const std::string& name, const std::vector<std::string>& options, bool picture = true)
    {
        std::string err;
        EXPECT_TRUE(recordTestPattern(dir.file(name), 4, options, picture, err)) << err;
        return dir.file(name);
    }
    // The file's bytes from `from` on overwritten with a pattern.
    void damage(const std::string& path, size_t from)
    {
        std::string bytes = readFile(path);
        for (size_t i = from; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 37 % 251);
        writeFile(path, bytes);
    }
    std::string why(const std::string& path)
    {
        std::string err;
        return CheckMediaPlays(path, err) ? "plays" : err;
    }
};

TEST_F(MediaPlayCheck, RecordingsOfEveryKindPlay)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> kinds = {
        {"copy.mp4", {"-c:v", "libx264", "-g", "15", "-pix_fmt", "yuv420p", "-c:a", "aac"}},
        {"sound.m4a", {"-c:a", "aac"}},
        {"video.rm", {"-c:v", "rv20", "-c:a", "ac3"}},
        {"sound.rm", {"-c:a", "ac3"}},  // no index: it cannot seek
        {"sound.mp3", {"-c:a", "libmp3lame"}},
    };
    for (const auto& [name, options] : kinds) {
        const bool picture = name.rfind("sound", 0) != 0;
        EXPECT_EQ(why(record(name, options, picture)), "plays") << name;
    }
}

TEST_F(MediaPlayCheck, AFileCutShortOrDamagedNearItsEndDoesNotPlay)
{
    const std::string mp4
        = record("cut.mp4", {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-movflags", "+faststart"});
    const std::string bytes = readFile(mp4);
    writeFile(mp4, bytes.substr(0, bytes.size() / 3));
    EXPECT_TRUE(holds(why(mp4), "cut short")) << why(mp4);

    // Garbage in the last packets, the index whole: every packet is read,
    // the last second does not decode.
    const std::string damaged
        = record("damaged.mp4", {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-movflags", "+faststart"});
    damage(damaged, readFile(damaged).size() * 9 / 10);
    const std::string err = why(damaged);
    EXPECT_TRUE(holds(err, damaged + " does not play: a packet at ")) << err;

    writeFile(dir.file("text.mp4"), "this is not a recording");
    EXPECT_TRUE(holds(why(dir.file("text.mp4")), "it cannot be read"));
}

TEST_F(MediaPlayCheck, AFileChangedAfterItPassedIsCheckedAgain)
{
    const std::string path = record("later.mp4", {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"});
    ASSERT_EQ(why(path), "plays");
    const std::string bytes = readFile(path);
    writeFile(path, bytes.substr(0, bytes.size() / 2));
    EXPECT_NE(why(path), "plays");
}

}  // namespace
