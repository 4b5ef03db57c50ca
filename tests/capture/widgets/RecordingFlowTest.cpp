// A lecture recorded, played, edited and published as a user would, in the
// real windows on a real display (run under Xvfb) with FFmpeg's lavfi test
// sources standing for the microphone and the camera.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include "MediaTools.h"
#include "PellucorProcess.h"
#include "QtTestApp.h"
#include "TestSupport.h"
#include "UiDriver.h"
#include "capture/EncoderSetup.h"
#include "capture/FfmpegEncoder.h"
#include "capture/PlayerWindow.h"
#include "capture/RecordingSetup.h"
#include "capture/widgets/EncoderSetupView.h"
#include "capture/widgets/PlayerWindowView.h"
#include "capture/widgets/QtFileChooser.h"
#include "capture/widgets/QtRecordingWindows.h"
#include "capture/widgets/RecordingSetupView.h"
#include "capture/widgets/SlideFlipRecorderView.h"
#include "core/TavUtils.h"
#include "editing/TimingEditor.h"
#include "editing/widgets/TimingEditorView.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

PELLUCOR_QT_TEST_APP();

const char* const kTone = "sine=frequency=440:sample_rate=44100";
const char* const kPicture = "testsrc=size=320x240:rate=15";

// What ffprobe says of a file's streams ("v" or "a"), e.g. "stream=codec_name".
std::string probe(const std::string& file, const std::string& streams, const std::string& entries)
{
    std::string out;
    runTool({"ffprobe", "-v", "error", "-select_streams", streams, "-show_entries", entries, "-of", "csv=p=0", file},
            out);
    return QString::fromStdString(out).trimmed().toStdString();
}

// A lecture directory with n slide pictures and their titles.
void makeSlides(const std::string& dir, int n)
{
    std::string titles = "# Title information extraced by Pellucor from PowerPoint\r\n# Date today\r\n", err;
    for (int i = 1; i <= n; ++i)
        titles += "\"img" + Fmt000(i) + ".gif\" \"Slide " + std::to_string(i) + "\"\r\n";
    writeFile(dir + "titles.txt", titles);
    ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=1", "-frames:v", std::to_string(n), "-f",
                        "image2", dir + "img%03d.gif"},
                       err))
        << err;
}

bool hasPicture(const QLabel* label) { return label && label->isVisible() && !label->pixmap().isNull(); }

// Chooses the list row with that text in the encoder window.
void chooseRow(QWidget* window, int listIndex, const QString& text)
{
    const auto lists = window->findChildren<QListWidget*>();
    ASSERT_GT(lists.size(), listIndex);
    const auto items = lists[listIndex]->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << text.toStdString();
    lists[listIndex]->setCurrentItem(items.front());
}

