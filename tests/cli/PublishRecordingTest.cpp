// "pellucor publish" on lectures recorded in today's formats: real FFmpeg
// on short generated recordings, and ffprobe reading the browser copies back.
#include <gtest/gtest.h>

#include <filesystem>

#include "MediaTools.h"
#include "PublishRun.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

const std::vector<std::string> kPicture = {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=15:duration=3"};
const std::vector<std::string> kSound = {"-f", "lavfi", "-i", "sine=frequency=440:duration=3"};

class PublishRecording : public PublishRun {
protected:
    void SetUp() override
    {
        lecture = root.dir() + "lec/";
        PublishRun::SetUp();
        for (const char* name : {"img001.gif", "img002.gif", "img003.gif", "titles.txt"})
            fs::copy_file(sampleDir() + name, lecture + name);
    }

    // Part p's events: three slides a second each.
    void events(int part)
    {
        writeFile(lecture + "lec" + std::to_string(part) + ".txt",
                  "u 00:00:00 00:00:01 URL\\sld001.htm\r\nu 00:00:01 00:00:02 URL\\sld002.htm\r\n"
                  "u 00:00:02 00:00:03 URL\\sld003.htm\r\n");
    }

    // Publishes the lecture; the copy named, as ffprobe reads it.
    Probed publishedCopy(const std::string& name)
    {
        const Outcome r = publish();
        EXPECT_EQ(r.code, 0) << describe(r);
        return ffprobe(out + name);
    }
    // What slide-info says it found in the lecture.
    void expectFound(std::initializer_list<std::string> what)
    {
        const Outcome r = slideInfo(lecture);
        EXPECT_EQ(r.code, 0) << describe(r);
        expectHolds(r, r.out, what);
    }

    // Runs ffmpeg on the parts' arguments, one after the other.
    void record(std::initializer_list<std::vector<std::string>> parts)
    {
        std::vector<std::string> args;
        for (const auto& part : parts)
            args.insert(args.end(), part.begin(), part.end());
        std::string err;
        ASSERT_TRUE(ffmpeg(args, err)) << err;
    }

    // The slides of a part, as chapters: start, end and title.
    static void expectSlideChapters(const Probed& p)
    {
        ASSERT_EQ(p.chapters.size(), 3u);
        const char* titles[] = {"Welcome to the talk", "Why \"timing\" matters", "Results"};
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(p.chapters[i].start, i, 0.01) << i;
            EXPECT_NEAR(p.chapters[i].end, i + 1, 0.01) << i;
            EXPECT_EQ(p.chapters[i].title, titles[i]);
        }
    }
};

TEST_F(PublishRecording, TodaysRecordingsArePassedOnUnchangedOrEncodedOnceAndCarryTheSlidesAsChapters)
{
    // Parts: 1 a loud MP4 browsers play, 2 an .m4a, 3 an .mp4 of sound only,
    // 4 an MP3, 5 an upper-case MKV browsers do not play, 6 a phone's
    // picture, written sideways with the stream saying so.
    for (int p = 1; p <= 6; ++p)
        events(p);
    record({kPicture,
            {"-f", "lavfi", "-i", "sine=frequency=440:duration=3,volume=6", "-c:v", "libx264", "-pix_fmt", "yuv420p",
             "-c:a", "aac", lecture + "lec1.mp4"}});
    record({kSound, {"-c:a", "aac", lecture + "lec2.m4a"}});
    record({kSound, {"-c:a", "aac", lecture + "lec3.mp4"}});
    record({kSound, {"-c:a", "libmp3lame", lecture + "lec4.mp3"}});
    record({kPicture, kSound, {"-c:v", "mpeg4", "-c:a", "libmp3lame", lecture + "lec5.MKV"}});
    const std::string plain = root.dir() + "plain.mov";
    record({kPicture, kSound, {"-c:v", "mpeg4", "-c:a", "aac", plain}});
    record({{"-i", plain, "-c", "copy", "-metadata:s:v:0", "rotate=90", lecture + "lec6.mov"}});
    const auto rotation = [](const std::string& path) {
        std::string text;
        runTool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "stream_side_data=rotation",
                 "-of", "csv=p=0", path},
                text);
        return text.substr(0, text.find_first_of("\r\n"));
    };
    ASSERT_EQ(rotation(lecture + "lec6.mov"), "90");
    expectFound(
        {"part 3: events " + lecture + "lec3.txt, audio " + lecture + "lec3.mp4", "video " + lecture + "lec5.MKV"});
    const Outcome r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    // Passed on: every packet as it was.
    for (const auto& [copy, source, codecs, stream] : {std::tuple {"lec1.mp4", "lec1.mp4", "h264 aac", "v:0"},
                                                       {"lec1.mp4", "lec1.mp4", "h264 aac", "a:0"},
                                                       {"lec2.m4a", "lec2.m4a", "aac", "a:0"},
                                                       {"lec3.m4a", "lec3.mp4", "aac", "a:0"},
                                                       {"lec4.mp3", "lec4.mp3", "mp3", "a:0"}}) {
        SCOPED_TRACE(copy);
        EXPECT_EQ(ffprobe(out + copy).codecs(), codecs);
        EXPECT_FALSE(packetChecksums(out + copy, stream).empty());
        EXPECT_EQ(packetChecksums(out + copy, stream), packetChecksums(lecture + source, stream));
    }
    // Encoded once, the last frame too, and still turned.
    const Probed mkv = ffprobe(out + "lec5.mp4");
    ASSERT_EQ(mkv.codecs(), "h264 aac");
    EXPECT_EQ(mkv.streams.front().pixelFormat, "yuv420p");
    EXPECT_NEAR(mkv.duration, 3.0, 0.2);
    EXPECT_EQ(decodedFrames(out + "lec5.mp4"), decodedFrames(lecture + "lec5.MKV"));
    EXPECT_EQ(ffprobe(out + "lec6.mp4").codecs(), "h264 aac");
    EXPECT_EQ(rotation(out + "lec6.mp4"), "90");
    for (const char* copy : {"lec1.mp4", "lec2.m4a", "lec3.m4a", "lec4.mp3", "lec5.mp4", "lec6.mp4"}) {
        SCOPED_TRACE(copy);
        expectSlideChapters(ffprobe(out + copy));
        EXPECT_TRUE(holds(copy, ".mp3") || indexAtFront(out + copy));
    }
    // The pages play them; the chapters file beside them stays.
    expectHolds(r, readFile(out + "part1.htm"),
                {"<video id=\"media\"", "width=\"320\" height=\"240\" src=\"lec1.mp4\""});
    for (const char* part : {"part2.htm", "part3.htm", "part4.htm"})
        EXPECT_TRUE(holds(readFile(out + part), "<audio id=\"media\"")) << part;
    EXPECT_TRUE(holds(readFile(out + "part3.htm"), "src=\"lec3.m4a\""));
    EXPECT_TRUE(fs::exists(out + "chapters1.vtt"));
    EXPECT_FALSE(fs::exists(out + "lec1.rm"));

    // The loudness preference: the sound normalised, the picture kept.
    ASSERT_GT(integratedLoudness(lecture + "lec1.mp4"), -12.0);
    preferences("prfLoudness=Yes\n");
    const Probed loud = publishedCopy("lec1.mp4");
    EXPECT_EQ(loud.codecs(), "h264 aac");
    EXPECT_NEAR(integratedLoudness(out + "lec1.mp4"), -23.0, 2.0);
    EXPECT_EQ(packetChecksums(out + "lec1.mp4", "v:0"), packetChecksums(lecture + "lec1.mp4", "v:0"));
    expectSlideChapters(loud);
}

