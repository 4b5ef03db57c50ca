#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/SlideEngine.h"
#include "media/FfmpegMediaFile.h"
#include "media/FfmpegMediaOpener.h"

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

}  // namespace

}  // namespace pellucor
