// The timing editor's model: loading, editing and saving events files, and
// its timeline.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "QtCoreTestApp.h"
#include "TestSupport.h"
#include "core/CutList.h"
#include "core/FileChooser.h"
#include "editing/TimelineModel.h"
#include "editing/TimingEditor.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

// The timeline reads its recording on a worker thread that reports back
// through the event loop.
PELLUCOR_QT_CORE_TEST_APP();

struct FakeChooser : FileChooser {
    std::string answer, askedDir, askedFilter;
    std::string OpenFileName(const std::string& dir, const std::string& filter) override
    {
        askedDir = dir;
        askedFilter = filter;
        return answer;
    }
    std::string SaveFileName(const std::string& dir, const std::string& f) override { return OpenFileName(dir, f); }
};

// What the recorder writes for three slides: CR LF lines, no comments.
const std::string kRecorded = "u 00:00:00 00:01:10 URL\\sld001.htm\r\n"
                              "u 00:01:10 00:02:00 URL\\sld002.htm\r\n"
                              "u 00:02:00 00:03:30 URL\\sld003.htm\r\n";

class TimingEditorTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingMessageSink sink;
    FakeChooser chooser;
    TimingEditor ed {&chooser};

    void load(const std::string& text)
    {
        writeFile(dir.file("talk.txt"), text);
        ASSERT_TRUE(ed.LoadFile(dir.file("talk.txt")));
    }
    // One field of every row.
    template <class T> std::vector<T> col(T TimingEditor::Row::*field) const
    {
        std::vector<T> v;
        for (const auto& row : ed.Rows())
            v.push_back(row.*field);
        return v;
    }
    Strings starts() const { return col(&TimingEditor::Row::start); }
    Strings pages() const { return col(&TimingEditor::Row::page); }
};

TEST_F(TimingEditorTest, RecorderFileSurvivesLoadAndSaveByteForByteThroughTheDialogs)
{
    ASSERT_EQ(pages(), Strings {"sld001.htm"});  // before any load: one row for the first slide
    writeFile(dir.file("talk.txt"), kRecorded);
    ed.lectureDir = [&] { return dir.dir(); };
    chooser.answer = dir.file("talk.txt");
    ed.openFile();
    EXPECT_EQ(chooser.askedDir, dir.dir());
    EXPECT_EQ(chooser.askedFilter, "Text (*.txt)|*.txt|All Files (*.*)|*.*");
    EXPECT_EQ(pages(), (Strings {"sld001.htm", "sld002.htm", "sld003.htm"}));
    EXPECT_EQ(ed.TimeEnd(), "00:03:30");
    EXPECT_EQ(ed.SelectedRow(), 0);
    EXPECT_EQ(ed.Timein(), "00:00:00");
    EXPECT_EQ(ed.TxtImage(), "sld001.htm");
    EXPECT_FALSE(ed.Unsaved());

    // Save writes back the file the times came from, asking nothing.
    chooser.askedFilter.clear();
    std::filesystem::remove(dir.file("talk.txt"));
    ed.save();
    EXPECT_EQ(readFile(dir.file("talk.txt")), kRecorded);
    EXPECT_EQ(chooser.askedFilter, "") << "Save asked where to save";
    chooser.answer.clear();  // Save As cancelled: nothing is written
    ed.saveAs();
    chooser.answer = dir.file("copy.txt");
    ed.saveAs();
    EXPECT_EQ(readFile(dir.file("copy.txt")), kRecorded);
    EXPECT_EQ(chooser.askedFilter, "Text (*.txt)|*.txt|All Files (*.*)|*.*");

    ed.endTimeChanged("");  // the last row loses its end and is left out
    ASSERT_TRUE(ed.SaveFile(dir.file("out.txt")));
    EXPECT_EQ(readLines(dir.file("out.txt")),
              (Strings {"u 00:00:00 00:01:10 URL\\sld001.htm", "u 00:01:10 00:02:00 URL\\sld002.htm"}));
}

