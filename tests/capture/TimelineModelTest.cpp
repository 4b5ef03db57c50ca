// The timing editor's timeline without a window: which recording goes with
// an events file, the overview read from real recordings (and from the
// cache the second time), and markers moved in the editor's grid. Loading
// the sample's events is checked with the window, in TimingEditorViewTest.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>

#include "QtCoreTestApp.h"
#include "TestSupport.h"
#include "capture/TimelineModel.h"
#include "capture/TimingEditor.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

PELLUCOR_QT_CORE_TEST_APP();

struct Timeline : ::testing::Test {
    TempDir dir;
    RecordingMessageSink sink;
    TimingEditor editor;
    TimelineModel model {editor, OverviewCache(dir.file("cache"))};

    void write(const std::string& name, const std::string& text = "x") { writeFile(dir.file(name), text); }
};

TEST_F(Timeline, FindsTheRecordingBesideTheEventsFile)
{
    struct Case {
        std::vector<const char*> files;
        const char* events;
        const char* recording;  // "" none
    } cases[] = {
        {{"talk1.txt", "talk1.mp4", "talk1.rm"}, "talk1.txt", "talk1.rm"},  // RealMedia first
        {{"Talk2.TXT", "TALK2.webm"}, "Talk2.TXT", "TALK2.webm"},           // any letter case
        {{"pellucor.txt", "rawmedia.ra"}, "pellucor.txt", "rawmedia.ra"},
        {{"images.txt", "lecture.m4a"}, "images.txt", "lecture.m4a"},  // the first recording
        {{"notes.txt"}, "notes.txt", ""},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir.dir());
        fs::create_directories(dir.dir());
        for (const char* f : c.files)
            write(f);
        const std::string want = *c.recording ? dir.file(c.recording) : "";
        EXPECT_EQ(TimelineModel::RecordingFor(dir.file(c.events)), want) << c.events;
    }
}

TEST_F(Timeline, ReadsEachRecordingOnceAndDrawsWhatItHolds)
{
    struct Case {
        const char* file;
        bool picture;
    } cases[] = {{"talk1.rm", true}, {"talk2.rm", false}, {"talk3.mp4", true}};
    for (const Case& c : cases) {
        const std::string path = sampleDir() + c.file;
        model.SetRecording(path);
        ASSERT_TRUE(model.WaitUntilRead(60000)) << c.file << ": " << model.Error();
        EXPECT_FALSE(model.FromCache());
        const RecordingOverview& o = model.Overview();
        EXPECT_GT(o.duration, 3.5) << c.file;
        EXPECT_GT(*std::max_element(o.peaks.begin(), o.peaks.end()), 20) << c.file << ": the sound is drawn";
        EXPECT_EQ(!o.frames.empty(), c.picture) << c.file;
        for (const auto& f : o.frames)
            EXPECT_EQ(f.height, TimelineModel::kThumbHeight);

        // Another editor's timeline takes it from the cache, at once and the same.
        TimingEditor other;
        TimelineModel again(other, OverviewCache(dir.file("cache")));
        again.SetRecording(path);
        EXPECT_EQ(again.GetState(), TimelineModel::State::Ready) << c.file;
        EXPECT_TRUE(again.FromCache());
        EXPECT_EQ(again.Overview().peaks, o.peaks);
        EXPECT_EQ(again.Overview().frames.size(), o.frames.size());
    }
    // Not a recording: a failure naming the file.
    write("broken.mp4", "not a recording");
    model.SetRecording(dir.file("broken.mp4"));
    EXPECT_FALSE(model.WaitUntilRead(30000));
    EXPECT_EQ(model.GetState(), TimelineModel::State::Failed);
    EXPECT_TRUE(holds(model.Error(), "broken.mp4"));
}

TEST_F(Timeline, AMovedMarkerStaysBetweenItsNeighboursAndTheEndsFollow)
{
    write("talk1.txt",
          "u 00:00:00 00:00:10 URL\\sld001.htm\r\nu 00:00:10 00:00:20 URL\\sld002.htm\r\n"
          "u 00:00:20 00:00:30 URL\\sld003.htm\r\n");
    ASSERT_TRUE(editor.LoadFile(dir.file("talk1.txt")));
    struct Case {
        int row;
        double to;
        const char* start;  // the row's start afterwards
        bool moved;
    } cases[] = {
        {1, 14.4, "00:00:14", true},                              // whole seconds
        {1, 14.2, "00:00:14", false}, {1, 25, "00:00:19", true},  // before the next change
        {1, -3, "00:00:01", true},                                // after the one before
        {2, 29, "00:00:29", true},    {0, 5, "00:00:00", false},  // the next change is at 1 s
    };
    for (const Case& c : cases) {
        EXPECT_EQ(model.MoveMarker(c.row, c.to), c.moved) << c.row << " to " << c.to;
        EXPECT_EQ(editor.Rows()[static_cast<size_t>(c.row)].start, c.start) << c.row << " to " << c.to;
        for (size_t r = 0; r + 1 < editor.Rows().size(); ++r)
            EXPECT_EQ(editor.Rows()[r].end, editor.Rows()[r + 1].start);
    }
    EXPECT_EQ(editor.Rows()[0].start, "00:00:00");
    EXPECT_EQ(editor.Rows().back().end, "00:00:30");
    EXPECT_TRUE(editor.Unsaved());
}

}  // namespace

}  // namespace pellucor
