// The media player window: opens a clip paused, plays, pauses and stops it,
// and shows the position once a second. The recorder drives it through
// startPlaying, stopPlaying and the control's play state.
#pragma once

#include <QTimer>

#include <functional>

#include "capture/CaptureWindow.h"
#include "core/PlayerControl.h"

namespace pellucor {

class FileChooser;

class PlayerWindow : public CaptureWindow {
    Q_OBJECT
public:
    static constexpr const char* kFilter = "RealMedia Files (*.rm)|*.rm|All Files|*.*";

    explicit PlayerWindow(PlayerControl& control, FileChooser* chooser = nullptr, QObject* parent = nullptr);
    ~PlayerWindow() override;

    PlayerControl& RealAudio1() { return control_; }

    bool SetSource(const std::string& path);
    bool startPlaying();
    bool stopPlaying();
    bool pausePlaying();
    // Plays path from ms on (opening it first when another clip is open).
    // skip, when given, says where playing goes on from a position (past a
    // cut of the recording); it is asked while the clip plays.
    bool PlayFrom(const std::string& path, long ms, std::function<long(long ms)> skip = {});
    // Moves the playing clip on where skip says (a timer runs it).
    void skipAhead();
    void Helper();

    void play();
    void stop() { stopPlaying(); }
    void chooseInput();
    void done();
    void clipOpened();
    void clipClosed();
    void showPosition();

    const std::string& TxtInput() const { return input_; }
    const std::string& PlayCaption() const { return playCaption_; }
    bool PlayEnabled() const { return playEnabled_; }
    bool StopEnabled() const { return stopEnabled_; }
    bool HelperMode() const { return helper_; }
    QTimer& positionTimer() { return positionTimer_; }

signals:
    // A clip with a picture was opened: the view sizes the picture to it.
    void videoSized(int width, int height);

private:
    PlayerControl& control_;
    FileChooser* chooser_;
    QTimer positionTimer_;
    QTimer skipTimer_;
    std::function<long(long)> skip_;
    std::string input_;
    std::string playCaption_ = "Play";
    bool playEnabled_ = false;
    bool stopEnabled_ = false;
    bool helper_ = false;
    bool pauseAfterOpen_ = true;
    long startAt_ = -1;  // where to play from once the clip is open
};

}  // namespace pellucor
