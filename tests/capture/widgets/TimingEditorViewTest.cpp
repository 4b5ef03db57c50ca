#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include <filesystem>

#include "QtTestApp.h"
#include "TestSupport.h"
#include "capture/PlayerWindow.h"
#include "capture/TimelineModel.h"
#include "capture/TimingEditor.h"
#include "capture/widgets/QtFileChooser.h"
#include "capture/widgets/TimelineView.h"
#include "capture/widgets/TimingEditorView.h"
#include "media/MediaFilters.h"

namespace pellucor {

using namespace testing_support;

namespace {

PELLUCOR_QT_TEST_APP();

void key(QWidget* w, int k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
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
    EXPECT_EQ(view.windowTitle(), "Pellucor - RuziZE!");
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
    EXPECT_EQ(g->item(3, 0)->text(), "sld004.htm");
    EXPECT_EQ(view.TxtImage()->text(), "sld004.htm");

    g->setCurrentCell(0, 1);  // choosing a row in the grid
    EXPECT_EQ(model.SelectedRow(), 0);

    sink.answers = {TavCancel};  // unsaved changes: closing asks first
    EXPECT_FALSE(view.close());
    sink.answers = {TavOK};
    EXPECT_TRUE(model.cmdDone_Click());
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

TEST(QtFileChooser, TurnsFiltersIntoQtFilters)
{
    EXPECT_EQ(QtFileChooser::QtFilter("Text (*.txt)|*.txt|All Files (*.*)|*.*"), "Text (*.txt);;All Files (*.*)");
    EXPECT_EQ(QtFileChooser::QtFilter("RealMedia Files (*.rm)|*.rm|All Files|*.*"),
              "RealMedia Files (*.rm);;All Files (*.*)");
    // The player offers recordings of today first, RealMedia after.
    const QString media = QtFileChooser::QtFilter(WithMediaFilter(PlayerWindow::kFilter));
    EXPECT_TRUE(media.startsWith("Media Files (*.rm *.ra *.mp4 ")) << media.toStdString();
    EXPECT_TRUE(media.contains(" *.m4a ") && media.contains(" *.flac)")) << media.toStdString();
    EXPECT_TRUE(media.endsWith(");;RealMedia Files (*.rm);;All Files (*.*)")) << media.toStdString();
}

}  // namespace

}  // namespace pellucor
