// The editors' views bound to their models: the timing editor with its
// timeline and slide-text panel. Their captions are checked where the
// program opens them (gui); the caption editor's window in
// app/widgets/AppWindowsTest, where the main window opens it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <filesystem>

#include "PellucorProcess.h"
#include "QtTestApp.h"
#include "TestSupport.h"
#include "editing/SlideTextPanel.h"
#include "editing/TimelineModel.h"
#include "editing/TimingEditor.h"
#include "editing/widgets/TimelineView.h"
#include "editing/widgets/TimingEditorView.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

PELLUCOR_QT_TEST_APP();

void key(QWidget* w, int k)
{
    QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(TimingEditorView, ShowsTheGridWithItsColoursFollowsTheFieldsAndAsksBeforeClosingUnsaved)
{
    TempDir dir;
    RecordingMessageSink sink;
    writeFile(dir.file("talk.txt"),
              "u 00:00:00 00:00:10 URL\\sld001.htm\r\n"
              "u 00:00:10 00:00:20 URL\\sld002.htm\r\n"
              "u 00:00:20 00:00:20 URL\\sld003.htm\r\n");
    TimingEditor model;
    TimingEditorView view(model);
    view.show();
    ASSERT_TRUE(model.LoadFile(dir.file("talk.txt")));
    QTableWidget* g = view.Grid1();
    ASSERT_EQ(g->rowCount(), 3);
    EXPECT_EQ(g->item(1, 0)->text(), "sld002.htm");
    EXPECT_EQ(g->item(1, 2)->text(), "00:00:20");
    EXPECT_EQ(g->item(2, 0)->background().color(), QColor(Qt::red));  // starts at its end
    EXPECT_EQ(g->item(0, 1)->background().color(), QColor(Qt::green));
    EXPECT_EQ(g->item(1, 1)->background().color(), QColor(Qt::white));
    EXPECT_EQ(view.TimeEnd()->text(), "00:00:20");

    key(view.Timein(), Qt::Key_Down);
    EXPECT_EQ(model.SelectedRow(), 1);
    EXPECT_EQ(view.Timein()->text(), "00:00:10");
    EXPECT_EQ(g->item(1, 1)->background().color(), QColor(Qt::green));

    view.TimeEnd()->setText("00:00:30");
    emit view.TimeEnd()->textEdited("00:00:30");
    EXPECT_EQ(g->item(2, 2)->text(), "00:00:30");
    EXPECT_NE(g->item(2, 0)->background().color(), QColor(Qt::red));

    key(view.TxtImage(), Qt::Key_Down);
    key(view.TxtImage(), Qt::Key_Return);  // at the last row: a new row
    EXPECT_EQ(g->rowCount(), 4);
    EXPECT_EQ(view.TxtImage()->text(), "sld004.htm");

    g->setCurrentCell(0, 1);  // choosing a row in the grid
    EXPECT_EQ(model.SelectedRow(), 0);

    sink.answers = {TavCancel};  // unsaved changes: closing asks first
    EXPECT_FALSE(view.close());
    sink.answers = {TavOK};
    EXPECT_TRUE(model.done());
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(sink.questions.size(), 2u);  // Done asked once, the close did not ask again
}

// The sample's events load with their recording and slides; the second
// slide's marker dragged from 2 s to 3 s: the grid follows and the saved
// events file has the new time.
TEST(TimingEditorView, AMarkerDraggedInTheTimelineMovesTheSavedChange)
{
    TempDir dir;
    RecordingMessageSink sink;
    std::filesystem::copy(sampleDir(), dir.dir(), std::filesystem::copy_options::recursive);
    TimingEditor model;
    TimelineModel timeline(model, OverviewCache(dir.file("cache")));
    timeline.slideDir = [&] { return dir.dir(); };
    TimingEditorView view(model, &timeline);
    view.show();
    ASSERT_TRUE(model.LoadFile(dir.file("talk1.txt")));
    EXPECT_EQ(timeline.Recording(), dir.file("talk1.rm"));
    ASSERT_TRUE(timeline.WaitUntilRead(60000)) << timeline.Error();
    ASSERT_EQ(timeline.Markers().size(), 3u);
    EXPECT_EQ(timeline.Markers()[1].slideImage, dir.file("img002.gif"));
    QApplication::processEvents();
    QWidget* canvas = view.Timeline()->Canvas();
    const double pps = timeline.PixelsPerSecond();
    const int y = canvas->height() - 4;
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(static_cast<int>(2 * pps), y));
    for (double s = 2.2; s < 3.3; s += 0.2)
        QTest::mouseMove(canvas, QPoint(static_cast<int>(s * pps), y));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(static_cast<int>(3.1 * pps), y));
    EXPECT_EQ(view.Grid1()->item(1, 1)->text(), "00:00:03");
    ASSERT_TRUE(model.SaveFile(dir.file("talk1.txt")));
    EXPECT_EQ(readLines(dir.file("talk1.txt")),
              (Strings {"u 00:00:00 00:00:03 URL\\sld001.htm", "u 00:00:03 00:00:04 URL\\sld002.htm",
                        "u 00:00:04 00:00:06 URL\\sld003.htm"}));
}

