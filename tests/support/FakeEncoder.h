// A stand-in for the encoder component: media files "have video" when
// their name is listed in videoFiles; events and saves are recorded.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "capture/EncoderControl.h"

namespace testing_support {

struct FakeEncoderLog {
    std::set<std::string> videoFiles;  // paths that report video
    std::vector<std::string> opened, added, saved;
    int closed = 0;
    int width = 320, height = 240;
};

class FakeEncoder : public EncoderControl {
public:
    explicit FakeEncoder(FakeEncoderLog* log) : log_(log) {}
    void SetInputKind(int) override {}
    void SetInputFilename(const std::string&) override {}
    void SetAudioDriver(int) override {}
    void SetVideoDriver(int) override {}
    void SetAudioOn(bool) override {}
    void SetVideoOn(bool on) override { video_ = on; }
    bool VideoOn() const override { return video_; }
    int VideoDriverCount() const override { return 0; }
    std::vector<std::string> AudioDriverNames() const override { return {}; }
    std::vector<std::string> VideoDriverNames() const override { return {}; }
    void SetVideoOutputWidth(int) override {}
    void SetVideoOutputHeight(int) override {}
    void SetDoOutputFile(bool) override {}
    void SetOutputFilename(const std::string&) override {}
    void SetTarget(Target, bool) override {}
    void SetSetting(int, int) override {}
    bool IsEncoding() const override { return false; }
    bool IsSourceOpen() const override { return false; }
    void StartEncoding() override {}
    void StopEncoding() override {}
    void OpenSource() override {}
    void ShowFormatDialog() override {}
    void ShowSourceDialog() override {}
    void ShowCompressionDialog() override {}
    std::unique_ptr<MediaFileObject> OpenRmFile(const std::string& path, std::string& err) override;

private:
    FakeEncoderLog* log_;
    bool video_ = false;
};

}  // namespace testing_support
