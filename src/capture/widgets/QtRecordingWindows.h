// The windows of the recording flow on Qt Widgets: the encoder set-up and
// player windows with their real components, and the slide-flip recorder
// (SlideFlipRecorderScaled full screen and scaled, SlideFlipRecorder windowed) run modally.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "capture/RecordingSetup.h"
#include "capture/widgets/QtFileChooser.h"

class QWidget;

namespace pellucor {

class FfmpegEncoder;
class PreferenceStore;
class SlideFlipRecorderView;
class QtMediaPlayer;
class PlayerWindowView;
class EncoderSetupView;

class QtRecordingWindows : public RecordingWindows {
public:
    explicit QtRecordingWindows(QWidget* parent = nullptr);
    ~QtRecordingWindows() override;

    // Image file name of a slide number and the slide directory, as the
    // main window knows them (handed to the recorder).
    std::function<std::string(int)> imageName;
    std::function<std::string()> lectureDir;
    // Called on each new encoder before its window opens (e.g. to choose
    // its devices).
    std::function<void(FfmpegEncoder&)> prepareEncoder;
    // Where the encoder set-up keeps the devices last chosen (none: not kept).
    PreferenceStore* deviceMemory = nullptr;

    EncoderSetup* LoadMediaOpener(std::string& err) override;
    void ShowEncoderModal() override;
    PlayerWindow* LoadPlayer(std::string& err) override;
    void ShowPlayer() override;
    void RunRecorder(bool maximized, RecordingFields& fields) override;
    void UnloadEncoder() override;
    void UnloadPlayer() override;

    // The open windows; null when not loaded.
    EncoderSetupView* EncoderView() const { return recordView_.get(); }
    PlayerWindowView* PlayerView() const { return playView_.get(); }
    PlayerWindow* Player() const { return play_.get(); }
    SlideFlipRecorderView* RecorderView() const { return recorderView_; }

private:
    QWidget* parent_;
    QtFileChooser chooser_;
    std::unique_ptr<FfmpegEncoder> encoder_;
    std::unique_ptr<EncoderSetup> record_;
    std::unique_ptr<EncoderSetupView> recordView_;
    std::unique_ptr<PlayerWindowView> playView_;  // holds the player's picture
    std::unique_ptr<QtMediaPlayer> player_;
    std::unique_ptr<PlayerWindow> play_;
    SlideFlipRecorderView* recorderView_ = nullptr;
};

}  // namespace pellucor
