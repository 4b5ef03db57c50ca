// "pellucor publish" on a lecture with a cut list beside its recording:
// the copy as long as what is kept, the slides, captions, descriptions and
// chapters moved by the cuts before them, a slide cut away gone from the
// contents, a bad list refused with the previous publication left as it
// was, and the whole lecture back once the list is gone.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "MediaTools.h"
#include "PublishRun.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

const char* const kCaptions = "WEBVTT\r\n\r\n00:00:00.500 --> 00:00:01.000\r\ngone\r\n\r\n"
                              "00:00:02.000 --> 00:00:03.000\r\nkept\r\n\r\n"
                              "00:00:03.000 --> 00:00:09.000\r\nacross the cut\r\n\r\n"
                              "00:00:09.500 --> 00:00:10.000\r\nlast\r\n";

class PublishCuts : public PublishRun {
protected:
    void SetUp() override
    {
        lecture = root.dir() + "lec/";
        PublishRun::SetUp();
        for (const char* name : {"img001.gif", "img002.gif", "img003.gif", "titles.txt"})
            fs::copy_file(sampleDir() + name, lecture + name);
        std::string err;
        ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=12", "-f", "lavfi", "-i",
                            "sine=frequency=440:duration=12", "-c:v", "libx264", "-g", "25", "-pix_fmt", "yuv420p",
                            "-c:a", "aac", "-shortest", lecture + "lec1.mp4"},
                           err))
            << err;
        writeFile(lecture + "lec1.txt", "u 00:00:00 00:00:04 URL\\sld001.htm\r\nu 00:00:04 00:00:08 URL\\sld002.htm\r\n"
                                        "u 00:00:08 00:00:12 URL\\sld003.htm\r\n");
        writeFile(lecture + "lec1.vtt", kCaptions);
        writeFile(lecture + "lec1.descriptions.vtt", "WEBVTT\n\n00:00:08.500 --> 00:00:09.000\nThe results.\n");
    }
};

struct Row {
    const char* name;
    const char* cuts;      // "" for no cut list
    double length;         // of the copy
    const char* events;    // the part's events as published
    const char* captions;  // the cues' times and words
    const char* descriptions;
    bool slideTwoShown;
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

// The cues of a published WebVTT file, "start end text|" each.
std::string cues(const std::string& path)
{
    const auto lines = readLines(path);
    std::string text;
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i].find(" --> ") != std::string::npos)
            text += lines[i].substr(3, 9) + " " + lines[i].substr(20, 9) + " " + lines[i + 1] + "|";
    return text;
}

class PublishCutsTable : public PublishCuts, public ::testing::WithParamInterface<Row> {};