TEST_F(TimingEditorTest, LoadKeepsOnlyFourFieldULinesAndLoadAndSaveFailuresAreReportedAndLoseNothing)
{
    load("# review: confidence 30%\r\n"  // the slide sync's mark for the next row
         "u 00:00:00 00:00:05\r\n"       // 3 fields
         "u 00:00:00 00:00:05 URL\\sld001.htm\r\n"
         "x 00:00:05 00:00:09 URL\\sld002.htm\r\n"        // not "u"
         "u 00:00:05 00:00:09 URL\\sld002.htm extra\r\n"  // 5 fields
         "\r\n"
         "   u 00:00:09 00:00:20 URL\\intro.htm\r\n");
    EXPECT_EQ(pages(), (Strings {"sld001.htm", "intro.htm"}));
    EXPECT_EQ(starts(), (Strings {"00:00:00", "00:00:09"}));
    // The media length is the last event's end; every end is the next start.
    EXPECT_EQ(ed.TimeEnd(), "00:00:20");
    EXPECT_EQ(col(&TimingEditor::Row::end), (Strings {"00:00:09", "00:00:20"}));
    EXPECT_EQ(col(&TimingEditor::Row::review), (Strings {"confidence 30%", ""}));
    EXPECT_TRUE(sink.messages.empty());

    EXPECT_FALSE(ed.LoadFile(dir.file("missing.txt")));
    EXPECT_TRUE(sink.saw("Unable to open file - " + dir.file("missing.txt")));
    EXPECT_EQ(ed.Rows().size(), 2u);
    ed.addRow();
    EXPECT_FALSE(ed.SaveFile(dir.file("no/such/dir/out.txt")));
    EXPECT_TRUE(sink.saw("Unable to save file - "));
    EXPECT_TRUE(ed.Unsaved());

    load("# only comments\r\n300 img001.gif\r\n");
    EXPECT_TRUE(sink.saw("No valid lines found in file " + dir.file("talk.txt")));
    EXPECT_TRUE(sink.saw("images.txt"));
    EXPECT_EQ(pages(), Strings {""});
    // Save never writes this grid over a file of the other format: it asks.
    chooser.answer.clear();
    ed.save();
    EXPECT_EQ(readFile(dir.file("talk.txt")), "# only comments\r\n300 img001.gif\r\n");
    EXPECT_EQ(chooser.askedFilter, TimingEditor::kFilter);
}

TEST(TimingEditorNormalise, PadsShortTimes)
{
    const Strings typed {"5", "15", " 1:30 ", "12:30", "1:00:00", "123"};
    const Strings normal {"0:00:05", "0:00:15", "0:01:30", "0:12:30", "1:00:00", "123"};
    for (size_t i = 0; i < typed.size(); ++i)
        EXPECT_EQ(TimingEditor::NormaliseTime(typed[i]), normal[i]) << typed[i];
}

TEST_F(TimingEditorTest, MinusFiveMovesEveryStartButTheFirstAndZero)
{
    load("u 00:00:03 00:01:10 URL\\sld001.htm\r\n"
         "u 00:01:10 00:02:00 URL\\sld002.htm\r\n"
         "u 00:00:00 00:02:00 URL\\sld003.htm\r\n"
         "u 00:02:00 00:03:30 URL\\sld004.htm\r\n");
    ed.selectRow(2);
    ed.deltaChanged("5");
    ed.decrease();
    EXPECT_EQ(starts(), (Strings {"00:00:03", "00:01:05", "00:00:00", "00:01:55"}));
    // Ends re-derived from the new starts; the last ends at the media end.
    EXPECT_EQ(col(&TimingEditor::Row::end), (Strings {"00:01:05", "00:00:00", "00:01:55", "00:03:30"}));
    EXPECT_EQ(ed.SelectedRow(), 2);

    ed.deltaChanged("1:30");
    ed.increase();
    EXPECT_EQ(starts(), (Strings {"00:00:03", "00:02:35", "00:00:00", "00:03:25"}));

    load(kRecorded);  // below zero stops at zero
    ed.deltaChanged("1:15");
    ed.decrease();
    EXPECT_EQ(starts(), (Strings {"00:00:00", "00:00:00", "00:00:45"}));
}

