// "pellucor sync-slides" on short generated lectures of every kind of
// recording: the slide changes shown, each within a second, or a clear
// failure that writes nothing; an older events file kept (as .bak). Two
// slides in a row that differ in one word ("KIND+word") are told apart,
// or, where the recording is too small to show the word, taken as one
// that is marked for review. A camera's recording of slides all alike but
// for their numbers ("KIND+topics") is told apart as well.
#include <gtest/gtest.h>

#include <filesystem>

#include "PublishRun.h"
#include "SyncedLecture.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

struct Case {
    const char *name, *kind, *recording;  // the recording in the lecture directory "talk"
    int seconds;
    const char *size, *option;   // option: one more command-line option, or ""
    bool eventsThere, noSlides;  // talk1.txt holds older times before the run; the slide images taken away
    int code;
    const char* says;  // on standard error when it fails; else in the events file
    int unseen = 0;    // a slide the recording cannot show apart from the one before
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"ScreenH264", "screen", "talk1.mp4", 30, "480x270", "", false, false, 0, ""},
    {"MeetingVp8", "meeting", "talk1.webm", 30, "640x360", "", false, false, 0, ""},
    {"CameraMatroska", "camera", "talk1.mkv", 30, "640x360", "", false, false, 0, ""},
    {"DeckRealMedia", "deck", "talk1.rm", 40, "480x272", "", false, false, 0, ""},
    {"ReplaceKeepsTheOldFile", "screen", "talk1.mov", 20, "480x270", "--replace", true, false, 0, ""},
    {"OldFileKeptWithoutReplace", "screen", "talk1.mp4", 20, "480x270", "", true, false, 1, "give --replace"},
    {"SoundOnly", "screen", "talk1.m4a", 10, "480x270", "", false, false, 1,
     "sync needs a recording that shows the slides"},
    {"NoSlideImages", "screen", "talk1.mp4", 10, "480x270", "", false, true, 1, "No slide images"},
    {"NoSuchPart", "screen", "talk1.mp4", 10, "480x270", "--part=2", false, false, 1, "The lecture has no part 2"},
    {"ScreenOneWordDiffers", "screen+word", "talk1.mp4", 40, "480x270", "", false, false, 0, ""},
    {"CameraOneWordDiffers", "camera+word", "talk1.mp4", 40, "640x360", "", false, false, 0, ""},
    {"CameraAlikeTopics", "camera+topics", "talk1.mp4", 20, "960x540", "", false, false, 0, ""},
    {"OneWordTooSmallToSee", "screen+word", "talk1.mp4", 40, "160x90", "", false, false, 0,
     "# review: sld006.htm from 00:00:25", 7},
};

class SyncSlidesCommand : public PublishRun, public ::testing::WithParamInterface<Case> { };

TEST_P(SyncSlidesCommand, WritesTheSlideTimesShown)
{
    const Case& c = GetParam();
    SlideSchedule schedule;
    std::string err;
    ASSERT_TRUE(makeSyncedLecture(c.kind, lecture, c.recording, c.seconds, c.size, schedule, err)) << err;
    const std::string events = lecture + "talk1.txt", older = "u 00:00:00 00:00:10 URL\\sld001.htm\r\n";
    if (c.eventsThere)
        writeFile(events, older);
    if (c.noSlides)
        for (const auto& e : fs::directory_iterator(lecture))
            if (e.path().extension() == ".gif")
                fs::remove(e.path());

    const Outcome r = run(QStringList {"sync-slides", QString::fromStdString(lecture)}
                          + (*c.option ? QStringList {c.option} : QStringList {}));
    ASSERT_EQ(r.code, c.code) << describe(r);
    if (c.code != 0) {
        expectHolds(r, r.err, {c.says});
        // Nothing written, nothing moved.
        EXPECT_EQ(fs::exists(events) ? readFile(events) : "", c.eventsThere ? older : "");
        EXPECT_FALSE(fs::exists(events + ".bak"));
        return;
    }
    std::erase_if(schedule, [&](const auto& shown) { return shown.second == c.unseen; });
    EXPECT_EQ(scheduleMismatch(schedule, events), "") << readFile(events);
    EXPECT_TRUE(holds(readFile(events), c.says)) << readFile(events);
    EXPECT_EQ(fs::exists(events + ".bak") ? readFile(events + ".bak") : "", c.eventsThere ? older : "");
    // The summary names each change with its time.
    EXPECT_TRUE(holds(r.out, "00:00:00  sld001.htm"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SyncSlidesCommand, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
