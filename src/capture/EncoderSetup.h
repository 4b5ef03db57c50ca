// The encoder set-up window: chooses capture devices, bit rate and output
// file, opens the devices, and starts and stops live encoding. The
// recording set-up shows it before a recording; the recorder calls
// startEncoding and stopEncoding.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "capture/CaptureWindow.h"
#include "capture/EncoderControl.h"

namespace pellucor {

class FileChooser;
class PreferenceStore;

// The six bit-rate items, index 0 to 5, in target order.
const std::vector<std::string>& BitRateItems();

class EncoderSetup : public CaptureWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "RealProducer - Live Media Capture";
    static constexpr const char* kFilter = "RealMedia Files (*.rm)|*.rm|All Files|*.*";
    static constexpr const char* kNoMicrophone = "No microphone was found: connect one, then press Setup";

    explicit EncoderSetup(EncoderControl& encoder, FileChooser* chooser = nullptr, QObject* parent = nullptr);
    ~EncoderSetup() override;

    EncoderControl& rpCtl() { return encoder_; }

    void load();
    // Keeps the device choices in store: the devices chosen last time are
    // chosen again now (when still present), and each new choice is kept.
    void RememberDevicesIn(PreferenceStore* store);
    bool startEncoding();
    void stopEncoding();
    // Whether it records now, and since when on clock (whichever button
    // started it): the recording's own clock starts there.
    bool Encoding() const { return encoder_.IsEncoding(); }
    int64_t EncodingSince() const { return encodingSince_; }
    // The machine's clock in whole seconds (replaceable for tests).
    std::function<int64_t()> clock;
    void DoVideo(const std::string& path);
    void DoAudio(const std::string& path);
    void Helper(bool wizard);
    void ApplyEncoderSettings();
    void UpdateButtons();

    void start();
    void stop();
    void setUp();
    void chooseFormat();
    void chooseSource();
    void chooseCompression();
    void selectDevices();
    void cancel();
    void done();
    void outputChanged(const std::string& text);
    void audioDeviceChosen(int index);
    void videoDeviceChosen(int index);
    void speedChosen(int index) { speed_ = index; }
    void videoChanged(bool on);

    const std::vector<std::string>& LstAudio() const { return audio_; }
    const std::vector<std::string>& LstVideo() const { return video_; }
    int Speed() const { return speed_; }
    int VideoIndex() const { return videoIndex_; }
    int AudioIndex() const { return audioIndex_; }
    bool ChkVideo() const { return chkVideo_; }
    bool ChkVideoEnabled() const { return chkVideoEnabled_; }
    const std::string& TxtOutput() const { return output_; }
    bool Wizard() const { return wizard_; }
    const char* DoneCaption() const { return wizard_ ? "Next >>" : "Done"; }
    // Button states after UpdateButtons.
    bool RecordEnabled() const { return recordEnabled_; }
    bool StopEnabled() const { return stopEnabled_; }
    bool DialogsEnabled() const { return dialogsEnabled_; }
    bool DialogsVisible() const { return dialogsVisible_; }
    // The sound level of the open audio device, 0 (-60 dB or less) to 100
    // (full scale).
    int SoundLevel() const { return level_; }

signals:
    // The encoder's preview size changed to width x height.
    void videoWindowSized(int width, int height);
    // A picture of the video being captured.
    void previewFrame(const pellucor::PreviewFrame& frame);
    // The encoder reported an error (while recording: the recording ended,
    // and what was recorded before is kept).
    void encoderFailed(const std::string& cause);
    // The sound level changed (a few times a second while the audio device is open).
    void soundLevelChanged(int level);

private:
    void deviceDialog(void (EncoderControl::*dialog)(), const std::string& busy, const std::string& done,
                      const std::string& failed);
    void stopIfBusy();

    EncoderControl& encoder_;
    FileChooser* chooser_;
    std::vector<std::string> audio_, video_;
    int speed_ = 0;
    int videoIndex_ = -1;
    int audioIndex_ = 0;
    bool chkVideo_ = false;
    bool chkVideoEnabled_ = false;
    std::string output_;
    bool wizard_ = false;
    bool recordEnabled_ = false, stopEnabled_ = false, dialogsEnabled_ = false, dialogsVisible_ = false;
    std::string lastError_;
    PreferenceStore* memory_ = nullptr;
    int level_ = 0;
    int64_t encodingSince_ = 0;
    // Why Setup does not open the devices: the remembered microphone is
    // not there ("" when it is, or the lecturer chose another).
    std::string missingMicrophone_;
};

}  // namespace pellucor
