// Long jobs run from the real windows: each cancelled, then run to its end
// while the window keeps answering. A publish of a lecture with a 60-second
// part from "Publish To Disk", and "Sync Slides from Recording" and "Export
// as One Video…" from both windows' Execute menus on a generated lecture;
// "New Lecture from Recording…" from the main window's File menu, its
// slides then shown in the timing editor;
// "Make Captions" on a spoken part, then the caption editor it opens,
// driven by its buttons, saving the corrected captions; "Adjust Times", a
// stretch cut on the timing editor's timeline and saved beside the
// recording.
#include <QAction>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QThread>

#include <cstdlib>
#include <filesystem>

#include "LectureWindows.h"
#include "MediaTools.h"
#include "SyncedLecture.h"
#include "UiDriver.h"
#include "app/AppContext.h"
#include "app/CaptionsRun.h"
#include "app/widgets/PublishFormView.h"
#include "core/CaptionFiles.h"
#include "core/CaptionReview.h"
#include "core/CutList.h"
#include "core/TavUtils.h"
#include "editing/CaptionEditor.h"
#include "editing/TimingEditor.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

PELLUCOR_QT_X_TEST_APP();

using WindowJobs = LectureWindows;

// Cancelled during its media preparation (long enough at this picture size
// to be caught there), then published to its end.
TEST_F(WindowJobs, PublishToDiskCancelledLeavesNoPartialMediaThenFillsTheBarWithTheWindowAnswering)
{
    const std::string cmd
        = "sh '" + sourceDir() + "samples/make-long-lecture.sh' '" + lecture + "' 60 640x480 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    open();
    const std::string out = root.dir() + "disk/";
    std::string chooserTitle;
    windows->context().hooks.chooseDirectory = [&](const std::string& title, std::string& dir, bool) {
        chooserTitle = title;
        return !(dir = out).empty();
    };
    QPushButton* cmdPub = findWidget<QPushButton>(view(), "cmdPub");
    ASSERT_TRUE(cmdPub && cmdPub->isEnabled()) << statusText();

    ASSERT_TRUE(cancelPast([&] { cmdPub->click(); }, 20,
                           [&] {
                               // Closing the window first asks; declined, the publish goes on.
                               sink.answers = {TavCancel};
                               EXPECT_FALSE(view().close());
                               EXPECT_TRUE(model().busy);
                           }));
    ASSERT_FALSE(sink.questions.empty());
    EXPECT_EQ(sink.questions.back(), "A publish is running: cancel it and quit?");
    EXPECT_EQ(statusText(), "Publish cancelled during media preparation of talk1: its unfinished media was removed");
    EXPECT_FALSE(model().Enabled["cmdTestDisk"]);
    EXPECT_FALSE(cmdCancel->isVisible());
    EXPECT_TRUE(cmdPub->isEnabled());
    EXPECT_FALSE(fs::exists(out));  // nothing published, nothing left beside it
    EXPECT_TRUE(leftBeside(out).empty());

    bool lockedWhileRunning = false;
    const Shown shown = runJob([&] { cmdPub->click(); },
                               [&] {
                                   lockedWhileRunning = lockedWhileRunning
                                       || (model().busy && progress->isVisible() && !cmdPub->isEnabled());
                               });
    EXPECT_LE(shown.worstLate, kAnswersWithinMs) << "the window stopped answering for " << shown.worstLate << " ms";
    EXPECT_EQ(shown.highest, 100);
    EXPECT_TRUE(lockedWhileRunning);
    EXPECT_TRUE(shown.cancelOffered);
    EXPECT_EQ(chooserTitle, "Select Disk Publish Directory");
    EXPECT_EQ(statusText(), "Process:All Done");
    EXPECT_TRUE(model().Enabled["cmdTestDisk"] && model().Enabled["mnuTestDisk"]);
    EXPECT_TRUE(cmdPub->isEnabled());
    EXPECT_TRUE(fs::exists(out + "index.htm"));
    EXPECT_TRUE(fs::exists(out + "talk1.mp4"));
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
}