TEST_P(PublishCutsTable, MovesEveryTimeByTheCutsBeforeIt)
{
    const Row& row = GetParam();
    if (*row.cuts)
        writeFile(lecture + "lec1.cuts", row.cuts);
    const Outcome r = publish();
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_NEAR(ffprobe(out + "lec1.mp4").duration, row.length, 0.1);
    EXPECT_EQ(readFile(out + "lec1.rat"), row.events);
    EXPECT_EQ(cues(out + "captions1.vtt"), row.captions);
    EXPECT_EQ(cues(out + "descriptions1.vtt"), row.descriptions);
    // A slide cut away is in neither the contents nor the chapters.
    EXPECT_EQ(holds(readFile(out + "part1.htm"), "sld002.htm"), row.slideTwoShown);
    EXPECT_EQ(holds(readFile(out + "chapters1.vtt"), "Why"), row.slideTwoShown);
    // The recording and its own files are never changed.
    EXPECT_EQ(readFile(lecture + "lec1.vtt"), kCaptions);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, PublishCutsTable,
    ::testing::Values(
        Row {"NoCutList", "", 12,
             "u 00:00:00 00:00:04 &&slide&&sld001.htm\r\nu 00:00:04 00:00:08 &&slide&&sld002.htm\r\n"
             "u 00:00:08 00:00:12 &&slide&&sld003.htm\r\n",
             "00:00.500 00:01.000 gone|00:02.000 00:03.000 kept|00:03.000 00:09.000 across the cut|"
             "00:09.500 00:10.000 last|",
             "00:08.500 00:09.000 The results.|", true},
        // Kept: 1.5 to 3.5 and 8.2 to 11; slide 2 lies wholly in a cut.
        Row {"TrimmedAndCutInTheMiddle", "# set-up, the break, the end\n0 1.5\n3.5 0:08.2\n0:00:11 12\n", 4.8,
             "u 00:00:00 00:00:02 &&slide&&sld001.htm\r\nu 00:00:02 00:00:05 &&slide&&sld003.htm\r\n",
             "00:00.500 00:01.500 kept|00:01.500 00:02.800 across the cut|00:03.300 00:03.800 last|",
             "00:02.300 00:02.800 The results.|", false},
        Row {"OneStretchRemoved", "5 6\n", 11,
             "u 00:00:00 00:00:04 &&slide&&sld001.htm\r\nu 00:00:04 00:00:07 &&slide&&sld002.htm\r\n"
             "u 00:00:07 00:00:11 &&slide&&sld003.htm\r\n",
             "00:00.500 00:01.000 gone|00:02.000 00:03.000 kept|00:03.000 00:08.000 across the cut|"
             "00:08.500 00:09.000 last|",
             "00:07.500 00:08.000 The results.|", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadRow {
    const char* name;
    const char* cuts;
    const char* told;
};

class PublishBadCuts : public PublishCuts, public ::testing::WithParamInterface<BadRow> {};

// The publication before stays as it was, whole.
TEST_P(PublishBadCuts, AreRefusedWithTheLineAtFaultAndNothingChanged)
{
    ASSERT_EQ(publish().code, 0);
    const auto before = treeContents(out);
    writeFile(lecture + "lec1.cuts", GetParam().cuts);
    const Outcome r = publish();
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, GetParam().told)) << describe(r);
    EXPECT_EQ(treeContents(out), before);
    EXPECT_TRUE(leftBeside(out).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PublishBadCuts,
    ::testing::Values(BadRow {"Reversed", "0 1\n5 3\n", "lec1.cuts is not right: line 2: the cut 0:00:05.000 0:00:03.000 ends before it starts"},
                      BadRow {"Overlapping", "1 5\n4 6\n", "line 2: the cut 0:00:04.000 0:00:06.000 overlaps the cut 0:00:01.000 0:00:05.000"},
                      BadRow {"PastTheEnd", "10 20\n", "line 1: the cut 0:00:10.000 0:00:20.000 ends after the recording, which is 0:00:12.000 long"},
                      BadRow {"NotTimes", "from 3 to 4\n", "line 1: expected two times FROM TO"}),
    [](const auto& info) { return std::string(info.param.name); });

// Stopped while the copy is being cut, or out of room for it: told, and
// the publication before is left as it was.
TEST_F(PublishCuts, CtrlCOrAFullDiskWhileCuttingLeaveThePreviousPublication)
{
    ASSERT_EQ(publish().code, 0);
    const auto before = treeContents(out);
    writeFile(lecture + "lec1.cuts", "0 1.5\n3.5 8.2\n");
    const Outcome stopped = interrupted(
        {"publish", QString::fromStdString(lecture), "--disk", QString::fromStdString(out)}, "Leaving out", 60000);
    EXPECT_EQ(stopped.code, 130) << describe(stopped);
    EXPECT_EQ(treeContents(out), before);
    EXPECT_TRUE(leftBeside(out).empty());

    // A file system of its own with room for everything but most of the
    // cut copy.
    std::uintmax_t pages = 0, copy = 0;
    for (const auto& entry : fs::directory_iterator(out))
        (entry.path().extension() == ".mp4" ? copy : pages) += entry.file_size();
    const std::string small = root.dir() + "small/";
    fs::create_directories(small);
    const std::string size = "size=" + std::to_string((pages + copy / 3) / 1024 + 16) + "k";
    ASSERT_EQ(::mount("tmpfs", small.c_str(), "tmpfs", 0, size.c_str()), 0) << std::strerror(errno);
    out = small + "lecture/";
    writeFile(out + "index.htm", "the lecturer's own page\n");
    writeFile(lecture + "lec1.cuts", "0 1.5\n");
    const Outcome full = publish({"--quiet", "--replace"});
    const auto tree = treeContents(out);
    ::umount2(small.c_str(), MNT_DETACH);
    EXPECT_NE(full.code, 0);
    expectHolds(full, full.err, {"No space left on device"});
    EXPECT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree.at("index.htm"), "the lecturer's own page\n");
}

}  // namespace
