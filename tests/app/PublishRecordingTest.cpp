// "pellucor publish" on lectures recorded in today's formats, run as a user
// runs it: real FFmpeg on short generated recordings, and ffprobe reading
// the browser copies back. A copy of a recording that browsers play holds
// the very packets of the source; anything else is encoded once; every
// copy carries the slides as chapters; a recording that cannot be read
// ends the publish with its name and leaves nothing that looks finished.
#include <gtest/gtest.h>

#include <filesystem>

#include "MediaTools.h"
#include "PublishRun.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

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
    void expectFound(const std::string& what)
    {
        const Outcome r = slideInfo(lecture);
        EXPECT_EQ(r.code, 0) << describe(r);
        expectHolds(r, r.out, {what});
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

TEST_F(PublishRecording, AnMp4LectureIsPassedOnUnchangedWithTheSlidesAsChaptersOrWithItsLoudnessNormalised)
{
    events(1);
    record({kPicture,
            {"-f", "lavfi", "-i", "sine=frequency=440:duration=3,volume=6", "-c:v", "libx264", "-pix_fmt", "yuv420p",
             "-c:a", "aac", lecture + "lec1.mp4"}});
    const Outcome r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    const std::string copy = out + "lec1.mp4";
    const Probed p = ffprobe(copy);
    ASSERT_EQ(p.codecs(), "h264 aac");
    // Not encoded again: every packet as it was.
    EXPECT_EQ(packetChecksums(copy, "v:0"), packetChecksums(lecture + "lec1.mp4", "v:0"));
    EXPECT_EQ(packetChecksums(copy, "a:0"), packetChecksums(lecture + "lec1.mp4", "a:0"));
    EXPECT_FALSE(packetChecksums(copy, "v:0").empty());
    EXPECT_TRUE(indexAtFront(copy));
    expectSlideChapters(p);
    // The pages play it; the chapters file beside it stays.
    expectHolds(r, readFile(out + "part1.htm"),
                {"<video id=\"media\"", "width=\"320\" height=\"240\" src=\"lec1.mp4\""});
    EXPECT_TRUE(fs::exists(out + "chapters1.vtt"));
    EXPECT_FALSE(fs::exists(out + "lec1.rm"));

    // The loudness preference: the sound normalised, the picture kept.
    ASSERT_GT(integratedLoudness(lecture + "lec1.mp4"), -12.0);
    preferences("prfLoudness=Yes\n");
    const Probed loud = publishedCopy("lec1.mp4");
    EXPECT_EQ(loud.codecs(), "h264 aac");
    EXPECT_NEAR(integratedLoudness(copy), -23.0, 2.0);
    EXPECT_EQ(packetChecksums(copy, "v:0"), packetChecksums(lecture + "lec1.mp4", "v:0"));
    expectSlideChapters(loud);
}

TEST_F(PublishRecording, SoundOnlyLecturesArePassedOnUnchangedWhateverTheExtensionSays)
{
    // Part 1 an .m4a, part 2 an .mp4 that holds nothing but sound, part 3 an MP3.
    for (int p : {1, 2, 3})
        events(p);
    record({kSound, {"-c:a", "aac", lecture + "lec1.m4a"}});
    record({kSound, {"-c:a", "aac", lecture + "lec2.mp4"}});
    record({kSound, {"-c:a", "libmp3lame", lecture + "lec3.mp3"}});
    expectFound("part 2: events " + lecture + "lec2.txt, audio " + lecture + "lec2.mp4");
    const Outcome r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    for (const auto& [copy, source, codec] : {std::tuple {"lec1.m4a", "lec1.m4a", "aac"},
                                              {"lec2.m4a", "lec2.mp4", "aac"},
                                              {"lec3.mp3", "lec3.mp3", "mp3"}}) {
        SCOPED_TRACE(copy);
        const Probed p = ffprobe(out + copy);
        ASSERT_EQ(p.codecs(), codec);
        EXPECT_EQ(packetChecksums(out + copy, "a:0"), packetChecksums(lecture + source, "a:0"));
        expectSlideChapters(p);
    }
    EXPECT_TRUE(indexAtFront(out + "lec1.m4a"));
    for (const char* part : {"part1.htm", "part2.htm", "part3.htm"})
        EXPECT_TRUE(holds(readFile(out + part), "<audio id=\"media\"")) << part;
    EXPECT_TRUE(holds(readFile(out + "part2.htm"), "src=\"lec2.m4a\""));
}

TEST_F(PublishRecording, AnUpperCaseMkvIsFoundAndEncodedOnceIntoH264Aac)
{
    events(1);
    record({kPicture, kSound, {"-c:v", "mpeg4", "-c:a", "libmp3lame", lecture + "lec1.MKV"}});
    expectFound("video " + lecture + "lec1.MKV");
    const Probed p = publishedCopy("lec1.mp4");
    ASSERT_EQ(p.codecs(), "h264 aac");
    EXPECT_EQ(p.streams.front().pixelFormat, "yuv420p");
    EXPECT_NEAR(p.duration, 3.0, 0.2);
    EXPECT_TRUE(indexAtFront(out + "lec1.mp4"));
    EXPECT_EQ(decodedFrames(out + "lec1.mp4"), decodedFrames(lecture + "lec1.MKV"));  // the last one too
    expectSlideChapters(p);
}

TEST_F(PublishRecording, APhonesTurnedPictureStaysTurnedWhenEncoded)
{
    // A phone held upright writes its picture sideways and says so in the
    // stream; an encoded copy that dropped that would play lying on its side.
    events(1);
    const std::string plain = root.dir() + "plain.mov";
    record({kPicture, kSound, {"-c:v", "mpeg4", "-c:a", "aac", plain}});
    record({{"-i", plain, "-c", "copy", "-metadata:s:v:0", "rotate=90", lecture + "lec1.mov"}});
    const auto rotation = [](const std::string& path) {
        std::string text;
        runTool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "stream_side_data=rotation",
                 "-of", "csv=p=0", path},
                text);
        return text.substr(0, text.find_first_of("\r\n"));
    };
    ASSERT_EQ(rotation(lecture + "lec1.mov"), "90");
    EXPECT_EQ(publishedCopy("lec1.mp4").codecs(), "h264 aac");
    EXPECT_EQ(rotation(out + "lec1.mp4"), "90");
}

TEST_F(PublishRecording, ARealMediaLectureKeepsItsRecordingAndGetsAnH264AacCopy)
{
    fs::copy_file(sampleDir() + "talk1.rm", lecture + "lec1.rm");
    fs::copy_file(sampleDir() + "talk1.txt", lecture + "lec1.txt");
    // The H.264 recording beside the RealMedia one is not what is loaded.
    fs::copy_file(sampleDir() + "talk1.mp4", lecture + "lec1.mp4");
    expectFound("video " + lecture + "lec1.rm");
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

}  // namespace pellucor
