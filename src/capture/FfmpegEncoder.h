// The encoder component on FFmpeg: live capture from libavdevice sources
// (ALSA/PulseAudio sound, V4L2 pictures at 160x120) and conversion of an
// existing media file, both encoded by an ffmpeg process that reports its
// progress; the calling thread never blocks except while a stop waits for
// the output to be finished.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/EncoderControl.h"
#include "capture/FfmpegDevices.h"

class QProcess;

// Audio and video bit rates (kbit/s) of a target audience.
struct TargetBitRates {
    int video;
    int audio;
};
TargetBitRates BitRatesFor(EncoderControl::Target target);

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
    int VideoDriverCount() const override { return static_cast<int>(videoDevices_.size()); }
    std::vector<std::string> AudioDriverNames() const override;
    std::vector<std::string> VideoDriverNames() const override;
    void SetVideoOutputWidth(int w) override { outWidth_ = w; }
    void SetVideoOutputHeight(int h) override { outHeight_ = h; }
    void SetDoOutputFile(bool on) override { doOutputFile_ = on; }
    void SetOutputFilename(const std::string& path) override { outputFile_ = path; }
    void SetTarget(Target target, bool on) override { targets_[target] = on; }
    void SetSetting(int, int) override {}

    bool IsEncoding() const override { return encoding_; }
    bool IsSourceOpen() const override { return sourceOpen_; }
    void StartEncoding() override;
    void StopEncoding() override;
    void OpenSource() override;
    void ShowFormatDialog() override;
    void ShowSourceDialog() override;
    void ShowCompressionDialog() override;

    std::unique_ptr<MediaFileObject> OpenRmFile(const std::string& path, std::string& err) override;

    // The device lists (found at construction; replaceable, e.g. by lavfi
    // sources on a machine without devices).
    void SetDevices(std::vector<CaptureDevice> audio, std::vector<CaptureDevice> video);
    // The encoder program (default "ffmpeg" from the PATH).
    void SetProgram(const std::string& program) { program_ = program; }
    // Device dialogs shown by the window toolkit; each gets the chosen
    // device. Without one the dialog does nothing.
    std::function<void(const CaptureDevice&)> formatDialog, sourceDialog, compressionDialog;

    // The ffmpeg arguments of the current settings; false with err when they
    // are incomplete.
    bool Arguments(std::vector<std::string>& args, std::string& err) const;

private:
    void error(int code, const std::string& text);
    void readProgress();
    void finished(int exitCode, bool crashed);
    const CaptureDevice* audioDevice() const;
    const CaptureDevice* videoDevice() const;

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
    bool stopping_ = false;
    std::vector<CaptureDevice> audioDevices_, videoDevices_;
    std::string program_ = "ffmpeg";
    std::unique_ptr<QProcess> process_;
    std::string progressBuffer_;
    double inputSeconds_ = 0.0;
    int lastPercent_ = -1;
};
