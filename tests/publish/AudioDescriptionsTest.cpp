// Audio descriptions made from the slides: where each is said (the pause
// in speech after its slide appears), how much of the slide it says, when
// it is extended (one table), and the file beside the recording, which a
// lecturer's edit makes theirs for good, and a full disk leaves untouched.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "TestSupport.h"
#include "core/CaptionFiles.h"
#include "publish/AudioDescriptions.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

const ShownSlide kFourier {2, 3, 20, "Fourier series", "Fourier series\nA periodic function is a sum of sines"};

struct Case {
    const char* name;
    SpeechTimes speech;
    double start, end;  // of the description
    const char* text;
    bool extended;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"NoSpeechTheWholeSlideIsAPause",
     {},
     3,
     7.8,
     "Slide 2: Fourier series. A periodic function is a sum of sines",
     false},
    {"SaidWhenTheSentenceEnds", {{0, 5}, {8, 30}}, 5, 7.8, "Slide 2: Fourier series. A periodic function", false},
    {"OverlappingCuesAreOneStretchOfSpeech",
     {{0, 5}, {4, 6}, {6, 9.5}, {12, 30}},
     9.5,
     11.9,
     "Slide 2: Fourier series. A periodic",
     false},
    {"TitleAloneFits", {{0, 5}, {6.8, 30}}, 5, 6.6, "Slide 2: Fourier series.", false},
    {"TooShortForTheTitleIsExtended",
     {{0, 5}, {6.4, 30}},
     5,
     6,
     "Slide 2: Fourier series. A periodic function is a sum of sines",
     true},
    {"SpeechThroughoutIsExtendedAtTheChange",
     {{0, 25}},
     3,
     4,
     "Slide 2: Fourier series. A periodic function is a sum of sines",
     true},
    {"APauseAfterTheSlideEndsIsNotItsOwn",
     {{0, 19.5}, {22, 30}},
     19.5,
     20,
     "Slide 2: Fourier series. A periodic function is a sum of sines",
     true},
};

class Descriptions : public ::testing::TestWithParam<Case> { };

TEST_P(Descriptions, FitThePauseOrAreExtended)
{
    const Case& c = GetParam();
    const auto cues = MakeDescriptions({kFourier}, c.speech);
    ASSERT_EQ(cues.size(), 1u);
    EXPECT_NEAR(cues[0].start, c.start, 1e-9);
    EXPECT_NEAR(cues[0].end, c.end, 1e-9);
    EXPECT_EQ(cues[0].text, c.text);
    EXPECT_EQ(cues[0].extended, c.extended);
    const std::string vtt = DescriptionsText(cues);
    EXPECT_NE(vtt.find(c.extended ? "\r\nslide-2 extended\r\n" : "\r\nslide-2\r\n"), std::string::npos) << vtt;
}

INSTANTIATE_TEST_SUITE_P(Slides, Descriptions, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DescriptionsFile, MadeAgainOnlyWhileNobodyEditedIt)
{
    TempDir dir;
    const std::string recording = dir.file("talk1.mp4");
    writeFile(recording, "");
    Lecture lecture;
    lecture.Slides.push_back(
        {"0:00:00", "0:00:20", "sld001.htm", "img001.gif", "Fourier series", 1, 1, "A periodic function", "", ""});
    lecture.Parts.push_back({});
    writeFile(dir.file("talk1.vtt"), "WEBVTT\n\n00:00:00.000 --> 00:00:05.000\nWelcome\n");

    PartDescriptions d = DescribePart(lecture, 1, recording, false);
    ASSERT_EQ(d.result, PartDescriptions::Result::Written) << d.error;
    EXPECT_EQ(d.file, dir.file("talk1.descriptions.vtt"));
    EXPECT_TRUE(d.captions);
    EXPECT_NE(readFile(d.file).find("00:00:05.000 --> "), std::string::npos) << readFile(d.file);
    EXPECT_TRUE(IsMachineCaptions(d.file));
    EXPECT_EQ(DescribePart(lecture, 1, recording, false).result, PartDescriptions::Result::MachineKept);
    EXPECT_EQ(DescribePart(lecture, 1, recording, true).result, PartDescriptions::Result::Written);

    const std::string edited = readFile(d.file) + "\nslide-9\n00:00:10.000 --> 00:00:11.000\nA drawing\n";
    writeFile(d.file, edited);
    EXPECT_EQ(DescribePart(lecture, 1, recording, true).result, PartDescriptions::Result::LecturersKept);
    EXPECT_EQ(readFile(d.file), edited);
    // The recording, its captions, the descriptions and their mark: no temporary file left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
}

TEST(DescriptionsFile, AFullDiskLeavesTheLectureAsItWas)
{
    TempDir dir;
    const std::string disk = dir.file("disk");
    std::filesystem::create_directories(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=16k"), 0) << std::strerror(errno);
    const std::string recording = disk + "/talk1.mp4";
    writeFile(recording, "");
    // The rest of the disk taken.
    writeFile(disk + "/filler", std::string(16 * 1024 - 1, 'x'));
    Lecture lecture;
    lecture.Slides.push_back(
        {"0:00:00", "0:00:20", "sld001.htm", "img001.gif", "Fourier series", 1, 1, "A periodic function", "", ""});
    lecture.Parts.push_back({});
    const PartDescriptions d = DescribePart(lecture, 1, recording, false);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(disk))
        left.push_back(e.path().filename().string());
    ::umount2(disk.c_str(), MNT_DETACH);
    EXPECT_EQ(d.result, PartDescriptions::Result::Failed);
    EXPECT_NE(d.error.find("No space left on device"), std::string::npos) << d.error;
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string> {"filler", "talk1.mp4"}));
}

}  // namespace