TEST_F(TimingEditorTest, CheckPassColoursBadRowsRedAndTheSelectedStartGreen)
{
    load("u 00:00:00 00:00:10 URL\\sld001.htm\r\n"
         "u 00:00:10 00:00:10 URL\\sld002.htm\r\n"  // start equals the next start
         "u 00:00:10 00:00:20 URL\\\r\n"            // no page
         "u 0:20 00:00:30 URL\\sld004.htm\r\n"      // short text: minutes:seconds
         "u 00:00:30 00:00:40 URL\\sld005.htm\r\n");
    EXPECT_EQ(col(&TimingEditor::Row::bad), (std::vector<bool> {false, true, true, false, false}));
    EXPECT_EQ(ed.GreenRow(), 0);

    ed.selectRow(4);
    EXPECT_EQ(ed.GreenRow(), 4);
    ed.startTimeChanged("");  // an empty start is bad
    EXPECT_TRUE(ed.Rows()[4].bad);
    EXPECT_EQ(ed.Rows()[3].end, "");
    ed.startTimeChanged("00:00:50");  // later than the media end
    EXPECT_TRUE(ed.Rows()[4].bad);
    ed.endTimeChanged("00:01:00");
    EXPECT_FALSE(ed.Rows()[4].bad);
    EXPECT_EQ(ed.Rows()[4].end, "00:01:00");
}

TEST_F(TimingEditorTest, RowsAreAddedDeletedAndWalkedWithTheirSlideNumbers)
{
    load(kRecorded);
    ed.startTimeKeyUp();  // at the top: stays
    EXPECT_EQ(ed.SelectedRow(), 0);
    for (int i = 0; i < 3; ++i)
        ed.startTimeKeyDown();  // stops at the last row
    EXPECT_EQ(ed.SelectedRow(), 2);
    EXPECT_EQ(ed.Timein(), "00:02:00");
    EXPECT_EQ(ed.TxtImage(), "sld003.htm");
    EXPECT_EQ(ed.GreenRow(), 2);

    ed.selectRow(1);
    ed.addRow();  // below sld002
    EXPECT_EQ(pages(), (Strings {"sld001.htm", "sld002.htm", "sld003.htm", "sld003.htm"}));
    EXPECT_EQ(ed.SelectedRow(), 2);
    ed.selectRow(0);
    ed.insertRow();  // above the first row
    EXPECT_EQ(pages(), (Strings {"sld001.htm", "sld001.htm", "sld002.htm", "sld003.htm", "sld003.htm"}));
    ed.selectRow(4);
    ed.startTimeEntered();  // at the last row: the grid grows
    EXPECT_EQ(pages().back(), "sld004.htm");
    EXPECT_EQ(ed.SelectedRow(), 5);
    ed.selectRow(2);
    ed.startTimeEntered();  // inside the grid: only moves down
    EXPECT_EQ(ed.Rows().size(), 6u);
    EXPECT_EQ(ed.SelectedRow(), 3);
    ed.imageChanged("intro.htm");
    ed.addRow();  // no number to continue
    EXPECT_EQ(ed.Rows()[4].page, "");

    load(kRecorded);
    ed.selectRow(2);
    ed.deleteRow();
    EXPECT_EQ(pages(), (Strings {"sld001.htm", "sld002.htm"}));
    EXPECT_EQ(ed.SelectedRow(), 1);
    EXPECT_EQ(ed.Rows()[1].end, "00:03:30");
    ed.deleteRow();
    ed.deleteRow();  // the last row is cleared, not removed
    EXPECT_EQ(pages(), Strings {""});
    EXPECT_EQ(starts(), Strings {""});
}

