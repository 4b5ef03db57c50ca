// Recording a lecture through the real windows as a lecturer does, with a
// real sound server (PulseAudio) whose only microphone hears a sine, or
// that has none (its null output's monitor is no microphone).
// Execute > DuzoDA!, Record Media, Next >>; in the encoder set-up the
// lecturer presses Record first (the obvious button), then Next >>, then
// flips slides with Page Down and ends with Esc; the set-up comes back
// with its choices as roomy as before.
#include <QGroupBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>

#include <cmath>
#include <filesystem>

#include "LectureWindows.h"
#include "MediaTools.h"
#include "UiDriver.h"
#include "app/widgets/PublishFormView.h"
#include "capture/EncoderSetup.h"
#include "capture/RecordingSetup.h"
#include "capture/widgets/SlideFlipRecorderView.h"
#include "core/TimeText.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

// (The program's application is made in WindowJobsTest.cpp.)

// A microphone on the sound server the test runs with (with_sound_server.sh)
// while it lives: it hears a sine played into the null output, on that
// output's clock (module-sine-source hands a second or more of sound over
// at once when opened, which no microphone does).
class Microphone {
public:
    Microphone()
    {
        for (const std::vector<std::string>& module :
             {std::vector<std::string> {"module-sine", "sink=speaker", "frequency=440"},
              std::vector<std::string> {"module-remap-source", "master=speaker.monitor", "source_name=lectern",
                                        "source_properties=device.description=Lectern"}}) {
            std::vector<std::string> argv {"pactl", "load-module"};
            argv.insert(argv.end(), module.begin(), module.end());
            std::string index;
            EXPECT_TRUE(runTool(argv, index)) << module.front();
            modules_.push_back(index.substr(0, index.find('\n')));
        }
    }
    ~Microphone()
    {
        for (auto it = modules_.rbegin(); it != modules_.rend(); ++it) {
            std::string out;
            runTool({"pactl", "unload-module", *it}, out);
        }
    }

private:
    std::vector<std::string> modules_;
};

class RecordingWindows : public LectureWindows {
protected:
    void SetUp() override
    {
        fs::create_directories(lecture);
        std::string err;
        for (const char* colour : {"red", "green", "blue"}) {
            const std::string name = "img00" + std::to_string(++slides) + ".gif";
            ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", std::string("color=c=") + colour + ":s=320x240", "-frames:v", "1",
                                lecture + name},
                               err))
                << err;
        }
    }
    // Opens the recording set-up from the detailed form's Execute menu and
    // runs the steps until the set-up window is back, then presses Cancel.
    void record(UiDriver& driver)
    {
        driver.when(
            "the recording set-up back", [] { return setUp() != nullptr; },
            [this] {
                boxesAfter = boxHeights();
                UiDriver::button(setUp(), "Cancel")->click();
            });
        QAction* item = menuAction(windows->publishFormView(), "DuzoDA!");
        ASSERT_NE(item, nullptr);
        driver.start();
        item->trigger();
        EXPECT_TRUE(driver.done());
        EXPECT_FALSE(driver.failed()) << driver.failure();
    }
    // Record Media and Small GIFs chosen, then Next >>.
    void startRecording(UiDriver& driver)
    {
        driver.when(
            "the recording set-up", [] { return setUp() != nullptr; },
            [this] {
                boxesBefore = boxHeights();
                for (QRadioButton* b : setUp()->findChildren<QRadioButton*>())
                    if (b->text() == "Record Media" || b->text() == "Small GIFs")
                        b->click();
                UiDriver::button(setUp(), "Next >>")->click();
            });
    }
    static QWidget* setUp() { return UiDriver::window(RecordingSetup::kCaption); }
    // The heights of the set-up's groups of choices, and each choice's room.
    static std::string boxHeights()
    {
        std::string out;
        for (QWidget* w : setUp()->findChildren<QGroupBox*>())
            out += std::to_string(w->height()) + " ";
        for (QRadioButton* b : setUp()->findChildren<QRadioButton*>())
            out += std::to_string(b->height()) + (b->height() < b->sizeHint().height() ? "!" : "") + " ";
        return out;
    }
    std::string boxesBefore, boxesAfter;
    static QWidget* encoder() { return UiDriver::window(EncoderSetup::kCaption); }
    static QWidget* flipWindow()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && qobject_cast<SlideFlipRecorderView*>(w))
                return w;
        return nullptr;
    }
    // A key pressed on the slide window.
    static void press(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(flipWindow(), &event);
    }
    static int soundLevel() { return findWidget<QProgressBar>(*encoder(), "soundLevel")->value(); }

    int slides = 0;
};

