// A media file read through FFmpeg's libavformat.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/MediaFile.h"

struct AVFormatContext;

namespace pellucor {
class FfmpegTranscoder;
struct BrowserCopyPlan;
struct TranscodeOptions;
}

namespace pellucor {

class FfmpegMediaFile : public MediaFileObject {
public:
    // Opens and probes path; nullptr with err when it is not readable media.
    static std::unique_ptr<FfmpegMediaFile> Open(const std::string& path, std::string& err);
    ~FfmpegMediaFile() override;

    bool HasVideo() override;
    bool HasAudio() override;
    int VideoHeight() override;
    int VideoWidth() override;
    double Duration() override { return DurationSeconds(); }
    bool CopyIsEncoded() override;
    bool AddEvents(const std::string& ratPath, std::string& err) override;
    bool Save(const std::string& outPath, std::string& err) override;
    bool SaveBrowserCopy(const std::string& outBase, std::string& err) override;
    void Close() override;
    void Cancel() override;

    // One slide event of a ".rat" file: seconds and the slide address.
    struct Event {
        double start = 0, end = 0;
        std::string target;
    };
    const std::vector<Event>& Events() const { return events_; }

    const std::string& Path() const { return path_; }
    double DurationSeconds() const;

private:
    bool saveCutCopy(const std::string& outBase, const BrowserCopyPlan& plan, std::string& err);
    bool transcode(const std::string& output, const TranscodeOptions& options,
                   const std::function<void(int)>& progress, std::string& err);
    FfmpegMediaFile() = default;
    int videoStream() const;

    std::string path_;
    std::vector<Event> events_;
    AVFormatContext* ctx_ = nullptr;
    // A Cancel reaches the encoding under way through saving_.
    std::mutex cancelMutex_;
    bool cancelled_ = false;
    std::atomic<bool> cutCancelled_ {false};
    FfmpegTranscoder* saving_ = nullptr;
};

// Keeps FFmpeg's log to errors only.
void FfmpegQuietLogs();
// While one lives, FFmpeg logs nothing from this thread: for checks whose
// failures are reported by their result.
struct FfmpegSilence {
    FfmpegSilence();
    ~FfmpegSilence();
    FfmpegSilence(const FfmpegSilence&) = delete;
    FfmpegSilence& operator=(const FfmpegSilence&) = delete;
};

// Human-readable text of an FFmpeg error code.
std::string FfmpegErrorText(int code);

}  // namespace pellucor
