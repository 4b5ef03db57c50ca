// The encoder component on FFmpeg.
#pragma once

#include <string>

#include "capture/EncoderControl.h"

class FfmpegEncoder : public EncoderControl {
public:
    void SetInputKind(int kind) override { inputKind_ = kind; }
    void SetInputFilename(const std::string& path) override { inputFile_ = path; }
    void SetAudioDriver(int index) override { audioDriver_ = index; }
    void SetVideoDriver(int index) override { videoDriver_ = index; }
    void SetAudioOn(bool on) override { audioOn_ = on; }
    void SetVideoOn(bool on) override { videoOn_ = on; }
    bool VideoOn() const override { return videoOn_; }
    int VideoDriverCount() const override { return static_cast<int>(VideoDriverNames().size()); }
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
    void ShowFormatDialog() override {}
    void ShowSourceDialog() override {}
    void ShowCompressionDialog() override {}

    std::unique_ptr<MediaFileObject> OpenRmFile(const std::string& path, std::string& err) override;

protected:
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
};