// A modal dialog of that title is open; its combo box set to a value; OK.
auto dialog(const char* title)
{
    return [title] {
        QWidget* w = QApplication::activeModalWidget();
        return w && w->windowTitle() == title;
    };
}
void choose(const char* name, const QString& value)
{
    auto* box = QApplication::activeModalWidget()->findChild<QComboBox*>(name);
    ASSERT_TRUE(box) << name;
    const int i = box->findData(value);
    ASSERT_GE(i, 0) << name << " has no " << value.toStdString();
    box->setCurrentIndex(i);
}
void ok() { QApplication::activeModalWidget()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

// A lecture directory and the recording windows, with lavfi's sources for
// the devices: the test tone second in the list, after silence.
struct RecordingFlow : ::testing::Test {
    TempDir lec;
    RecordingMessageSink sink;
    QtRecordingWindows windows;

    void useLavfi(const std::string& tone = kTone, const std::string& picture = kPicture)
    {
        windows.prepareEncoder = [tone, picture](FfmpegEncoder& e) {
            e.SetDevices({{"lavfi", "anullsrc", "Silence (lavfi)"}, {"lavfi", tone, "Test tone (lavfi)"}},
                         {{"lavfi", picture, "Test picture (lavfi)"}});
        };
        windows.imageName = [](int n) { return "img" + Fmt000(n) + ".gif"; };
        windows.lectureDir = [this] { return lec.dir(); };
    }
};

TEST_F(RecordingFlow, RecordsALectureWithTheChosenDevicesThroughTheRealWindowsThenPlaysEditsAndPublishesIt)
{
    makeSlides(lec.dir(), 4);
    useLavfi();
    RecordingSetup model(&windows);
    model.lectureDir = [&] { return lec.dir(); };
    model.lectureName = [] { return std::string("talk"); };
    model.load();
    RecordingSetupView setup(model);

    const auto status = [&] { return windows.EncoderView()->LblStatus()->text().toStdString(); };
    QSize previewSize;
    UiDriver driver;
    driver
        .when(
            "the recording set-up window", [&] { return setup.isVisible(); },
            [&] {
                EXPECT_EQ(setup.windowTitle(), "Pellucor DuzoDA!");
                EXPECT_EQ(setup.LblCount()->text(), "Event file does not exist (normal)");
                EXPECT_EQ(setup.TxtFile()->text().toStdString(), lec.file("rawmedia.txt"));
                writeFile(lec.file("rawmedia.txt"), "");  // the file typed again once it is there
                setup.TxtFile()->clear();
                QTest::keyClicks(setup.TxtFile(), QString::fromStdString(lec.file("rawmedia.txt")));
                EXPECT_EQ(setup.LblCount()->text(), "Event file is empty (normal)");
                UiDriver::button(&setup, "Record Media")->click();
                UiDriver::button(&setup, "Next >>")->click();  // returns when the recorder is done
            })
        .when(
            "the encoder set-up window", [&] { return windows.EncoderView() && windows.EncoderView()->isVisible(); },
            [&] {
                EXPECT_EQ(windows.EncoderView()->windowTitle(), "RealProducer - Live Media Capture");
                EXPECT_EQ(windows.EncoderView()->CmdDone()->text(), "Next >>");
                EXPECT_FALSE(setup.isVisible());
                chooseRow(windows.EncoderView(), 1, "Test tone (lavfi)");
                windows.EncoderView()->findChild<QCheckBox*>()->click();  // "Video"
                UiDriver::button(windows.EncoderView(), "Setup")->click();
                UiDriver::button(windows.EncoderView(), "Format")->click();
            })
        .when("the format dialog", dialog("Format"),
              [&] {
                  choose("size", "320x240");
                  choose("sampleRate", "32000");
                  choose("channels", "1");
                  ok();
              })
        .when(
            "the format chosen", [&] { return status() == "Card Format Completed"; },
            [&] { UiDriver::button(windows.EncoderView(), "Compress")->click(); })
        .when("the compression dialog", dialog("Compression"),
              [&] {
                  choose("videoCodec", "rv10");
                  QApplication::activeModalWidget()->findChild<QSpinBox*>("audioKbps")->setValue(64);
                  ok();
              })
        .when(
            "the compression chosen", [&] { return status() == "Compression Setting Completed"; },
            [&] { UiDriver::button(windows.EncoderView(), "Setup")->click(); })  // the choices take effect here
        .when(
            "the live preview at the chosen size in the encoder set-up window",
            [&] {
                return hasPicture(windows.EncoderView()->Preview()) && windows.EncoderView()->Preview()->width() == 320;
            },
            [&] {
                previewSize = windows.EncoderView()->Preview()->size();
                EXPECT_EQ(status(), "Setup Complete - you should now see your video in the left screen...");
                UiDriver::button(windows.EncoderView(), "Record")->click();  // a trial recording first
            })
        .when(
            "the level meter", [&] { return windows.EncoderView()->Level()->value() > 0; },
            [&] {
                EXPECT_NEAR(windows.EncoderView()->Level()->value(), 70, 3);  // the tone: 1/8 of full scale, -18 dB
                EXPECT_FALSE(UiDriver::button(windows.EncoderView(), "Record")->isEnabled());
            })
        .after(1500, "a second and a half of trial recording",
               [&] { UiDriver::button(windows.EncoderView(), "Stop")->click(); })
        .when(
            "the trial recording stopped and the devices open again",
            [&] { return status() == "Setup Complete - you should now see your video in the left screen..."; },
            [&] { windows.EncoderView()->CmdDone()->click(); })  // Next >>
        .when(
            "the recorder window", [&] { return windows.RecorderView() && windows.RecorderView()->isActiveWindow(); },
            [&] { QTest::keyClick(windows.RecorderView(), Qt::Key_PageDown); })  // starts recording and timing
        .after(1700, "the second slide", [&] { QTest::keyClick(windows.RecorderView(), Qt::Key_PageDown); })
        .after(1700, "the third slide", [&] { QTest::keyClick(windows.RecorderView(), Qt::Key_PageDown); })
        .when(
            "the live preview in the recorder", [&] { return hasPicture(windows.RecorderView()->Preview()); }, [] {})
        .after(1400, "the end of the lecture", [&] { QTest::keyClick(windows.RecorderView(), Qt::Key_Escape); })
        .when(
            "the recording set-up window again", [&] { return setup.isVisible(); },
            [&] {
                // The next part carries on from where this one ended.
                EXPECT_EQ(setup.TxtSlideNum()->text(), "4");
                EXPECT_EQ(setup.TxtStartTime()->text().toStdString(), model.Fields().txtStartTime);
                UiDriver::button(&setup, "Cancel")->click();
            });
    driver.start();
    setup.RunModal();
    ASSERT_TRUE(driver.done()) << "the set-up window closed too early";
    ASSERT_FALSE(driver.failed()) << driver.failure();
    EXPECT_EQ(previewSize, QSize(320, 240));  // the captured size, as the preview reported it
    EXPECT_FALSE(sink.saw("Unable")) << (sink.messages.empty() ? "" : sink.messages.back());

    // One event per slide shown, each starting where the one before ended.
    const auto events = readLines(lec.file("rawmedia.txt"));
    const auto start = [](const std::string& line) { return line.substr(2, 8); };
    const auto end = [](const std::string& line) { return line.substr(11, 8); };
    const auto page = [](size_t i) { return " URL\\sld" + Fmt000(static_cast<long>(i) + 1) + ".htm"; };
    ASSERT_EQ(events.size(), 3u);
    std::string previous = "00:00:00";
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(events[i], "u " + previous + " " + end(events[i]) + page(i));
        previous = end(events[i]);
    }
    // About five seconds of lecture; the times come from the recording's own
    // clock, which a busy machine may hold back by a second.
    EXPECT_TRUE(previous >= "00:00:04" && previous <= "00:00:07") << previous;
    EXPECT_EQ(model.Fields().txtStartTime, previous);

    const std::string media = lec.file("rawmedia.rm");
    const double seconds = ffprobe(media).duration;
    EXPECT_NEAR(seconds, 5.0, 0.8);
    // Recorded anew with the devices, format and compression chosen.
    EXPECT_EQ(probe(media, "v", "stream=codec_name,width,height"), "rv10,320,240");
    EXPECT_EQ(probe(media, "a", "stream=codec_name,sample_rate,channels,bit_rate"), "ac3,32000,1,64000");
    EXPECT_NEAR(integratedLoudness(media), -21.0, 6.0);  // the chosen test tone, not the first device's silence

    // The recording plays in the recording windows' player, from a working
    // directory other than the root, for its whole length.
    TempDir elsewhere;
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(elsewhere.dir())));
    std::string err;
    PlayerWindow* player = windows.LoadPlayer(err);
    ASSERT_TRUE(player) << err;
    windows.ShowPlayer();
    ASSERT_TRUE(player->SetSource(media));
    UiDriver play(static_cast<int>(seconds * 1000) + 15000);
    play.when(
            "the clip to open", [&] { return StartsWith(player->Status(), "Size="); },
            [&] {
                ASSERT_EQ(player->Status().rfind("Size=320X240 Length=", 0), 0u) << player->Status();
                EXPECT_NEAR(std::stod(player->Status().substr(20)), seconds * 1000, 400.0) << player->Status();
                UiDriver::button(windows.PlayerView(), "Play")->click();
            })
        .when(
            "playing", [&] { return StartsWith(player->Status(), "Playing "); }, [] {})
        .when(
            "Play Complete", [&] { return player->Status() == "Play Complete"; }, [] {});
    play.run();
    EXPECT_FALSE(play.failed()) << play.failure() << " - status " << player->Status();
    windows.UnloadPlayer();
    EXPECT_EQ(windows.PlayerView(), nullptr);
    QDir::setCurrent(cwd);

    // The timing editor loads the events, shifts them a second earlier and
    // saves them under another name (Save would write them back).
    {
        QtFileChooser chooser(nullptr);
        TimingEditor editor(&chooser);
        editor.lectureDir = [&] { return lec.dir(); };
        editor.load();
        TimingEditorView view(editor);
        view.show();
        const auto fileDialog = [](const std::string& path) {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            // Typed into the file name field, as a user would, and Enter.
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_TRUE(name);
            name->setText(QString::fromStdString(path));
            QTest::keyClick(name, Qt::Key_Return);
        };
        const auto dialogOpen = [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; };
        UiDriver edit;
        edit.when(
                "the timing editor", [&] { return view.isVisible(); },
                [&] { UiDriver::button(&view, "Load")->click(); })
            .when("the open dialog", dialogOpen, [&] { fileDialog(lec.file("rawmedia.txt")); })
            .when(
                "the events in the grid", [&] { return view.Grid1()->rowCount() == 3 && !dialogOpen(); },
                [&] {
                    QTest::keyClicks(view.TxtDelta(), "1");
                    UiDriver::button(&view, "-")->click();
                    UiDriver::button(&view, "Save As")->click();
                })
            .when("the save dialog", dialogOpen, [&] { fileDialog(lec.file("shifted.txt")); });
        edit.run();
        ASSERT_FALSE(edit.failed()) << edit.failure() << " - rows " << view.Grid1()->rowCount() << " - "
                                    << (sink.messages.empty() ? "" : sink.messages.back());
    }
    // Every start a second earlier but the first; every end the next start.
    const auto shifted = readLines(lec.file("shifted.txt"));
    ASSERT_EQ(shifted.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Tav_TimeToTicks(start(shifted[i])), Tav_TimeToTicks(start(events[i])) - (i ? 60 : 0)) << shifted[i];
        EXPECT_EQ(shifted[i],
                  "u " + start(shifted[i]) + " " + (i < 2 ? start(shifted[i + 1]) : end(events[i])) + page(i));
    }

    // The recorded lecture publishes.
    TempDir out, home;
    const ProcessOutcome published
        = runProgram(PELLUCOR_EXE,
                     {"publish", QString::fromStdString(lec.dir()), "--disk", QString::fromStdString(out.dir()),
                      "--style", PELLUCOR_STYLE_DIR, "--quiet"},
                     home.dir());
    EXPECT_EQ(published.code, 0) << describe(published);
    EXPECT_TRUE(Tav_ChkFile(out.file("index.htm")));
    EXPECT_TRUE(Tav_ChkFile(out.file("sld003.htm")));
}

