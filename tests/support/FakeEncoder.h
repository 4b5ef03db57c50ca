// Stand-ins for the encoder component (capture and conversion) and for the
// media opener lecture loading uses: media files "have video" when their
// name is listed in videoFiles; openings and closings are counted.
#pragma once

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "capture/EncoderControl.h"
#include "core/MediaFile.h"

namespace pellucor::testing_support {

struct FakeEncoderLog {
    std::set<std::string> videoFiles;  // paths that report video
    std::vector<std::string> opened;
    int closed = 0;
};

class FakeEncoder : public EncoderControl {
public:
    void SetInputKind(int kind) override { inputKind = kind; }
    void SetInputFilename(const std::string&) override { }
    void SetAudioDriver(int) override { }
    void SetVideoDriver(int) override { }
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
    void StopEncoding() override { encoding = sourceOpen = false; }
    void OpenSource() override { sourceOpen = true; }
    void ShowFormatDialog() override { }
    void ShowSourceDialog() override { }
    void ShowCompressionDialog() override { }

    // What the program set and did, and how the fake behaves.
    int inputKind = -1, starts = 0;
    std::string outputFile, startError;
    bool targets[6] = {};
    bool encoding = false, sourceOpen = false;
    std::vector<std::string> audioDrivers, videoDrivers;

private:
    bool video_ = false;
};

// A media file whose video comes from the log and whose saves write a
// small file.
class FakeMediaFile : public MediaFileObject {
public:
    FakeMediaFile(FakeEncoderLog* log, std::string path) : log_(log), path_(std::move(path)) { }
    bool HasVideo() override { return log_->videoFiles.count(path_) > 0; }
    int VideoHeight() override { return HasVideo() ? 240 : 0; }
    int VideoWidth() override { return HasVideo() ? 320 : 0; }
    bool AddEvents(const std::string&, std::string&) override { return true; }
    bool Save(const std::string& outPath, std::string&) override
    {
        return static_cast<bool>(std::ofstream(outPath, std::ios::binary) << "media");
    }
    void Close() override { ++log_->closed; }

private:
    FakeEncoderLog* log_;
    std::string path_;
};

class FakeMediaOpener : public MediaOpener {
public:
    explicit FakeMediaOpener(FakeEncoderLog* log) : log_(log) { }
    std::unique_ptr<MediaFileObject> OpenMedia(const std::string& path, std::string& err) override
    {
        log_->opened.push_back(path);
        if (std::ifstream(path))
            return std::make_unique<FakeMediaFile>(log_, path);
        err = "cannot open " + path;
        return nullptr;
    }
    // A written file plays when it is there and not empty.
    bool CheckPlayable(const std::string& path, std::string& err) override
    {
        if (std::ifstream in(path, std::ios::binary | std::ios::ate); in && in.tellg() > 0)
            return true;
        err = path + " is empty";
        return false;
    }

private:
    FakeEncoderLog* log_;
};

}  // namespace pellucor::testing_support
