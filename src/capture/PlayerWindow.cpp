#include "capture/PlayerWindow.h"

#include "core/FileChooser.h"
#include "core/TavUtils.h"
#include "media/MediaFilters.h"

namespace pellucor {

namespace {
std::string msText(long ms) { return Tav_TicksToTime(static_cast<int64_t>(ms) * 60 / 1000); }
}  // namespace

PlayerWindow::PlayerWindow(PlayerControl& control, FileChooser* chooser, QObject* parent)
    : CaptureWindow(parent), control_(control), chooser_(chooser)
{
    positionTimer_.setInterval(1000);
    connect(&positionTimer_, &QTimer::timeout, this, &PlayerWindow::showPosition);
    // Often enough that hardly anything of a cut is heard.
    skipTimer_.setInterval(50);
    connect(&skipTimer_, &QTimer::timeout, this, &PlayerWindow::skipAhead);
    control_.OnClipOpened = [this] { clipOpened(); };
    control_.OnClipClosed = [this] { clipClosed(); };
}

PlayerWindow::~PlayerWindow()
{
    control_.OnClipOpened = nullptr;
    control_.OnClipClosed = nullptr;
}

bool PlayerWindow::SetSource(const std::string& path)
{
    if (control_.CanStop())
        stopPlaying();
    if (!Tav_ChkFile(path)) {
        PlainMessage("RealPlay Module - File does not exist " + path);
        return false;
    }
    input_ = path;
    skip_ = nullptr;
    skipTimer_.stop();
    pauseAfterOpen_ = true;
    control_.SetSource("file:\\\\\\" + path);
    stopEnabled_ = true;
    playCaption_ = "Play";
    emit changed();
    control_.Play();  // opens the clip; it is paused again once open
    return true;
}

bool PlayerWindow::startPlaying()
{
    if (!control_.CanPlay()) {
        SetStatus("Cannot Play");
        return false;
    }
    control_.Play();
    SetStatus("Playing", kColourGreen);
    positionTimer_.start();
    return true;
}

bool PlayerWindow::stopPlaying()
{
    bool ok = false;
    if (control_.CanStop()) {
        control_.Stop();
        ok = true;
    } else {
        SetStatus("Cannot Play");
    }
    positionTimer_.stop();
    playCaption_ = "Play";
    emit changed();
    return ok;
}

bool PlayerWindow::pausePlaying()
{
    if (!control_.CanPause()) {
        SetStatus("Cannot Pause");
        return false;
    }
    control_.Pause();
    return true;
}

bool PlayerWindow::PlayFrom(const std::string& path, long ms, std::function<long(long)> skip)
{
    const bool opening = path != input_ || !playEnabled_;
    if (opening && !SetSource(path))
        return false;
    skip_ = std::move(skip);
    if (skip_)
        skipTimer_.start();
    else
        skipTimer_.stop();
    if (opening) {
        startAt_ = ms;
        return true;
    }
    control_.SetPosition(ms);
    if (control_.PlayState() != PlayerControl::Playing && startPlaying())
        playCaption_ = "Pause";
    emit changed();
    return true;
}

void PlayerWindow::skipAhead()
{
    if (!skip_ || control_.PlayState() != PlayerControl::Playing)
        return;
    const long at = control_.Position(), to = skip_(at);
    if (to > at)
        control_.SetPosition(to);
}

void PlayerWindow::Helper()
{
    helper_ = true;
    emit changed();
}

void PlayerWindow::play()
{
    if (playCaption_ == "Play")
        playCaption_ = startPlaying() ? "Pause" : "Play";
    else
        playCaption_ = pausePlaying() ? "Play" : "Pause";
    emit changed();
}

void PlayerWindow::chooseInput()
{
    if (control_.PlayState() == PlayerControl::Playing)
        stopPlaying();
    if (!chooser_)
        return;
    const std::string name = chooser_->OpenFileName(std::string(), WithMediaFilter(kFilter));
    if (!name.empty() && !SetSource(name))
        PlainMessage("Unable to set source to " + name);
}

void PlayerWindow::done()
{
    if (control_.CanStop())
        stopPlaying();
    emit closeRequested();
}

void PlayerWindow::clipOpened()
{
    if (startAt_ >= 0) {
        // Opened to be played from a point: no pause.
        pauseAfterOpen_ = false;
        control_.SetPosition(startAt_);
        startAt_ = -1;
        playCaption_ = "Pause";
    } else if (pauseAfterOpen_) {
        pauseAfterOpen_ = false;
        if (!pausePlaying())
            SetStatus("Unable to Pause media after initial open");
    }
    playEnabled_ = true;
    stopEnabled_ = true;
    positionTimer_.start();
    const std::string length = std::to_string(control_.Length());
    if (control_.ClipWidth() == 0) {
        SetStatus("Audio-Only Length=" + length);
    } else {
        SetStatus("Size=" + std::to_string(control_.ClipWidth()) + "X" + std::to_string(control_.ClipHeight())
                  + " Length=" + length);
        emit videoSized(control_.ClipWidth(), control_.ClipHeight());
    }
}

void PlayerWindow::clipClosed() { SetStatus("Clip Stopped"); }

void PlayerWindow::showPosition()
{
    const std::string times = msText(control_.Position()) + "/" + msText(control_.Length());
    switch (control_.PlayState()) {
    case PlayerControl::Playing: SetStatus("Playing " + times, kColourGreen); break;
    case PlayerControl::Paused: SetStatus("Paused " + times); break;
    default:
        positionTimer_.stop();
        SetStatus("Play Complete");
        break;
    }
}

}  // namespace pellucor

#include "moc_PlayerWindow.cpp"
