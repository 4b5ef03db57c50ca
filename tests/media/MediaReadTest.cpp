// What each reader of a recording makes of the files users bring: nothing
// at all, not media, cut short, sound without pictures, pictures without
// sound, odd sizes, pixels that are not square, cover art, and sound at
// rates and in channels other than speech wants. Each reader either says
// clearly why it cannot, naming the file, or gives the right picture size,
// length and sound (a 440 Hz tone still at 440 Hz once at 16 kHz mono).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "MediaTools.h"
#include "TestSupport.h"
#include "media/FfmpegMediaFile.h"
#include "media/FrameSampler.h"
#include "media/PartSound.h"
#include "media/SpeakerVideo.h"
#include "media/SpeechAudio.h"
#include "media/VideoCanvas.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
}

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

// ffmpeg's inputs of the rows below.
#define TONE "-f lavfi -i sine=frequency=440:duration=2 "
#define PICTURE "-f lavfi -i testsrc=size=160x120:rate=10:duration=2 "
#define H264 "-c:v libx264 -pix_fmt yuv420p "

struct OddInput {
    const char* name;   // the file's name, its extension choosing the format
    const char* make;   // ffmpeg's arguments before the output, split at spaces; "": the bytes below
    const char* bytes;  // the file's content when it is not made by ffmpeg
    double keep;        // the share of the made file kept (1: all of it)
    // What each reader says: its summary of the file, or the words of its error.
    const char* opened;           // FfmpegMediaFile: "2.0 s 160x120 sound"
    const char* sampled;          // FrameSampler: the grey picture's size
    const char* speaker;          // SpeakerVideo: the first frame's size (nullptr: not asked)
    const char* speech;           // ReadSpeechAudio: "2.0 s 440 Hz"
    const char* piped = nullptr;  // the format written through a pipe (no index, no length); nullptr: a file
};

void PrintTo(const OddInput& c, std::ostream* os) { *os << c.name; }

constexpr const char* kNoVideo = "cannot read the video of";
constexpr const char* kNoPicture = FrameSampler::kNoPicture;

// clang-format off
const OddInput kInputs[] = {
    {"empty.mp4", "", "", 1, "cannot open", "cannot open", kNoVideo, "Unreadable"},
    {"text.mp4", "", "this is not a recording\n", 1, "cannot open", "cannot open", kNoVideo, "Unreadable"},
    // Cut before its index (at the end of an MP4 file unless moved).
    {"cut.mp4", PICTURE TONE H264, "", 0.5, "cannot open", "cannot open", kNoVideo, "Unreadable"},
    {"both.mp4", PICTURE TONE H264 "-c:a aac", "", 1, "2.0 s 160x120 sound", "160x120", "160x120", "2.0 s 440 Hz"},
    // As a browser records: its length is found from its packets.
    {"browser.webm", PICTURE TONE "-c:v libvpx -c:a libopus", "", 1, "2.0 s 160x120 sound", "160x120", "160x120",
     "2.0 s 440 Hz", "webm"},
    // Stereo at 44.1 kHz, mixed down; a telephone's rate, brought up.
    {"stereo.m4a", TONE "-ac 2 -ar 44100 -c:a aac", "", 1, "2.0 s sound", kNoPicture, kNoVideo, "2.0 s 440 Hz"},
    {"phone.wav", TONE "-ar 8000", "", 1, "2.0 s sound", kNoPicture, kNoVideo, "2.0 s 440 Hz"},
    {"opus.webm", TONE "-c:a libopus", "", 1, "2.0 s sound", kNoPicture, kNoVideo, "2.0 s 440 Hz"},
    // The header tells of twice the sound there is: what is there is read.
    {"cut.wav", "-f lavfi -i sine=frequency=440:duration=4", "", 0.5, "2.0 s sound", kNoPicture, kNoVideo,
     "2.0 s 440 Hz"},
    // A song with its cover: the cover is no recording of slides.
    {"cover.mp3", TONE "-f lavfi -i color=red:size=64x64:duration=1 -map 0:a -map 1:v -frames:v 1 -c:v png "
     "-disposition:v attached_pic -c:a libmp3lame", "", 1, "2.0 s sound", kNoPicture, nullptr, "2.0 s 440 Hz"},
    {"silent.mkv", PICTURE H264, "", 1, "2.0 s 160x120", "160x120", "160x120", "NoSound"},
    // Odd sizes, as a screen recording of a window has them.
    {"odd.mkv", "-f lavfi -i testsrc=size=161x121:rate=10:duration=2 -c:v ffv1", "", 1, "2.0 s 161x121", "161x121",
     "161x121", "NoSound"},
    // Stored at half its width: pictures in their shown proportions.
    {"wide.mkv", PICTURE "-vf setsar=2 " H264, "", 1, "2.0 s 160x120", "320x120", "160x120 shown 320x120",
     "NoSound"},
};
// clang-format on

