// The encoder component on FFmpeg's libraries: live capture from
// libavdevice sources (ALSA/PulseAudio sound, V4L2 pictures at 160x120) and
// conversion of an existing media file, both through FfmpegTranscoder on a
// worker thread. Once the devices are set up, the camera's pictures are
// shown as a live preview until, and while, the recording runs. Events reach the owner on the thread that created the
// encoder (through its Qt event loop); the calling thread never blocks
// except while a stop waits for the output to be finished.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/EncoderControl.h"
#include "media/FfmpegDevices.h"
#include "media/FfmpegTranscoder.h"

class QObject;

namespace pellucor {

// Audio and video bit rates (kbit/s) of a target audience.
struct TargetBitRates {
    int video;
    int audio;
};
TargetBitRates BitRatesFor(EncoderControl::Target target);

// What one encoding reads and how it writes.
struct EncodingPlan {
    std::vector<MediaInput> inputs;
    TranscodeOptions options;
};

class FfmpegEncoder : public EncoderControl {
public:
    FfmpegEncoder();
    ~FfmpegEncoder() override;

    void SetInputKind(int kind) override { inputKind_ = kind; }
    void SetInputFilename(const std::string& path) override { inputFile_ = path; }
    void SetAudioDriver(int index) override { audioDriver_ = index; }
    void SetVideoDriver(int index) override { videoDriver_ = index; }
    void SetAudioOn(bool on) override { audioOn_ = on; }
    void SetVideoOn(bool on) override { videoOn_ = on; }
    bool VideoOn() const override { return videoOn_; }
    int VideoDriverCount() const override { return static_cast<int>(videoDevices().size()); }
    std::vector<std::string> AudioDriverNames() const override;
    std::vector<std::string> VideoDriverNames() const override;
    void SetVideoOutputWidth(int w) override { outWidth_ = w; }
    void SetVideoOutputHeight(int h) override { outHeight_ = h; }
    void SetDoOutputFile(bool on) override { doOutputFile_ = on; }
    void SetOutputFilename(const std::string& path) override { outputFile_ = path; }
    void SetTarget(Target target, bool on) override { targets_[target] = on; }

    bool IsEncoding() const override { return encoding_; }
    bool IsSourceOpen() const override { return sourceOpen_; }
    void StartEncoding() override;
    void StopEncoding() override;
    void OpenSource() override;
    void ShowFormatDialog() override;
    void ShowSourceDialog() override;
    void ShowCompressionDialog() override;
    int VideoWindowWidth() const override { return previewWidth_; }
    int VideoWindowHeight() const override { return previewHeight_; }

    // The device lists (found when first asked for; replaceable, e.g. by
    // lavfi sources on a machine without devices).
    void SetDevices(std::vector<CaptureDevice> audio, std::vector<CaptureDevice> video);
    // Device dialogs shown by the window toolkit; each gets the chosen
    // encoder, whose choices (below) it may change. Without one the dialog
    // does nothing. A dialog reports a failure by returning its text (empty:
    // done, or cancelled by the user).
    std::function<std::string(FfmpegEncoder&)> formatDialog, sourceDialog, compressionDialog;

    // The chosen devices (null when none).
    const CaptureDevice* AudioDevice() const;
    const CaptureDevice* VideoDevice() const;
    // The choices of the three dialogs; they reach the devices and the
    // encoding from the next set-up or recording on.
    const CaptureFormat& Format() const { return format_; }
    void SetFormat(const CaptureFormat& format) { format_ = format; }
    int SourceInput() const { return sourceInput_; }
    void SetSourceInput(int input) { sourceInput_ = input; }
    const CompressionChoice& Compression() const { return compression_; }
    void SetCompression(const CompressionChoice& choice) { compression_ = choice; }
    const std::string& OutputFilename() const { return outputFile_; }
    // Whether the live preview is running (between set-up and recording).
    bool Previewing() const { return previewWorker_.joinable(); }

    // The inputs and options of the current settings; false with err when
    // they are incomplete.
    bool Plan(EncodingPlan& plan, std::string& err) const;

private:
    void error(int code, const std::string& text);
    void progress(unsigned run, int percent);
    void complete(unsigned run);
    void dialog(const std::function<std::string(FfmpegEncoder&)>& show);
    const std::vector<CaptureDevice>& audioDevices() const;
    const std::vector<CaptureDevice>& videoDevices() const;
    CaptureFormat videoFormat() const;
    void startPreview();
    void stopPreview();
    // Called on the owner's thread with each preview picture.
    void showPreview(const PreviewFrame& frame);
    // A transcoder whose pictures reach the preview.
    std::unique_ptr<FfmpegTranscoder> newTranscoder();

    int inputKind_ = InputFile;
    std::string inputFile_;
    int audioDriver_ = 0;
    int videoDriver_ = 0;
    bool audioOn_ = true;
    bool videoOn_ = false;
    int outWidth_ = 160;
    int outHeight_ = 120;
    bool doOutputFile_ = true;
    std::string outputFile_;
    bool targets_[6] = {};
    bool encoding_ = false;
    bool sourceOpen_ = false;
    mutable bool devicesListed_ = false;
    mutable std::vector<CaptureDevice> audioDevices_, videoDevices_;
    CaptureFormat format_;
    int sourceInput_ = -1;
    CompressionChoice compression_;
    int previewWidth_ = 0, previewHeight_ = 0;

    // The running encoding: its transcoder works on worker_; run_ numbers
    // the encodings so that late events of a finished one are dropped.
    std::unique_ptr<QObject> owner_;
    std::unique_ptr<FfmpegTranscoder> transcoder_;
    std::thread worker_;
    unsigned run_ = 0;
    bool resultOk_ = false;
    std::string resultError_;
    int resultCode_ = 0;
    // The preview between set-up and recording: the camera alone, read
    // live and thrown away after each picture is shown.
    std::unique_ptr<FfmpegTranscoder> preview_;
    std::thread previewWorker_;
};

}  // namespace pellucor