// The sample's slides read by the real slide-text command, the third one
// untitled: the grid names it from its words and says so; the lecturer's
// correction typed into the panel and saved survives a forced re-read and
// is what the published page shows.
TEST(TimingEditorView, TheSlidesWordsAreShownCorrectedAndKeptOverOcr)
{
    TempDir dir, out, home;
    RecordingMessageSink sink;
    std::filesystem::copy(sampleDir(), dir.dir(), std::filesystem::copy_options::recursive);
    std::string titles = readFile(dir.file("titles.txt"));
    titles.replace(titles.find("\"Results\""), 9, "\"Slide 3\"");
    writeFile(dir.file("titles.txt"), titles);
    const QString lecture = QString::fromStdString(dir.dir());
    const ProcessOutcome read = runProgram(PELLUCOR_EXE, {"slide-text", lecture}, home.dir());
    ASSERT_EQ(read.code, 0) << describe(read);

    TimingEditor model;
    SlideTextPanel panel(model);
    panel.slideDir = [&] { return dir.dir(); };
    TimingEditorView view(model, nullptr, &panel);
    view.show();
    ASSERT_TRUE(model.LoadFile(dir.file("talk1.txt")));
    QTableWidget* g = view.Grid1();
    ASSERT_EQ(g->columnCount(), 6);
    EXPECT_EQ(g->item(0, 4)->text(), "Welcome to the talk");
    EXPECT_EQ(g->item(0, 5)->text(), "titles.txt");
    EXPECT_EQ(g->item(2, 4)->text(), "Slide 3");  // the largest line at its top
    EXPECT_TRUE(g->item(2, 5)->text().startsWith("the slide's text, OCR (")) << g->item(2, 5)->text().toStdString();

    g->setCurrentCell(2, 0);
    EXPECT_TRUE(view.SlideText()->toPlainText().contains("milliseconds"));
    view.SlideText()->setPlainText("The median error fell to 40 ms");
    view.SlideTitle()->setFocus();
    QTest::keyClicks(view.SlideTitle(), " results");
    QTest::mouseClick(view.SaveText(), Qt::LeftButton);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_NE(readFile(dir.file("img003.text")).find("# source: lecturer"), std::string::npos);
    EXPECT_EQ(g->item(2, 4)->text(), "Slide 3 results");
    EXPECT_EQ(g->item(2, 5)->text(), "the slide's text, the lecturer");

    const ProcessOutcome again = runProgram(PELLUCOR_EXE, {"slide-text", lecture, "--redo"}, home.dir());
    ASSERT_EQ(again.code, 0) << describe(again);
    const ProcessOutcome published = runProgram(
        PELLUCOR_EXE,
        {"publish", lecture, "--disk", QString::fromStdString(out.dir()), "--style", PELLUCOR_STYLE_DIR, "--quiet"},
        home.dir());
    ASSERT_EQ(published.code, 0) << describe(published);
    const std::string page = readFile(out.file("sld003.htm"));
    EXPECT_NE(page.find("40 ms"), std::string::npos);
    EXPECT_NE(page.find("Slide 3 results"), std::string::npos);
    EXPECT_EQ(page.find("milliseconds"), std::string::npos);
}

}  // namespace