TEST_F(WindowJobs, SlideSyncRunsOffTheWindowsThreadAndOpensTheTimingEditor)
{
    SlideSchedule schedule;
    std::string err;
    ASSERT_TRUE(makeSyncedLecture("camera", lecture, "talk1.mp4", 40, "640x360", schedule, err)) << err;
    const std::string events = lecture + "talk1.txt", older = "u 00:00:00 00:00:40 URL\\sld001.htm\r\n";
    writeFile(events, older);
    open();
    QAction* fromMain = menuAction(view(), "Sync Slides from Recording");
    QAction* fromDetail = menuAction(windows->publishFormView(), "Sync Slides from Recording");
    ASSERT_TRUE(fromMain && fromDetail);

    ASSERT_TRUE(
        cancelPast([&] { fromMain->trigger(); }, 34,
                   [&] { EXPECT_FALSE(view().menuBar()->isEnabled()) << "the window is locked while the sync runs"; }));
    EXPECT_EQ(statusText(), "Slide sync cancelled");
    EXPECT_EQ(readFile(events), older);
    EXPECT_FALSE(fs::exists(events + ".bak"));
    EXPECT_EQ(UiDriver::window(TimingEditor::kCaption), nullptr);

    const Shown shown = runJob([&] { fromDetail->trigger(); });
    EXPECT_LE(shown.worstLate, kAnswersWithinMs) << "the window stopped answering for " << shown.worstLate << " ms";
    EXPECT_TRUE(shown.cancelOffered);
    EXPECT_EQ(shown.highest, 100);
    EXPECT_EQ(statusText().rfind("Slide times found: ", 0), 0u) << statusText();
    EXPECT_EQ(readFile(events + ".bak"), older);
    EXPECT_EQ(scheduleMismatch(schedule, events), "") << readFile(events);

    // The timing editor shows the slide times written.
    QWidget* editor = UiDriver::window(TimingEditor::kCaption);
    ASSERT_NE(editor, nullptr);
    auto* grid = editor->findChild<QTableWidget*>();
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rowCount(), static_cast<int>(schedule.size()));
    EXPECT_EQ(grid->item(1, 0)->text().toStdString(), "sld" + Fmt000(schedule[1].second) + ".htm");
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
    ASSERT_EQ(sink.questions.size(), 2u);  // replacing the old file, once per run
}

TEST_F(WindowJobs, NewLectureFromRecordingRunsOffTheWindowsThreadAndOpensItsSlidesInTheTimingEditor)
{
    SlideSchedule schedule;
    std::string err;
    const std::string gen = root.dir() + "gen/", made = root.dir() + "made";
    ASSERT_TRUE(makeSyncedLecture("screen", gen, "talk.mp4", 30, "480x270", schedule, err)) << err;
    fs::create_directories(lecture);
    open();
    windows->context().hooks.chooseRecordings = [&](const std::string&, std::vector<std::string>& paths) {
        paths = {gen + "talk.mp4"};
        return true;
    };
    windows->context().hooks.chooseDirectory = [&](const std::string&, std::string& dir, bool) {
        dir = made;
        return true;
    };
    QAction* item = menuAction(view(), "New Lecture from Recording…");
    ASSERT_TRUE(item);

    ASSERT_TRUE(cancelPast([&] { item->trigger(); }, 20,
                           [&] { EXPECT_FALSE(view().menuBar()->isEnabled()) << "the window is locked meanwhile"; }));
    EXPECT_EQ(statusText(), "New lecture from recording cancelled: nothing written");
    EXPECT_FALSE(fs::exists(made));
    EXPECT_TRUE(leftBeside(made).empty());
    EXPECT_EQ(UiDriver::window(TimingEditor::kCaption), nullptr);

    const Shown shown = runJob([&] { item->trigger(); });
    EXPECT_LE(shown.worstLate, kAnswersWithinMs) << "the window stopped answering for " << shown.worstLate << " ms";
    EXPECT_TRUE(shown.cancelOffered);
    EXPECT_EQ(shown.highest, 100);
    // The slides 3 to 5 of the generated deck are one slide built up.
    std::vector<int> shownSlides;
    for (const auto& [t, slide] : schedule)
        if (const int one = slide >= 3 && slide <= 5 ? 3 : slide; shownSlides.empty() || shownSlides.back() != one)
            shownSlides.push_back(one);
    EXPECT_EQ(statusText(),
              "Lecture made from the recording: 4 slides, " + std::to_string(shownSlides.size()) + " slide changes in "
                  + made + "/");
    EXPECT_EQ(model().lblDirectory, made + "/");  // the lecture open now
    EXPECT_TRUE(fs::exists(made + "/made1.mp4"));

    // The timing editor shows the slide changes found.
    QWidget* editor = UiDriver::window(TimingEditor::kCaption);
    ASSERT_NE(editor, nullptr);
    auto* grid = editor->findChild<QTableWidget*>();
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rowCount(), static_cast<int>(shownSlides.size()));
    EXPECT_EQ(grid->item(1, 0)->text().toStdString(), "sld002.htm");
    EXPECT_EQ(grid->item(3, 0)->text().toStdString(), "sld002.htm");  // a slide returned to
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
}