TEST_F(TimingEditorTest, UnsavedFlagFollowsChangesToTheDataAndResetAndDoneAskBeforeDiscarding)
{
    load(kRecorded);
    ed.selectRow(1);
    ed.startTimeChanged(ed.Timein());  // the field echoing its own row
    ed.deltaChanged("0");
    ed.increase();  // moves nothing
    EXPECT_FALSE(ed.Unsaved());
    ed.startTimeChanged("00:01:20");
    EXPECT_TRUE(ed.Unsaved());
    ASSERT_TRUE(ed.SaveFile(dir.file("out.txt")));
    EXPECT_FALSE(ed.Unsaved());
    ed.deltaChanged("5");
    ed.decrease();
    EXPECT_TRUE(ed.Unsaved());
    for (auto action :
         {&TimingEditor::addRow, &TimingEditor::insertRow, &TimingEditor::deleteRow, &TimingEditor::startTimeEntered}) {
        load(kRecorded);
        (ed.*action)();
        EXPECT_TRUE(ed.Unsaved());
    }

    // Reset and Done ask before discarding.
    int closes = 0;
    QObject::connect(&ed, &TimingEditor::closeRequested, [&] { ++closes; });
    load(kRecorded);
    EXPECT_TRUE(ed.done());  // nothing to lose: no question
    EXPECT_TRUE(sink.questions.empty());
    EXPECT_EQ(closes, 1);

    ed.addRow();
    sink.answers = {TavCancel, TavCancel};
    EXPECT_FALSE(ed.done());
    ed.reset();
    EXPECT_EQ(ed.Rows().size(), 4u);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(sink.questions, Strings(2, "Data has not been saved.  OK to discard changes?"));

    sink.answers = {TavOK};
    ed.reset();
    EXPECT_EQ(starts(), Strings {" "});
    EXPECT_FALSE(ed.Unsaved());
}