// A microphone and camera that stop after two seconds: the recorder stops
// with a message naming the cause, the two seconds recorded play, and the
// events written so far stay.
TEST_F(RecordingFlow, ADeviceThatDiesKeepsWhatWasRecorded)
{
    makeSlides(lec.dir(), 3);
    useLavfi(std::string(kTone) + ":duration=2", std::string(kPicture) + ":duration=2");
    std::string err;
    EncoderSetup* enc = windows.LoadMediaOpener(err);
    ASSERT_TRUE(enc) << err;
    enc->DoVideo(lec.file("rawmedia.rm"));
    EXPECT_TRUE(windows.EncoderView()->findChild<QCheckBox*>()->isChecked());  // "Video", as DoVideo set it
    enc->audioDeviceChosen(1);
    enc->setUp();
    ASSERT_TRUE(enc->rpCtl().IsSourceOpen()) << enc->Status();

    RecordingFields fields;
    fields.txtFile = lec.file("rawmedia.txt");
    fields.chkNoMedia = false;
    fields.chkEncoder = true;
    UiDriver driver;
    driver
        .when(
            "the recorder window", [&] { return windows.RecorderView() && windows.RecorderView()->isActiveWindow(); },
            [&] { QTest::keyClick(windows.RecorderView(), Qt::Key_PageDown); })
        .after(1200, "the second slide", [&] { QTest::keyClick(windows.RecorderView(), Qt::Key_PageDown); });
    driver.start();
    windows.RunRecorder(false, fields);  // returns when the recorder stops by itself
    EXPECT_TRUE(driver.done()) << "the recorder stopped before the second slide";

    ASSERT_TRUE(sink.saw("The recording stopped: Recording stopped after 2 seconds: the capture source"))
        << (sink.messages.empty() ? "no message" : sink.messages.back());
    EXPECT_TRUE(sink.saw("Everything recorded until then is kept in " + lec.file("rawmedia.rm")))
        << sink.messages.back();
    EXPECT_EQ(enc->StatusColour(), kColourRed);
    EXPECT_FALSE(enc->rpCtl().IsEncoding());
    const auto events = readLines(lec.file("rawmedia.txt"));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].substr(0, 11), "u 00:00:00 ");
    EXPECT_EQ(events[1].substr(events[1].size() - 10), "sld002.htm");
    EXPECT_EQ(fields.txtSlideNum, "3");
    EXPECT_NEAR(ffprobe(lec.file("rawmedia.rm")).duration, 2.0, 0.4);
    EXPECT_EQ(probe(lec.file("rawmedia.rm"), "a", "stream=codec_name"), "ac3");
}

}  // namespace