TEST_F(WindowJobs, ExportAsOneVideoRunsOffTheWindowsThreadWithCancel)
{
    const std::string cmd
        = "sh '" + sourceDir() + "samples/make-long-lecture.sh' '" + lecture + "' 20 640x480 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    open();
    const std::string video = root.dir() + "lecture.mp4";
    std::string asked;
    windows->context().hooks.chooseVideoFile = [&](const std::string& title, std::string& path) {
        asked = title;
        return !(path = video).empty();
    };
    QAction* fromMain = menuAction(view(), "Export as One Video…");
    QAction* fromDetail = menuAction(windows->publishFormView(), "Export as One Video…");
    ASSERT_TRUE(fromMain && fromDetail);

    ASSERT_TRUE(cancelPast(
        [&] { fromMain->trigger(); }, 30,
        [&] { EXPECT_FALSE(view().menuBar()->isEnabled()) << "the window is locked while the video is written"; }));
    EXPECT_EQ(statusText(), "Export cancelled");
    for (const auto& e : fs::directory_iterator(root.dir()))
        EXPECT_EQ(e.path().filename().string().find(".lecture.mp4"), std::string::npos) << e.path() << " left";
    EXPECT_FALSE(fs::exists(video));

    const Shown shown = runJob([&] { fromDetail->trigger(); });
    EXPECT_LE(shown.worstLate, kAnswersWithinMs) << "the window stopped answering for " << shown.worstLate << " ms";
    EXPECT_TRUE(shown.cancelOffered);
    EXPECT_EQ(shown.highest, 100);
    EXPECT_EQ(statusText().rfind("Lecture video written: " + video, 0), 0u) << statusText();
    EXPECT_EQ(asked, "Export as One Video");
    EXPECT_NEAR(ffprobe(video).duration, 20, 0.3);
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
}