// The timeline without a window: which recording goes with an events file,
// the overview read from real recordings (and from the cache the second
// time), and markers moved in the editor's grid. Loading the sample's events
// is checked with the window, in widgets/CaptureViewsTest.
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
        std::vector<const char*> files;  // the events file first
        const char* recording;           // "" none
    } cases[] = {
        {{"talk1.txt", "talk1.mp4", "talk1.rm"}, "talk1.rm"},  // RealMedia first
        {{"Talk2.TXT", "TALK2.webm"}, "TALK2.webm"},           // any letter case
        {{"pellucor.txt", "rawmedia.ra"}, "rawmedia.ra"},
        {{"images.txt", "lecture.m4a"}, "lecture.m4a"},  // the first recording
        {{"notes.txt"}, ""},
    };
    for (const Case& c : cases) {
        TempDir d;
        for (const char* f : c.files)
            writeFile(d.file(f), "x");
        EXPECT_EQ(TimelineModel::RecordingFor(d.file(c.files[0])), *c.recording ? d.file(c.recording) : "")
            << c.files[0];
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

// The sample's first part (6 s, slides at 0, 2 and 4 s) cut step by step as
// a lecturer would; after each step the cuts, the starts the students see,
// whether Undo and Redo are offered and whether the window asks before
// closing. What is saved comes back on the next load.
TEST_F(Timeline, CutsAreSelectedTrimmedUndoneAndSavedBesideTheRecording)
{
    for (const char* f : {"talk1.txt", "talk1.rm"})
        std::filesystem::copy(sampleDir() + f, dir.file(f));
    ASSERT_TRUE(editor.LoadFile(dir.file("talk1.txt")));
    ASSERT_TRUE(model.WaitUntilRead(60000)) << model.Error();
    ASSERT_TRUE(model.CanEditCuts());
    ASSERT_NEAR(model.Duration(), 6, 0.1);
    const double end = std::round(model.Duration() * 1000) / 1000;  // as the cut list keeps it
    using H = TimelineModel::Handle;
    // The gestures, as the timeline's view makes them.
    const auto cut = [this](double from, double to) {
        return [this, from, to] {
            model.Select(from, to);
            return model.Cut();
        };
    };
    const auto drag = [this](H handle, std::vector<double> path) {
        return [this, handle, path] {
            for (double at : path)
                model.DragHandle(handle, at);
            model.EndDrag();
            return true;
        };
    };
    const auto click = [this](double at, bool (TimelineModel::*then)()) {
        return [this, at, then] {
            model.Click(at);
            return (model.*then)();
        };
    };
    const auto undo = [this] { return model.CutHistory().CanUndo() && (model.Undo(), true); };
    const auto redo = [this] { return model.CutHistory().CanRedo() && (model.Redo(), true); };
    const Strings unmoved {"00:00:00", "00:00:01", "00:00:03"};  // slide 1, 2, 3
    struct Step {
        const char* what;
        std::function<bool()> act;  // false: refused
        std::vector<CutStretch> cuts;
        Strings shown;  // each row's start as the students see it
        bool undo, redo;
    } steps[] = {
        {"a stretch selected backwards, then cut", cut(2.5, 1), {{1, 2.5}}, unmoved, true, false},
        {"the end handle dragged: one step", drag(H::End, {5, 3.5, 4}), {{1, 2.5}, {4, end}}, unmoved, true, false},
        {"the start handle dragged",
         drag(H::Start, {0.5}),
         {{0, 0.5}, {1, 2.5}, {4, end}},
         {"00:00:00", "00:00:01", "00:00:02"},
         true,
         false},
        {"undone", undo, {{1, 2.5}, {4, end}}, unmoved, true, true},
        {"the drag undone at once", undo, {{1, 2.5}}, unmoved, true, true},
        {"redone", redo, {{1, 2.5}, {4, end}}, unmoved, true, true},
        {"a cut clicked and removed",
         click(1.2, &TimelineModel::RemoveCut),
         {{4, end}},
         {"00:00:00", "00:00:02", "00:00:04"},
         true,
         false},
        {"a stretch into the last cut: joined",
         cut(1.8, 4.2),
         {{1.8, end}},
         {"00:00:00", "00:00:02", "00:00:02"},
         true,
         false},
    };
    for (const Step& step : steps) {
        EXPECT_TRUE(step.act()) << step.what;
        EXPECT_EQ(model.Cuts().Stretches(), step.cuts) << step.what;
        Strings shown;
        for (const auto& row : editor.Rows())
            shown.push_back(row.shown);
        EXPECT_EQ(shown, step.shown) << step.what;
        EXPECT_EQ(model.CutHistory().CanUndo(), step.undo) << step.what;
        EXPECT_EQ(model.CutHistory().CanRedo(), step.redo) << step.what;
        EXPECT_TRUE(editor.Unsaved()) << step.what;
    }
    // Something must be left of the lecture.
    EXPECT_FALSE(cut(0, 1.9)());
    EXPECT_EQ(model.Cuts().Stretches(), steps[std::size(steps) - 1].cuts);
    // Only the first slide is left; playing skips the cut.
    std::vector<bool> cutAway;
    for (const auto& m : model.Markers())
        cutAway.push_back(m.cutAway);
    EXPECT_EQ(cutAway, (std::vector<bool> {false, true, true}));
    EXPECT_EQ(model.PastCut(3), end);
    EXPECT_EQ(model.PastCut(1), 1);

    sink.answers = {TavCancel};
    EXPECT_FALSE(editor.done());
    EXPECT_EQ(sink.questions, Strings {"Data has not been saved.  OK to discard changes?"});
    ASSERT_TRUE(editor.SaveFile(dir.file("talk1.txt")));
    EXPECT_FALSE(editor.Unsaved());
    EXPECT_EQ(readFile(dir.file("talk1.cuts")),
              "# Stretches of talk1.rm left out of the published lecture: FROM TO\n0:00:01.800 " + CutTimeText(end)
                  + "\n");
    // The events file keeps the recording's own times.
    EXPECT_EQ(readLines(dir.file("talk1.txt")).back(), "u 00:00:04 00:00:06 URL\\sld003.htm");
    ASSERT_TRUE(editor.LoadFile(dir.file("talk1.txt")));
    EXPECT_EQ(model.Cuts().Stretches(), (std::vector<CutStretch> {{1.8, end}}));
    EXPECT_FALSE(model.CutHistory().CanUndo());

    // A cut list with a bad line is reported, shown as no cuts and never
    // written over.
    const std::string bad = "0:00:01 0:00:02\nhalf a minute\n";
    writeFile(dir.file("talk1.cuts"), bad);
    ASSERT_TRUE(editor.LoadFile(dir.file("talk1.txt")));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(holds(sink.messages[0], "talk1.cuts is not right: line 2: expected two times FROM TO"));
    EXPECT_TRUE(model.Cuts().Empty());
    EXPECT_FALSE(model.CanEditCuts());
    editor.selectRow(1);
    editor.startTimeChanged("00:00:03");
    ASSERT_TRUE(editor.SaveFile(dir.file("talk1.txt")));
    EXPECT_EQ(readFile(dir.file("talk1.cuts")), bad);
}

}  // namespace
