#include "capture/SlideFlipRecorder.h"

#include <QDateTime>

#include <algorithm>
#include <fstream>

#include "capture/EncoderSetup.h"
#include "capture/PlayerWindow.h"
#include "core/EventsFile.h"
#include "core/TavUtils.h"
#include "core/TimeText.h"

namespace pellucor {

namespace {

constexpr long kDay = 24 * 3600;

int toInt16(const std::string& text) { return static_cast<int>(std::clamp(Val(text), -32768.0, 32767.0)); }

}  // namespace

SlideFlipRecorder::SlideFlipRecorder(RecordingFields& setup, Mode mode, bool scaled, QObject* parent)
    : CaptureWindow(parent), setup_(setup), mode_(mode), scaled_(scaled)
{
    clock = [] { return QDateTime::currentSecsSinceEpoch(); };
    // The recording indicator's elapsed time moves on every second.
    indicatorTimer_.setInterval(1000);
    connect(&indicatorTimer_, &QTimer::timeout, this, [this] { emit changed(); });
    loadPicture = [](const std::string& path) { return Tav_ChkFile(path); };
    delayTimer_.setInterval(1000);
    playbackTimer_.setInterval(1000);
    connect(&delayTimer_, &QTimer::timeout, this, &SlideFlipRecorder::countDown);
    connect(&playbackTimer_, &QTimer::timeout, this, &SlideFlipRecorder::watchPlayback);
}

std::string SlideFlipRecorder::PicturePath() const { return (lectureDir ? lectureDir() : std::string()) + image_; }

void SlideFlipRecorder::fail(const std::string& message)
{
    PlainMessage(message);
    stopped_ = true;
    delayTimer_.stop();
    playbackTimer_.stop();
    emit closeRequested();
}

bool SlideFlipRecorder::load()
{
    statusVisible_ = true;
    SetStatus(mode_ == FullScreen ? "Page-Down to Start ESC to Exit" : "Plus or Page-Down to Start");
    delayLeft_ = std::max(0, toInt16(setup_.txtDelay));
    slide_ = toInt16(setup_.txtSlideNum);
    if (Trim(setup_.txtStartTime).empty())
        setup_.txtStartTime = "00:00:00";
    if (!TimeValue(setup_.txtStartTime, offset_)) {
        fail("Unable to read the Start Time " + setup_.txtStartTime);
        return false;
    }
    offset_ %= kDay;
    previousEnd_ = HmsText(offset_);
    currentEnd_.clear();
    timingStarted_ = mediaStarted_ = stopped_ = false;
    recordingSince_.reset();
    if (encoder)
        connect(encoder, &EncoderSetup::encoderFailed, this, &SlideFlipRecorder::encoderFailed, Qt::UniqueConnection);
    lblFileVisible_ = true;
    slideVisible_ = false;
    {
        std::ofstream test(setup_.txtFile, std::ios::binary | std::ios::app);
        if (setup_.txtFile.empty() || !test) {
            fail("Error, Unable to open " + setup_.txtFile);
            return false;
        }
    }
    if (!setup_.chkNone) {
        image_ = imageName ? imageName(slide_) : std::string();
        if (image_.empty() || !loadPicture(PicturePath())) {
            fail("Unable to find Image " + PicturePath());
            return false;
        }
        tinyVisible_ = true;
    }
    emit changed();
    emit raiseRequested();
    return true;
}

void SlideFlipRecorder::startMedia()
{
    if (setup_.chkEncoder) {
        SetStatus("Starting Real Producer...");
        processEvents();
        // Record may have been pressed in the encoder set-up already: that
        // recording goes on, and is no failure.
        if (encoder && (encoder->Encoding() || encoder->startEncoding())) {
            mediaStarted_ = true;
            recordingSince_ = encoder->EncodingSince();
        } else {
            PlainMessage("Unable to Start Encoder");
        }
    }
    if (setup_.chkPlayer) {
        SetStatus("Starting Real Player...");
        processEvents();
        if (player && player->startPlaying()) {
            mediaStarted_ = true;
            playbackTimer_.start();
        } else {
            PlainMessage("Unable to Start RealPlayer");
        }
    }
}

void SlideFlipRecorder::waiting()
{
    SetStatus("Waiting for " + std::to_string(delayLeft_) + " seconds ", kColourYellow);
}

void SlideFlipRecorder::increase()
{
    if (stopped_)
        return;
    if (timingStarted_) {
        if (!WriteTimingEvent())
            return;
        ++slide_;
    } else {
        if (!mediaStarted_)
            startMedia();
        if (delayLeft_ > 1) {
            delayTimer_.start();
            waiting();
            return;
        }
        // Slide times are told on the recording's own clock, from the
        // moment it started (before the first key, or a start-up delay,
        // where it did), so that they match the recording.
        startTime_ = recordingSince_ ? *recordingSince_ : clock();
        lastChange_ = clock();
        timingStarted_ = true;
        indicatorTimer_.start();
    }
    showSlide();
}

void SlideFlipRecorder::decrease()
{
    if (stopped_)
        return;
    if (timingStarted_ && !WriteTimingEvent())
        return;
    if (slide_ > 1)
        --slide_;
    showSlide();
}

void SlideFlipRecorder::showSlide()
{
    if (!setup_.chkNone) {
        lblFileVisible_ = false;
        tinyVisible_ = false;
        image_ = imageName ? imageName(slide_) : std::string();
        slideVisible_ = false;
        if (image_.empty() || !loadPicture(PicturePath())) {
            // The end of the slides ends the recording.
            timingStarted_ = false;
            finish();
            return;
        }
        slideVisible_ = true;
    }
    if (mode_ == Windowed) {
        SetStatus("Viewing Slide " + Fmt000(slide_));
    } else {
        statusVisible_ = false;
        emit changed();
    }
    emit raiseRequested();
}

bool SlideFlipRecorder::WriteTimingEvent()
{
    const int64_t now = clock();
    const long elapsed = static_cast<long>(now - startTime_);
    const std::string end = HmsText(((elapsed + offset_) % kDay + kDay) % kDay);

    std::ofstream out(setup_.txtFile, std::ios::binary | std::ios::app);
    if (!out) {
        fail("Error, Unable to open " + setup_.txtFile);
        return false;
    }
    if (IContains(setup_.txtFile, "images.txt")) {
        // Each data line holds how long its slide was on screen; the reader
        // adds them up from the start of the file.
        const long interval = std::max(0L, static_cast<long>(now - lastChange_));
        const std::string ticks = std::to_string(Tav_TimeToTicks(HmsText(interval)));
        WriteLine(out, "# CS=" + end + " DT=" + ticks);
        WriteLine(out, ticks + " " + image_);
    } else {
        WriteLine(out, EventLineText({previousEnd_, end, "sld" + Fmt000(slide_) + ".htm"}));
    }
    lastChange_ = now;
    out.close();
    if (!out) {
        fail("Error, Unable to open " + setup_.txtFile);
        return false;
    }
    currentEnd_ = previousEnd_ = end;
    return true;
}

bool SlideFlipRecorder::keyDown(int key)
{
    switch (key) {
    // Besides the keypad and Page keys, what presenter remotes and
    // keyboards send for "next" and "back".
    case Qt::Key_Plus:
    case Qt::Key_PageDown:
    case Qt::Key_Equal:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: increase(); return true;
    case Qt::Key_Minus:
    case Qt::Key_PageUp:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Backspace: decrease(); return true;
    case Qt::Key_Escape: finish(); return true;
    default: return false;
    }
}

void SlideFlipRecorder::countDown()
{
    if (delayLeft_ > 1) {
        --delayLeft_;
        waiting();
        return;
    }
    delayTimer_.stop();
    SetStatus(Status());
    emit raiseRequested();
    increase();
}

void SlideFlipRecorder::watchPlayback()
{
    if (player && player->RealAudio1().PlayState() == 0) {
        playbackTimer_.stop();
        finish();
    }
}

void SlideFlipRecorder::encoderFailed(const std::string& cause)
{
    if (stopped_ || !mediaStarted_ || !setup_.chkEncoder)
        return;
    // The encoder has stopped already; its window keeps showing the error.
    mediaStarted_ = false;
    finish();
    PlainMessage("The recording stopped: " + cause + ". Everything recorded until then is kept in "
                 + encoder->TxtOutput() + " and the slide times in " + setup_.txtFile + ".");
}

std::string SlideFlipRecorder::Indicator() const
{
    if (!timingStarted_ || stopped_)
        return {};
    const long elapsed = static_cast<long>(clock() - startTime_) + offset_;
    return std::string(setup_.chkEncoder ? "\u25CF REC " : "\u25CF ") + HmsText(std::max(0L, elapsed)) + "  Slide "
        + Fmt000(slide_);
}

void SlideFlipRecorder::finish()
{
    if (stopped_)
        return;
    delayTimer_.stop();
    playbackTimer_.stop();
    indicatorTimer_.stop();
    if (mediaStarted_) {
        if (setup_.chkEncoder) {
            if (encoder) {
                encoder->stopEncoding();
                mediaStarted_ = false;
            } else {
                PlainMessage("Unable to stop Encoder");
            }
        }
        if (setup_.chkPlayer) {
            if (player) {
                player->stopPlaying();
                mediaStarted_ = false;
            } else {
                PlainMessage("Unable to stop RealPlayer");
            }
        }
    }
    if (timingStarted_) {
        timingStarted_ = false;
        if (WriteTimingEvent())
            ++slide_;
    }
    setup_.txtSlideNum = std::to_string(slide_);
    setup_.txtStartTime = currentEnd_;
    stopped_ = true;
    emit changed();
    emit closeRequested();
}

}  // namespace pellucor

#include "moc_SlideFlipRecorder.cpp"