// Seconds from "hh:mm:ss".
long seconds(const std::string& hms)
{
    long s = -1;
    return TimeValue(hms, s) ? s : -1;
}

// Whether a label of the window reads text.
bool shows(QWidget* window, const std::string& text)
{
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->text().toStdString() == text)
            return true;
    return false;
}

TEST_F(RecordingWindows, RecordPressedFirstTimesTheSlidesOnTheRecordingsOwnClock)
{
    Microphone lectern;
    open();
    int heard = 0;
    UiDriver driver(60000);
    startRecording(driver);
    driver
        .when(
            "the lectern microphone among the audio devices",
            [] {
                auto* list = encoder() ? encoder()->findChildren<QListWidget*>().value(1) : nullptr;
                return list && !list->findItems("Lectern (pulse)", Qt::MatchExactly).isEmpty();
            },
            [] {
                auto* list = encoder()->findChildren<QListWidget*>().value(1);
                list->setCurrentItem(list->findItems("Lectern (pulse)", Qt::MatchExactly).front());
                UiDriver::button(encoder(), "Setup")->click();
            })
        .when(
            "Record enabled", [] { return UiDriver::button(encoder(), "Record")->isEnabled(); },
            [] { UiDriver::button(encoder(), "Record")->click(); })
        .when(
            "the sine heard on the meter", [&] { return (heard = soundLevel()) > 50; }, [] {})
        .after(3000, "a trial of three seconds", [] { UiDriver::button(encoder(), "Next >>")->click(); })
        .when(
            "the slide window", [] { return flipWindow() != nullptr; }, [] { press(Qt::Key_PageDown); })
        .after(2000, "slide 1 shown", [] { press(Qt::Key_PageDown); })
        .after(2000, "slide 2 shown", [] { press(Qt::Key_Escape); });
    record(driver);

    EXPECT_FALSE(sink.saw("Unable to Start Encoder"));
    EXPECT_FALSE(sink.saw("Encoder Setup Incomplete"));
    const Probed media = ffprobe(lecture + "rawmedia.rm");
    ASSERT_TRUE(media.ok);
    const auto events = readLines(lecture + "rawmedia.txt");
    ASSERT_EQ(events.size(), 2u) << readFile(lecture + "rawmedia.txt");
    const auto field = [&](size_t row, size_t column) {
        std::istringstream line(events[row]);
        std::string word;
        for (size_t i = 0; i <= column; ++i)
            line >> word;
        return seconds(word);
    };
    // Slide 1 was shown from the recording's start, through the trial
    // before Next >> (3 s), then for 2 s.
    EXPECT_EQ(field(0, 1), 0);
    EXPECT_GE(field(0, 2), 4) << events[0];
    EXPECT_EQ(field(1, 1), field(0, 2));
    // The last change ends where the recording does, not seconds before it.
    EXPECT_NEAR(static_cast<double>(field(1, 2)), media.duration, 1.5) << events[1];
    EXPECT_GT(heard, 50);
    EXPECT_EQ(boxesAfter, boxesBefore) << "the set-up's choices keep their room after a recording";
    EXPECT_GT(integratedLoudness(lecture + "rawmedia.rm"), -40) << "the sine, not silence";
}

TEST_F(RecordingWindows, NoMicrophoneSaysSoAndRecordsNothing)
{
    open();
    bool told = false;
    int level = -1;
    UiDriver driver(60000);
    startRecording(driver);
    driver
        .when(
            "the encoder set-up", [] { return encoder() != nullptr; },
            [] { UiDriver::button(encoder(), "Setup")->click(); })
        .after(500, "Setup answered", [&] {
            told = shows(encoder(), EncoderSetup::kNoMicrophone);
            level = soundLevel();
            EXPECT_FALSE(UiDriver::button(encoder(), "Record")->isEnabled());
            UiDriver::button(encoder(), "Next >>")->click();
        });
    record(driver);

    EXPECT_TRUE(sink.saw("RealRecord - Unable to find any audio drivers"));
    EXPECT_TRUE(told) << "the encoder set-up says no microphone is there";
    EXPECT_LE(level, 0) << "the meter shows no sound";
    EXPECT_TRUE(sink.saw("Encoder Setup Incomplete"));
    EXPECT_FALSE(fs::exists(lecture + "rawmedia.rm"));
    EXPECT_FALSE(fs::exists(lecture + "rawmedia.txt"));
}

}  // namespace