const OddInput& row(const std::string& name)
{
    return *std::find_if(std::begin(kInputs), std::end(kInputs), [&](const OddInput& c) { return c.name == name; });
}

// The file of the row, made in dir.
std::string makeInput(const OddInput& c, const TempDir& dir)
{
    const std::string path = dir.file(c.name);
    if (!*c.make) {
        writeFile(path, c.bytes);
        return path;
    }
    Strings args;
    std::istringstream words(c.make);
    for (std::string word; words >> word;)
        args.push_back(word);
    args.push_back(path);
    std::string err;
    EXPECT_TRUE(c.piped ? ffmpegPiped(args, c.piped, err) : ffmpeg(args, err)) << err;
    if (c.keep < 1) {
        const std::string bytes = readFile(path);
        writeFile(path, bytes.substr(0, static_cast<size_t>(bytes.size() * c.keep)));
    }
    return path;
}

std::string size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

std::string seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

// The tone's pitch, to the nearest 10 Hz, from its rising zero crossings.
int pitch(const std::vector<int16_t>& pcm)
{
    int rises = 0;
    for (size_t i = 1; i < pcm.size(); ++i)
        rises += pcm[i - 1] < 0 && pcm[i] >= 0;
    return pcm.empty() ? 0 : static_cast<int>(std::lround(rises * double(kSpeechRate) / pcm.size() / 10) * 10);
}

std::string opened(const std::string& path)
{
    std::string err;
    const auto media = FfmpegMediaFile::Open(path, err);
    if (!media)
        return err;
    return seconds(media->DurationSeconds())
        + (media->HasVideo() ? " " + size(media->VideoWidth(), media->VideoHeight()) : "")
        + (media->HasAudio() ? " sound" : "");
}

std::string sampled(const std::string& path)
{
    FrameSampler sampler;
    std::string err, got = "no picture";
    if (!sampler.Open(path, err)
        || !sampler.KeyframeBefore(
            0,
            [&](double, const cv::Mat& grey) {
                got = size(grey.cols, grey.rows);
                return false;
            },
            err))
        return err;
    return got;
}

std::string speaker(const std::string& path)
{
    SpeakerVideo video;
    std::string err;
    if (!video.Open(path, err))
        return err;
    const AVFrame* frame = video.At(0);
    if (!frame)
        return "no frame";
    const AVRational sar = frame->sample_aspect_ratio;
    return size(frame->width, frame->height)
        + (sar.num > 0 && sar.num != sar.den ? " shown " + size(frame->width * sar.num / sar.den, frame->height) : "");
}

std::string speech(const std::string& path)
{
    std::vector<int16_t> pcm;
    std::string err;
    SpeechAudioError why;
    const char* kinds[] = {"None", "Unreadable", "NoSound", "Cancelled"};
    if (!ReadSpeechAudio(path, pcm, err, why))
        return std::string(kinds[static_cast<int>(why)]) + " " + err;
    return seconds(pcm.size() / double(kSpeechRate)) + " " + std::to_string(pitch(pcm)) + " Hz";
}

class OddInputs : public ::testing::TestWithParam<OddInput> {
protected:
    TempDir dir;
};

