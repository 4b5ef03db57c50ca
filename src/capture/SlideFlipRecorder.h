// The slide-flip recorder: shows one slide at a time, moves on key presses,
// and appends a timing event to the lecture's events file at every slide
// change. The first "next" also starts the encoder and/or the player.
// SlideFlipRecorder shows the picture at its own size, SlideFlipRecorderScaled scaled to the window.
#pragma once

#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

#include "capture/CaptureWindow.h"
#include "capture/RecordingFields.h"

namespace pellucor {

class PlayerWindow;
class EncoderSetup;

class SlideFlipRecorder : public CaptureWindow {
    Q_OBJECT
public:
    enum Mode { FullScreen, Windowed };

    SlideFlipRecorder(RecordingFields& setup, Mode mode, bool scaled, QObject* parent = nullptr);

    // The machine's clock in whole seconds (replaceable for tests).
    std::function<int64_t()> clock;
    // Image file name of a slide number ("img001.gif"), as the main window
    // knows it; empty when there is none.
    std::function<std::string(int)> imageName;
    // The slide directory (ends in "/").
    std::function<std::string()> lectureDir;
    // Loads a slide picture for display; false when it cannot be read. The
    // default only checks that the file is there.
    std::function<bool(const std::string&)> loadPicture;
    // The encoder set-up and player windows of this recording (may be null).
    EncoderSetup* encoder = nullptr;
    PlayerWindow* player = nullptr;

    // Prepares the recording; false (after a message, and a close request)
    // when the events file cannot be written or the first slide is missing.
    bool load();
    void increase();
    void decrease();
    void finish();
    // Keys as Qt key codes: next, previous and stop keys run the buttons.
    // Returns whether the key was one of them.
    bool keyDown(int key);
    void countDown();
    void watchPlayback();
    // The encoder failed while recording (a device was lost): the recording
    // stops as by X, keeping the events and media so far, and the cause is
    // shown.
    void encoderFailed(const std::string& cause);
    bool WriteTimingEvent();

    Mode WindowMode() const { return mode_; }
    bool Scaled() const { return scaled_; }
    int SlideNum() const { return slide_; }
    bool TimingStarted() const { return timingStarted_; }
    bool MediaStarted() const { return mediaStarted_; }
    int DelayLeft() const { return delayLeft_; }
    const std::string& ImageName() const { return image_; }
    std::string PicturePath() const;
    const std::string& LblFile() const { return setup_.txtFile; }
    bool LblFileVisible() const { return lblFileVisible_; }
    bool TinyVisible() const { return tinyVisible_; }
    bool SlideVisible() const { return slideVisible_; }
    bool StatusVisible() const { return statusVisible_; }
    bool ButtonsVisible() const { return mode_ == Windowed; }
    bool Stopped() const { return stopped_; }
    // While timing runs: "● REC 00:01:10  Slide 003" (the time as the
    // next event would write it; "REC" when media is being recorded);
    // empty otherwise. It changes every second.
    std::string Indicator() const;
    QTimer& delayTimer() { return delayTimer_; }
    QTimer& playbackTimer() { return playbackTimer_; }

signals:
    // The window should come to the front and take the focus.
    void raiseRequested();

private:
    void startMedia();
    void showSlide();
    void fail(const std::string& message);
    void waiting();

    RecordingFields& setup_;
    Mode mode_;
    bool scaled_;
    QTimer delayTimer_, playbackTimer_, indicatorTimer_;
    int slide_ = 1;
    bool timingStarted_ = false;
    bool mediaStarted_ = false;
    bool stopped_ = false;
    int delayLeft_ = 0;
    int64_t startTime_ = 0, lastChange_ = 0;
    std::optional<int64_t> recordingSince_;  // when the encoder started recording
    long offset_ = 0;
    std::string currentEnd_, previousEnd_;
    std::string image_;
    bool lblFileVisible_ = true, tinyVisible_ = false, slideVisible_ = false, statusVisible_ = true;
};

}  // namespace pellucor
