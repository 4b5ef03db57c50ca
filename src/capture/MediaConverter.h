// The converter window: encodes an existing media file (a QuickTime .mov,
// or anything FFmpeg reads) into the output file at a chosen bit rate and
// shows the progress.
#pragma once

#include "capture/CaptureWindow.h"
#include "capture/EncoderControl.h"

namespace pellucor {

class FileChooser;

class MediaConverter : public CaptureWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "RealProducer - Offline Encoding";
    static constexpr const char* kInputFilter = "RealMedia Files (*.mov)|*.mov|All Files|*.*";
    static constexpr const char* kOutputFilter = "RealMedia Files (*.rm)|*.rm|All Files|*.*";

    explicit MediaConverter(EncoderControl& encoder, FileChooser* chooser = nullptr, QObject* parent = nullptr);
    ~MediaConverter() override;

    EncoderControl& rpCtl() { return encoder_; }

    void ApplyEncoderSettings();
    void chooseInput();
    void chooseOutput();
    void inputChanged(const std::string& text);
    void outputChanged(const std::string& text);
    void speedChosen(int index);
    void start();
    void cancel();
    // True when the window may close.
    bool done();

    void encodingProgressed(int percent);
    void encodingStarted();
    void encodingStopped();
    void encoderFailed(int code, const std::string& description);

    const std::string& TxtInput() const { return input_; }
    const std::string& TxtOutput() const { return output_; }
    int Speed() const { return speed_; }
    int Progress() const { return progress_; }
    // The last conversion ran to its end (not cancelled, no error).
    bool Completed() const { return completed_; }

private:
    EncoderControl& encoder_;
    FileChooser* chooser_;
    std::string input_, output_;
    int speed_ = 4;
    int progress_ = 0;
    bool failed_ = false;
    bool cancelled_ = false;
    bool completed_ = false;
};

}  // namespace pellucor
