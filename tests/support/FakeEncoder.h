// A stand-in for the encoder component: media files "have video" when
// their name is listed in videoFiles; events and saves are recorded.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "core/EncoderControl.h"

namespace pellucor {

namespace testing_support {

struct FakeEncoderLog {
    std::set<std::string> videoFiles;  // paths that report video
    std::vector<std::string> opened, added, saved;
    int closed = 0;
    int width = 320, height = 240;
};

class FakeEncoder : public EncoderControl {
public:
    explicit FakeEncoder(FakeEncoderLog* log) : log_(log) { }
    void SetInputKind(int kind) override { inputKind = kind; }
    void SetInputFilename(const std::string& path) override { inputFile = path; }
    void SetAudioDriver(int index) override { audioDriver = index; }
    void SetVideoDriver(int index) override { videoDriver = index; }
    void SetAudioOn(bool) override { }
    void SetVideoOn(bool on) override { video_ = on; }
    bool VideoOn() const override { return video_; }
    int VideoDriverCount() const override { return static_cast<int>(videoDrivers.size()); }
    std::vector<std::string> AudioDriverNames() const override { return audioDrivers; }
    std::vector<std::string> VideoDriverNames() const override { return videoDrivers; }
    void SetVideoOutputWidth(int) override { }
    void SetVideoOutputHeight(int) override { }
    void SetDoOutputFile(bool) override { }
    void SetOutputFilename(const std::string& path) override { outputFile = path; }
    void SetTarget(Target t, bool on) override { targets[t] = on; }
    void SetSetting(int, int) override { }
    bool IsEncoding() const override { return encoding; }
    bool IsSourceOpen() const override { return sourceOpen; }
    void StartEncoding() override
    {
        ++starts;
        if (startError.empty())
            encoding = true;
        else if (events.OnErrorOccurred)
            events.OnErrorOccurred(-5, startError);
    }
    void StopEncoding() override
    {
        ++stops;
        encoding = sourceOpen = false;
    }
    void OpenSource() override { sourceOpen = openable; }
    void ShowFormatDialog() override { }
    void ShowSourceDialog() override { }
    void ShowCompressionDialog() override { }

    // What the program set and did, and how the fake behaves.
    int inputKind = -1, audioDriver = -1, videoDriver = -1, starts = 0, stops = 0;
    std::string inputFile, outputFile, startError;
    bool targets[6] = {};
    bool encoding = false, sourceOpen = false, openable = true;
    std::vector<std::string> audioDrivers, videoDrivers;

    std::unique_ptr<MediaFileObject> OpenRmFile(const std::string& path, std::string& err) override;
    // A written file plays when it is there and not empty.
    bool CheckPlayable(const std::string& path, std::string& err) override;

private:
    FakeEncoderLog* log_;
    bool video_ = false;
};

}  // namespace testing_support

}  // namespace pellucor
