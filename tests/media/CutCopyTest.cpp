// The browser copy of a recording with cuts, made from generated
// recordings of every kind a lecture brings and read back with FFmpeg's
// own tools: the copy's length is the recording's less the cuts, the first
// picture after each cut is the recording's picture at the cut's end, the
// pictures between cuts are passed on as they are where they play in
// browsers, the sound joins without a click, and the copy decodes cleanly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "MediaTools.h"
#include "TestSupport.h"
#include "core/CutList.h"
#include "media/FfmpegMediaOpener.h"
#include "media/SoundSplicer.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

struct Case {
    const char* name;
    const char* recording;  // its file name
    std::vector<std::string> encoding;  // ffmpeg output options
    bool picture;
    const char* copy;       // extension of the copy
    const char* codecs;     // of the copy
    double passedOn;        // least share of the copy's pictures passed on as they are
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"H264WithBFrames", "talk1.mp4", {"-c:v", "libx264", "-g", "10", "-bf", "3", "-pix_fmt", "yuv420p", "-c:a", "aac"},
     true, "mp4", "h264 aac", 0.6},
    {"Vp9", "talk1.webm", {"-c:v", "libvpx-vp9", "-g", "10", "-deadline", "realtime", "-c:a", "libopus"}, true,
     "webm", "vp9 opus", 0.6},
    {"H264In444EncodedFirst", "talk1.mkv", {"-c:v", "libx264", "-g", "10", "-pix_fmt", "yuv444p", "-c:a", "aac"}, true,
     "mp4", "h264 aac", 0},
    {"SoundOnlyAac", "talk1.m4a", {"-c:a", "aac"}, false, "m4a", "aac", 0},
    {"SoundOnlyMp3", "talk1.mp3", {"-c:a", "libmp3lame"}, false, "mp3", "mp3", 0},
};

// A 20-second recording; kept: 1.55 to 6.35, 9.05 to 17.25.
const CutList kCuts({{0, 1.55}, {6.35, 9.05}, {17.25, 20}});
constexpr double kRecording = 20;
constexpr double kKept = 4.8 + 8.2;

// SSIM of the copy's picture at copyTime and the recording's at time.
double ssimAt(const std::string& copy, double copyTime, const std::string& recording, double time)
{
    std::string out, err;
    runTool({"ffmpeg", "-v", "info", "-ss", std::to_string(copyTime), "-i", copy, "-ss", std::to_string(time), "-i",
             recording, "-filter_complex", "[0:v][1:v]ssim", "-frames:v", "1", "-f", "null", "-"},
            out, &err);
    std::smatch m;
    return std::regex_search(err, m, std::regex("All:([0-9.]+)")) ? std::stod(m[1]) : -1;
}

// The sound of a file as floats, one channel.
std::vector<float> samples(const std::string& path)
{
    std::string out;
    runTool({"ffmpeg", "-v", "error", "-i", path, "-ac", "1", "-ar", "44100", "-f", "f32le", "-"}, out);
    std::vector<float> s(out.size() / sizeof(float));
    std::memcpy(s.data(), out.data(), s.size() * sizeof(float));
    return s;
}

// Share of the copy's video packets found, byte for byte, in the recording.
double passedOnShare(const std::string& copy, const std::string& recording)
{
    const auto sums = [](const std::string& path) {
        std::vector<std::string> found;
        std::istringstream in(packetChecksums(path, "v:0"));
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line[0] != '#')
                found.push_back(line.substr(line.find_last_of(',') + 1));
        return found;
    };
    const auto theirs = sums(recording);
    const std::set<std::string> original(theirs.begin(), theirs.end());
    const auto ours = sums(copy);
    size_t same = 0;
    for (const auto& s : ours)
        same += original.count(s);
    return ours.empty() ? 0 : static_cast<double>(same) / static_cast<double>(ours.size());
}

class CutCopyTest : public ::testing::TestWithParam<Case> {
protected:
    TempDir dir;
};

