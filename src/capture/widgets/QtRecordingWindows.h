// The windows of the recording flow on Qt Widgets: the encoder set-up and
// player windows with their real components, and the slide-flip recorder
// (PageGIF2 full screen and scaled, PageGIF windowed) run modally.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "capture/DuzoDa.h"
#include "capture/widgets/QtFileChooser.h"

class FfmpegEncoder;
class PageGIFView;
class QtMediaPlayer;
class RealPlayView;
class RealRecordView;
class QWidget;

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

    RealRecord* LoadEncoder(std::string& err) override;
    void ShowEncoderModal() override;
    RealPlay* LoadPlayer(std::string& err) override;
    void ShowPlayer() override;
    void RunRecorder(bool maximized, RecordingFields& fields) override;
    void UnloadEncoder() override;
    void UnloadPlayer() override;

    // The open windows; null when not loaded.
    RealRecordView* EncoderView() const { return recordView_.get(); }
    RealPlayView* PlayerView() const { return playView_.get(); }
    PageGIFView* RecorderView() const { return recorderView_; }

private:
    QWidget* parent_;
    QtFileChooser chooser_;
    std::unique_ptr<FfmpegEncoder> encoder_;
    std::unique_ptr<RealRecord> record_;
    std::unique_ptr<RealRecordView> recordView_;
    std::unique_ptr<RealPlayView> playView_;  // holds the player's picture
    std::unique_ptr<QtMediaPlayer> player_;
    std::unique_ptr<RealPlay> play_;
    PageGIFView* recorderView_ = nullptr;
};