TEST_F(WindowJobs, MakeCaptionsRunsOffTheWindowsThreadAndTheEditorSavesThemForKeeps)
{
    // About 25 s of speech: long enough to be cancelled while it is heard.
    std::string spoken;
    for (int i = 0; i < 4; ++i)
        spoken += "Welcome to the lecture. Today we talk about the weather and the sea, and the ships on it. ";
    std::string out, err;
    fs::create_directories(lecture);
    ASSERT_TRUE(runTool({"espeak-ng", "-v", "en-us", "-s", "150", "-w", lecture + "talk1.wav", spoken}, out, &err))
        << err;
    writeFile(lecture + "talk1.txt", "u 00:00:00 00:00:25 URL\\sld001.htm\r\n");
    const std::string vtt = lecture + "talk1.vtt";
    open();
    QAction* fromMain = menuAction(view(), "Make Captions");
    QAction* fromDetail = menuAction(windows->publishFormView(), "Make Captions");
    ASSERT_TRUE(fromMain && fromDetail);

    // No Whisper model is installed: each run first offers to install one;
    // No makes the captions with PocketSphinx.
    const std::string offer = "No Whisper speech model is installed";
    sink.answers = {TavNo};
    // Past the reading of the sound: the percent then waits for the first
    // stretch heard, so the cancel comes while the speech is recognised.
    ASSERT_TRUE(cancelPast([&] { fromDetail->trigger(); }, 5,
                           [&] {
                               EXPECT_FALSE(view().menuBar()->isEnabled()) << "the window is locked meanwhile";
                               // Closing the window first asks; declined, the work goes on.
                               sink.answers = {TavCancel};
                               EXPECT_FALSE(view().close());
                               EXPECT_TRUE(windows->context().captions().Busy());
                           }));
    ASSERT_FALSE(sink.questions.empty());
    EXPECT_EQ(sink.questions.back(),
              "A job is running (Make Captions): cancel it and quit? What it has done so far is not kept.");
    EXPECT_EQ(statusText(), "Making captions cancelled");
    EXPECT_FALSE(fs::exists(vtt));
    EXPECT_EQ(UiDriver::window(CaptionEditor::kCaption), nullptr);

    EXPECT_TRUE(holds(sink.questions.front(), offer)) << sink.questions.front();

    sink.answers = {TavNo};
    const Shown shown = runJob([&] { fromMain->trigger(); });
    EXPECT_LE(shown.worstLate, kAnswersWithinMs) << "the window stopped answering for " << shown.worstLate << " ms";
    EXPECT_TRUE(shown.cancelOffered);
    EXPECT_EQ(shown.highest, 100);
    EXPECT_EQ(statusText().rfind("Captions: talk1.vtt (", 0), 0u) << statusText();
    ASSERT_TRUE(IsMachineCaptions(vtt));

    // The caption editor opens on them; a cue corrected, split, merged
    // back and saved.
    QWidget* editor = UiDriver::window(CaptionEditor::kCaption);
    ASSERT_NE(editor, nullptr);
    auto* cues = editor->findChild<QTableWidget*>("lstCues");
    ASSERT_NE(cues, nullptr);
    const int rows = cues->rowCount();
    ASSERT_GE(rows, 3);
    cues->selectRow(0);
    cues->item(0, 2)->setText("Welcome to the lecture, everyone");
    UiDriver::button(editor, "Split")->click();
    ASSERT_EQ(cues->rowCount(), rows + 1);
    EXPECT_EQ(cues->item(0, 2)->text().toStdString(), "Welcome to");
    EXPECT_EQ(cues->item(1, 2)->text().toStdString(), "the lecture, everyone");
    EXPECT_EQ(cues->item(0, 1)->text(), cues->item(1, 0)->text());
    cues->selectRow(0);
    UiDriver::button(editor, "Merge")->click();
    ASSERT_EQ(cues->rowCount(), rows);
    cues->item(1, 1)->setText(cues->item(1, 0)->text());  // ends as it starts: red, not saved
    UiDriver::button(editor, "Save")->click();
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages.back().rfind("Cue 2 (", 0), 0u) << sink.messages.back();
    EXPECT_TRUE(IsMachineCaptions(vtt));
    cues->item(1, 1)->setText(cues->item(2, 0)->text());
    UiDriver::button(editor, "Save")->click();
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_FALSE(IsMachineCaptions(vtt));
    EXPECT_FALSE(fs::exists(MachineCaptionsMark(vtt)));
    const std::string saved = readFile(vtt);
    // Still automatic captions, their review begun (PocketSphinx's words
    // with their confidences).
    EXPECT_EQ(saved.rfind("WEBVTT\r\n\r\nNOTE Automatic captions: made by speech recognition (", 0), 0u) << saved;
    EXPECT_TRUE(KindOfCaptions(vtt, saved).automatic) << saved;
    EXPECT_NE(saved.find("\r\nNOTE Confidence: "), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nWelcome to the lecture, everyone\r\n"), std::string::npos) << saved;

    // The other tab edits the recording's audio descriptions: an extended
    // one mended stays extended, and becomes the lecturer's.
    const std::string described = lecture + "talk1.descriptions.vtt";
    ASSERT_TRUE(WriteMachineCaptions(described,
                                     "WEBVTT\n\nNOTE Automatic descriptions\n\nslide-1 extended\n"
                                     "00:00:00.000 --> 00:00:01.000\nSlide 1: Welcome.\n",
                                     err))
        << err;
    auto* tabs = editor->findChild<QTabBar*>("tabFiles");
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(1);
    ASSERT_EQ(cues->rowCount(), 1);
    cues->item(0, 2)->setText("Slide 1: Welcome to the talk.");
    UiDriver::button(editor, "Save")->click();
    EXPECT_FALSE(IsMachineCaptions(described));
    EXPECT_TRUE(holds(readFile(described),
                      "\r\nslide-1 extended\r\n00:00:00.000 --> 00:00:01.000\r\nSlide 1: Welcome to the talk.\r\n"))
        << readFile(described);
    tabs->setCurrentIndex(0);
    EXPECT_EQ(cues->rowCount(), rows);
    UiDriver::button(editor, "Close")->click();
    EXPECT_FALSE(editor->isVisible());

    // Made again, they are kept: a person has worked on them.
    // (processEvents returns once nothing is pending, so the wait is timed.)
    sink.answers = {TavNo};
    fromMain->trigger();
    QElapsedTimer waited;
    waited.start();
    while (windows->context().captions().Busy() && waited.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    EXPECT_EQ(statusText(), "Captions: talk1.vtt kept (a person is reviewing them)");
    EXPECT_EQ(readFile(vtt), saved);
}

// A 40-second lecture, its slides at 0, 10, 20 and 30 s: a stretch from
// 9.3 s to 20.6 s dragged across the timeline's sound, then Cut, Undo, Redo
// and Save. The grid shows the second slide cut away and the later ones
// 11.3 s earlier; the events file keeps the recording's times.
TEST_F(WindowJobs, AStretchCutOnTheTimingEditorsTimelineIsSavedBesideTheRecordingAndPublished)
{
    const std::string cmd
        = "sh '" + sourceDir() + "samples/make-long-lecture.sh' '" + lecture + "' 40 320x240 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string events = readFile(lecture + "talk1.txt");
    open();
    QAction* adjust = menuAction(view(), "Adjust Times");
    ASSERT_TRUE(adjust);
    adjust->trigger();
    QWidget* editor = UiDriver::window(TimingEditor::kCaption);
    ASSERT_NE(editor, nullptr);
    auto* timeline = editor->findChild<QLabel*>("timelineStatus");
    auto* canvas = editor->findChild<QWidget*>("timelineCanvas");
    auto* grid = editor->findChild<QTableWidget*>();
    ASSERT_TRUE(timeline && canvas && grid);
    ASSERT_TRUE(QTest::qWaitFor([&] { return timeline->text().startsWith("talk1.rm"); }, 60000))
        << timeline->text().toStdString();
    QAbstractButton* cut = UiDriver::button(editor, "Cut");
    QAbstractButton* undo = UiDriver::button(editor, "Undo");
    QAbstractButton* redo = UiDriver::button(editor, "Redo");
    ASSERT_TRUE(cut && undo && redo);
    EXPECT_FALSE(cut->isEnabled() || undo->isEnabled() || redo->isEnabled());
    EXPECT_TRUE(grid->isColumnHidden(3));

    const double pps = canvas->width() / 40.0;  // the whole recording fits the window
    const int y = canvas->height() - 16 - 28;   // through the sound
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(static_cast<int>(9.3 * pps), y));
    for (double s = 10; s < 20.6; s += 1)
        QTest::mouseMove(canvas, QPoint(static_cast<int>(s * pps), y));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(static_cast<int>(20.6 * pps), y));
    ASSERT_TRUE(cut->isEnabled());
    // What the grid shows after each button: the column of the times the
    // students see, slide 2 to 4.
    struct Step {
        QAbstractButton* button;
        Strings shown;  // "" when the column is hidden
        bool undo, redo;
    } steps[] = {
        {cut, {"cut away", "00:00:09", "00:00:19"}, true, false},
        {undo, {"", "", ""}, false, true},
        {redo, {"cut away", "00:00:09", "00:00:19"}, true, false},
    };
    for (const Step& step : steps) {
        step.button->click();
        Strings shown;
        for (int r = 1; r < 4; ++r)
            shown.push_back(grid->isColumnHidden(3) ? "" : grid->item(r, 3)->text().toStdString());
        EXPECT_EQ(shown, step.shown) << step.button->text().toStdString();
        EXPECT_EQ(undo->isEnabled(), step.undo) << step.button->text().toStdString();
        EXPECT_EQ(redo->isEnabled(), step.redo) << step.button->text().toStdString();
    }

    UiDriver::button(editor, "Save")->click();
    CutList cuts;
    std::string err;
    ASSERT_TRUE(ReadCutList(lecture + "talk1.rm", 0, cuts, err)) << err;
    ASSERT_EQ(cuts.Stretches().size(), 1u) << readFile(lecture + "talk1.cuts");
    EXPECT_NEAR(cuts.Stretches()[0].from, 9.3, 0.1);
    EXPECT_NEAR(cuts.Stretches()[0].to, 20.6, 0.1);
    EXPECT_EQ(readFile(lecture + "talk1.txt"), events);
    EXPECT_TRUE(editor->close());  // saved: nothing to ask
    EXPECT_TRUE(sink.questions.empty()) << sink.questions.front();
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();

    // Published from the main window: the copy leaves the stretch out and
    // slide 2, wholly in it, is shown nowhere.
    const std::string out = root.dir() + "disk/";
    windows->context().hooks.chooseDirectory
        = [&](const std::string&, std::string& dir, bool) { return !(dir = out).empty(); };
    QPushButton* cmdPub = findWidget<QPushButton>(view(), "cmdPub");
    ASSERT_TRUE(cmdPub && cmdPub->isEnabled()) << statusText();
    runJob([&] { cmdPub->click(); });
    EXPECT_EQ(statusText(), "Process:All Done");
    EXPECT_NEAR(ffprobe(out + "talk1.mp4").duration, 40 - (cuts.Stretches()[0].to - cuts.Stretches()[0].from), 0.1);
    const std::string published = readFile(out + "talk1.rat");
    EXPECT_FALSE(holds(published, "sld002.htm"));
    EXPECT_TRUE(holds(published, "u 00:00:09 00:00:19 &&slide&&sld003.htm")) << published;
    EXPECT_FALSE(holds(readFile(out + "part1.htm"), "sld002.htm"));
}

}  // namespace
