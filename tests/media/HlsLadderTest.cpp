// The HLS presentation of browser copies, read back with FFmpeg's own
// tools: the qualities and their sizes and codecs, segments that start
// together in every quality, the top quality's packets the copy's own,
// sound only, and a copy that cannot be streamed so.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>

#include "MediaTools.h"
#include "TestSupport.h"
#include "media/HlsLadder.h"

namespace fs = std::filesystem;
using namespace pellucor;
using namespace pellucor::testing_support;

namespace {

struct Case {
    const char* name;
    const char* size;       // of the copy's picture; "" for sound only
    int keyframeSeconds;    // between the copy's keyframes
    const char* encoding;   // ffmpeg's video codec
    std::vector<int> heights;  // of the qualities written, top first ({} when it fails)
    double longestSegment;  // seconds
    const char* fails;      // what the error says ("" when it works)
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"Lecture720p", "1280x720", 2, "libx264", {720, 540, 360}, 6, ""},
    {"KeyframesTenSecondsApart", "854x480", 10, "libx264", {480, 360}, 10.1, ""},
    {"Small", "640x360", 2, "libx264", {360}, 6, ""},
    {"SoundOnly", "", 0, "", {}, 6, ""},
    {"Mpeg4CannotStream", "640x360", 2, "mpeg4", {}, 0, "only H.264 video streams as HLS"},
};

// The lengths of a media playlist's segments.
std::vector<double> segmentLengths(const std::string& playlist)
{
    std::vector<double> lengths;
    std::ifstream in(playlist);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("#EXTINF:", 0) == 0)
            lengths.push_back(std::stod(line.substr(8)));
    return lengths;
}

class HlsLadderTest : public ::testing::TestWithParam<Case> {
protected:
    TempDir root;
};

TEST_P(HlsLadderTest, WritesQualitiesWhoseSegmentsStartTogether)
{
    const Case& c = GetParam();
    const bool video = *c.size != 0;
    const std::string copy = root.dir() + (video ? "talk1.mp4" : "talk1.m4a");
    std::string err;
    std::vector<std::string> args {"-f", "lavfi", "-i", "sine=frequency=440:duration=13"};
    if (video) {
        args.insert(args.begin(), {"-f", "lavfi", "-i", std::string("testsrc2=size=") + c.size + ":rate=30:duration=13"});
        args.insert(args.end(), {"-c:v", c.encoding, "-g", std::to_string(30 * c.keyframeSeconds), "-pix_fmt",
                                 "yuv420p", "-sc_threshold", "0"});
    }
    args.insert(args.end(), {"-c:a", "aac", "-shortest", copy});
    ASSERT_TRUE(ffmpeg(args, err)) << err;

    HlsLadder ladder;
    std::vector<int> progress;
    ladder.onProgress = [&](int p) { progress.push_back(p); };
    HlsPresentation written;
    const std::vector<HlsTextTrack> text {{"English", "en", "captions1.vtt", false},
                                          {"Slides", "en", "chapters1.vtt", true}};
    const bool ok = ladder.Write(copy, root.dir(), "talk1", text, written, err);
    if (*c.fails) {
        EXPECT_FALSE(ok);
        EXPECT_TRUE(holds(err, c.fails)) << err;
        EXPECT_FALSE(fs::exists(root.dir() + "talk1.hls"));
        EXPECT_FALSE(fs::exists(root.dir() + "talk1.m3u8"));
        return;
    }
    ASSERT_TRUE(ok) << err;
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    const std::string master = readFile(root.dir() + "talk1.m3u8");
    // Every quality with its bandwidth, size and codecs; the sound and the
    // text tracks as renditions of their own.
    static const std::regex quality(
        R"re(#EXT-X-STREAM-INF:BANDWIDTH=(\d+),AVERAGE-BANDWIDTH=(\d+)(?:,RESOLUTION=(\d+)x(\d+))?,CODECS="([^"]+)"[^\n]*\n([^\n]+)\n)re");
    std::vector<int> heights;
    std::vector<std::vector<double>> segments;
    for (auto it = std::sregex_iterator(master.begin(), master.end(), quality); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        EXPECT_GT(std::stoll(m[1]), 0);
        EXPECT_GE(std::stoll(m[1]), std::stoll(m[2]));  // the peak is at least the average
        const std::string playlist = root.dir() + m[6].str();
        segments.push_back(segmentLengths(playlist));
        const Probed probed = ffprobe(playlist);
        ASSERT_TRUE(probed.ok) << playlist;
        if (!video) {
            EXPECT_EQ(m[5].str(), "mp4a.40.2");
            EXPECT_EQ(probed.codecs(), "aac");
            continue;
        }
        EXPECT_TRUE(std::regex_match(m[5].str(), std::regex(R"(avc1\.[0-9a-f]{6},mp4a\.40\.2)"))) << m[5];
        ASSERT_EQ(probed.streams.size(), 1u);
        EXPECT_EQ(probed.streams[0].codec, "h264");
        EXPECT_EQ(probed.streams[0].height, std::stoi(m[4]));
        EXPECT_EQ(probed.streams[0].width, std::stoi(m[3]));
        heights.push_back(std::stoi(m[4]));
    }
    EXPECT_EQ(heights, c.heights);
    EXPECT_EQ(holds(master, "TYPE=AUDIO"), video);
    EXPECT_TRUE(holds(master, "TYPE=SUBTITLES,GROUP-ID=\"text\",NAME=\"English\",LANGUAGE=\"en\""));
    EXPECT_TRUE(holds(master, "NAME=\"Slides\",LANGUAGE=\"en\",DEFAULT=NO,AUTOSELECT=NO"));
    // The segments start together in every quality, about four seconds
    // apart, longer only where the copy's keyframes are.
    ASSERT_FALSE(segments.empty());
    for (const auto& s : segments) {
        ASSERT_EQ(s.size(), segments[0].size());
        for (size_t i = 0; i < s.size(); ++i) {
            // The last one ends with the picture's last frame.
            EXPECT_NEAR(s[i], segments[0][i], i + 1 < s.size() ? 0.001 : 0.034) << "segment " << i;
            if (i + 1 < s.size()) {
                EXPECT_GE(s[i], 3.9) << "segment " << i;
                EXPECT_LE(s[i], c.longestSegment) << "segment " << i;
            }
        }
    }
    if (video) {
        // The top quality is the copy's own packets, not encoded again.
        EXPECT_EQ(packetChecksums(root.dir() + "talk1.hls/" + std::to_string(c.heights[0]) + ".m3u8", "v:0"),
                  packetChecksums(copy, "v:0"));
        EXPECT_EQ(packetChecksums(root.dir() + "talk1.hls/sound.m3u8", "a:0"), packetChecksums(copy, "a:0"));
    }
}

INSTANTIATE_TEST_SUITE_P(Copies, HlsLadderTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