TEST_P(CutCopyTest, LeavesOutTheCutsAndJoinsExactly)
{
    const Case& c = GetParam();
    const std::string recording = dir.file(c.recording);
    std::string err;
    ASSERT_TRUE(recordTestPattern(recording, static_cast<int>(kRecording), c.encoding, c.picture, err)) << err;
    std::filesystem::create_directory(dir.file("out"));
    FfmpegMediaOpener opener;
    auto media = opener.OpenMedia(recording, err);
    ASSERT_TRUE(media) << err;
    media->cuts = kCuts;
    std::vector<int> progress;
    media->onProgress = [&](int p) { progress.push_back(p); };
    ASSERT_TRUE(media->SaveBrowserCopy(dir.file("out/talk1"), err)) << err;
    media->Close();
    const std::string copy = dir.file("out/talk1." + std::string(c.copy));
    EXPECT_EQ(media->browserCopy, "talk1." + std::string(c.copy));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(leftBeside(dir.file("out")).size(), 0u);

    const Probed probed = ffprobe(copy);
    EXPECT_EQ(probed.codecs(), c.codecs);
    // As long as what was kept, within a picture (a tenth of a second) and
    // the sound encoder's last frame.
    EXPECT_NEAR(probed.duration, kKept, 0.12);
    std::string out, decodeErrors;
    EXPECT_TRUE(runTool({"ffmpeg", "-v", "error", "-i", copy, "-f", "null", "-"}, out, &decodeErrors));
    EXPECT_EQ(decodeErrors, "");
    if (c.picture) {
        EXPECT_EQ(decodedFrames(copy), 48 + 82);
        // The first picture of each stretch kept is the recording's at its
        // start: more like it than like the pictures either side of it.
        for (const auto& [at, time] : {std::pair {0.0, 1.6}, {4.8, 9.1}, {5.3, 9.6}}) {
            const double same = ssimAt(copy, at, recording, time);
            EXPECT_GT(same, 0.97) << at;
            EXPECT_GT(same, ssimAt(copy, at, recording, time - 0.1)) << at;
            EXPECT_GT(same, ssimAt(copy, at, recording, time + 0.1)) << at;
        }
        EXPECT_GE(passedOnShare(copy, recording), c.passedOn);
        // Decoding times a picture apart where runs encoded again meet
        // pictures passed on: a player or segmenter sees no pile-up.
        std::string times;
        runTool({"ffprobe", "-v", "error", "-select_streams", "v", "-show_entries", "packet=dts_time", "-of",
                 "csv=p=0", copy},
                times);
        std::istringstream lines(times);
        double previous = -1e9, closest = 1e9;
        for (std::string line; std::getline(lines, line);)
            if (!line.empty() && line != "N/A") {
                closest = std::min(closest, std::stod(line) - previous);
                previous = std::stod(line);
            }
        EXPECT_GT(closest, 0.05);
    }
    // No click where the sound was joined: no step between two samples
    // beyond what the tone itself makes (and the encoder's noise).
    const std::vector<float> sound = samples(copy);
    ASSERT_GT(sound.size(), 44100u * 12);
    float steepest = 0;
    for (size_t i = 1; i < sound.size(); ++i)
        steepest = std::max(steepest, std::fabs(sound[i] - sound[i - 1]));
    EXPECT_LT(steepest, 0.03f);
}

INSTANTIATE_TEST_SUITE_P(Recordings, CutCopyTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Splicing by hand: each stretch's samples where they belong, crossfaded
// across the joins with gains whose squares add up to one.
TEST(SoundSplicer, JoinsKeptSamplesAndFadesAcrossTheJoins)
{
    std::vector<float> input(100);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<float>(i);
    SoundSplicer splicer({{10, 40}, {60, 90}}, 100, 1, 4);
    std::vector<float> joined;
    const SoundSplicer::Sink sink = [&](const float* const* planes, int64_t n) {
        joined.insert(joined.end(), planes[0], planes[0] + n);
    };
    for (size_t at = 0; at < input.size(); at += 7) {
        const float* plane = input.data() + at;
        splicer.Push(&plane, std::min<int64_t>(7, static_cast<int64_t>(input.size() - at)), sink);
    }
    splicer.Finish(sink);
    ASSERT_EQ(joined.size(), 60u);
    EXPECT_LT(joined[0], 10.0f);    // fading in
    EXPECT_EQ(joined[10], 20.0f);   // plain
    EXPECT_EQ(joined[25], 35.0f);
    EXPECT_EQ(joined[34], 64.0f);   // past the join, plain again
    EXPECT_LT(joined[59], 89.0f);   // fading out
    // In the join the two sides mix: between what each would have been.
    for (int i = 26; i < 34; ++i) {
        EXPECT_GT(joined[static_cast<size_t>(i)], static_cast<float>(i + 10) * 0.7f) << i;
        EXPECT_LT(joined[static_cast<size_t>(i)], static_cast<float>(i + 30) * 1.42f) << i;
    }
}

}  // namespace