TEST_P(OddInputs, EachReaderSaysWhyOrReadsItRight)
{
    const OddInput& c = GetParam();
    const std::string path = makeInput(c, dir);
    for (const auto& [reader, got, want] : {std::tuple {"media file", opened(path), c.opened},
                                            {"frame sampler", sampled(path), c.sampled},
                                            {"speaker video", speaker(path), c.speaker},
                                            {"speech audio", speech(path), c.speech}}) {
        if (!want)
            continue;
        EXPECT_TRUE(holds(got, want)) << reader;
        // An error names the file it is about.
        const std::string w = want;
        if (w.find("cannot") != std::string::npos || w == "Unreadable" || w == "NoSound") {
            EXPECT_TRUE(holds(got, path)) << reader;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, OddInputs, ::testing::ValuesIn(kInputs), [](const auto& info) {
    std::string name = info.param.name;
    name[name.find('.')] = '_';
    return name;
});

// The sound of a lecture video's part: a stereo recording at 44.1 kHz
// comes out as one channel at the video's rate, as long as it lasts, then
// silence for as long as asked; a recording without sound, or none at all,
// is silence throughout, and a file that is not one is refused.
TEST(PartSound, GivesTheToneAtTheVideosRateThenSilence)
{
    TempDir dir;
    constexpr int kRate = 48000;
    const auto read = [&](const std::string& path, double secondsAsked, std::vector<float>& samples) {
        PartSound sound;
        std::string err;
        if (!sound.Open(path, kRate, err))
            return err;
        AVAudioFifo* fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 1, 4096);
        const auto want = static_cast<int64_t>(secondsAsked * kRate);
        int64_t given = 0;
        while (given < want)
            given += sound.Read(fifo, std::min<int64_t>(4096, want - given));
        samples.resize(static_cast<size_t>(av_audio_fifo_size(fifo)));
        void* planes[1] = {samples.data()};
        av_audio_fifo_read(fifo, planes, av_audio_fifo_size(fifo));
        av_audio_fifo_free(fifo);
        return std::to_string(given) + " given";
    };
    // The loudest sample from `from` to `to` seconds.
    const auto peak = [&](const std::vector<float>& s, double from, double to) {
        float loudest = 0;
        for (size_t i = static_cast<size_t>(from * kRate); i < std::min(s.size(), size_t(to * kRate)); ++i)
            loudest = std::max(loudest, std::fabs(s[i]));
        return loudest;
    };
    std::vector<float> s;
    ASSERT_EQ(read(makeInput(row("stereo.m4a"), dir), 3, s), "144000 given");
    ASSERT_EQ(s.size(), 144000u);
    EXPECT_GT(peak(s, 0.1, 1.9), 0.05);
    EXPECT_EQ(peak(s, 2.1, 3), 0);
    int rises = 0;
    for (size_t i = 1; i < size_t(2 * kRate); ++i)
        rises += s[i - 1] < 0 && s[i] >= 0;
    EXPECT_NEAR(rises / 2.0, 440, 5);

    for (const std::string& none : {makeInput(row("silent.mkv"), dir), std::string()}) {
        ASSERT_EQ(read(none, 1, s), "48000 given") << none;
        EXPECT_EQ(peak(s, 0, 1), 0) << none;
    }
    const std::string text = makeInput(row("text.mp4"), dir);
    EXPECT_TRUE(holds(read(text, 1, s), "cannot read the sound of " + text));
}

// A slide picture for the lecture video, and files that are none.
TEST(SlideImage, IsReadAtItsSizeOrRefusedNamingTheFile)
{
    TempDir dir;
    std::string err;
    ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "color=blue:size=90x70", "-frames:v", "1", dir.file("a.png")}, err));
    AVFrame* picture = ReadPicture(dir.file("a.png"), err);
    ASSERT_TRUE(picture) << err;
    EXPECT_EQ(size(picture->width, picture->height), "90x70");
    av_frame_free(&picture);
    for (const char* name : {"empty.mp4", "text.mp4", "stereo.m4a"}) {
        const std::string path = makeInput(row(name), dir);
        EXPECT_EQ(ReadPicture(path, err), nullptr) << name;
        EXPECT_TRUE(holds(err, "cannot read the picture " + path));
    }
}

}  // namespace