TEST_F(PublishRecording, ARealMediaLectureKeepsItsRecordingAndGetsAnH264AacCopy)
{
    fs::copy_file(sampleDir() + "talk1.rm", lecture + "lec1.rm");
    fs::copy_file(sampleDir() + "talk1.txt", lecture + "lec1.txt");
    // The H.264 recording beside the RealMedia one is not what is loaded.
    fs::copy_file(sampleDir() + "talk1.mp4", lecture + "lec1.mp4");
    expectFound({"video " + lecture + "lec1.rm"});
    const Probed p = publishedCopy("lec1.mp4");
    ASSERT_EQ(p.codecs(), "h264 aac");
    EXPECT_TRUE(fs::exists(out + "lec1.rm"));
    EXPECT_TRUE(indexAtFront(out + "lec1.mp4"));
    ASSERT_EQ(p.chapters.size(), 3u);
    EXPECT_EQ(p.chapters[1].title, "Why \"timing\" matters");
    EXPECT_NEAR(p.chapters[2].start, 4.0, 0.01);
    EXPECT_TRUE(holds(readFile(out + "part1.htm"), "src=\"lec1.mp4\""));

    // The preference for WebM: VP9 and Opus.
    preferences("prfWebmCopy=Yes\n");
    const Probed w = publishedCopy("lec1.webm");
    ASSERT_EQ(w.codecs(), "vp9 opus");
    EXPECT_EQ(w.format, "matroska,webm");
    EXPECT_EQ(w.chapters.size(), 3u);
    EXPECT_FALSE(fs::exists(out + "lec1.mp4"));
    EXPECT_TRUE(holds(readFile(out + "part1.htm"), "src=\"lec1.webm\""));
}

TEST_F(PublishRecording, ARecordingThatCannotBeReadEndsThePublishNamingIt)
{
    events(1);
    writeFile(lecture + "lec1.mp4", "this is not a recording");
    expectRefused(publish(), {"Unable to read media file " + lecture + "lec1.mp4"});
    EXPECT_FALSE(fs::exists(out + "lec1.mp4"));

    // Cut short, with its index at the front: it opens, but its packets end
    // long before the length it declares.
    const std::string whole = root.file("whole.mp4");
    record({{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=15:duration=20", "-f", "lavfi", "-i",
             "sine=frequency=440:duration=20", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-movflags",
             "+faststart", whole}});
    const std::string bytes = readFile(whole);
    writeFile(lecture + "lec1.mp4", bytes.substr(0, bytes.size() / 3));
    expectRefused(publish(), {lecture + "lec1.mp4", "cut short"});
    for (const char* made : {"lec1.mp4", "lec1.vtt"})
        EXPECT_FALSE(fs::exists(out + made)) << made;
    EXPECT_EQ(readFile(lecture + "lec1.mp4").size(), bytes.size() / 3);  // the recording is untouched
}

}  // namespace
