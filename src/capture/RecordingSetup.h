// The recording set-up window: events file, media file, parts, media
// control, slide display style, starting slide, start time and delay; its
// "Next >>" prepares the encoder and/or player and runs the recorder.
#pragma once

#include <functional>

#include "capture/CaptureWindow.h"
#include "capture/RecordingFields.h"

namespace pellucor {

class PlayerWindow;
class EncoderSetup;

// The other windows of the recording flow, created and shown by the
// toolkit (or by a test).
class RecordingWindows {
public:
    virtual ~RecordingWindows() = default;
    // Loads the encoder set-up window; null with err when it cannot.
    virtual EncoderSetup* LoadMediaOpener(std::string& err) = 0;
    // Shows the loaded encoder set-up window modally.
    virtual void ShowEncoderModal() = 0;
    virtual PlayerWindow* LoadPlayer(std::string& err) = 0;
    virtual void ShowPlayer() = 0;
    // Runs the recorder (SlideFlipRecorderScaled when maximized) modally on these fields.
    virtual void RunRecorder(bool maximized, RecordingFields& fields) = 0;
    virtual void UnloadEncoder() = 0;
    virtual void UnloadPlayer() = 0;
};

class RecordingSetup : public CaptureWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Pellucor DuzoDA!";

    explicit RecordingSetup(RecordingWindows* windows = nullptr, QObject* parent = nullptr);

    // The detailed publish form's lecture directory (ends in "/") and name.
    std::function<std::string()> lectureDir;
    std::function<std::string()> lectureName;

    RecordingFields& Fields() { return fields_; }

    void load();
    void activate() { multiPartChanged(chkMulti_); }
    void multiPartChanged(bool on);
    void partChanged(const std::string& text);
    void fileChanged(const std::string& text);
    void mediaChanged(const std::string& text);
    enum MediaControl { NoMedia, RecordMedia, PlayMedia };
    void SetMediaControl(MediaControl which);
    enum DisplayStyle { MaximizedGIFs, SmallGIFs, NoSlides };
    void SetDisplayStyle(DisplayStyle which);
    void reset();
    void deleteMedia();
    void done() { emit closeRequested(); }
    bool setUpEncoder();
    bool setUpPlayer();
    void startRecording();
    void ShowFileStatus();

    bool ChkMulti() const { return chkMulti_; }
    const std::string& TxtPart() const { return part_; }
    bool PartVisible() const { return chkMulti_; }
    uint32_t TxtFileColour() const { return fileColour_; }
    uint32_t TxtMediaColour() const { return mediaColour_; }

signals:
    // The window should hide (false) or come back (true).
    void visibilityRequested(bool visible);

private:
    std::string dir() const { return lectureDir ? lectureDir() : std::string(); }

    RecordingWindows* windows_;
    RecordingFields fields_;
    bool chkMulti_ = false;
    std::string part_ = "1";
    uint32_t fileColour_ = kColourWhite, mediaColour_ = kColourWhite;
};

}  // namespace pellucor
