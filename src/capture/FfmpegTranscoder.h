// Transcodes media with FFmpeg's libraries: every audio and video stream of
// the inputs (media files or libavdevice capture sources) is decoded,
// converted and encoded with the codecs asked for, or passed on as it is,
// and muxed into one output file; progress is reported in percent. The
// sound of a file (not of a live capture) is encoded on a thread of its
// own beside the picture.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "capture/MediaInput.h"
#include "core/EncoderControl.h"

namespace pellucor {

struct TranscodeOptions {
    std::string format;      // muxer name; empty: chosen from the output name
    std::string videoCodec;  // encoder name; empty: the muxer's default
    std::string audioCodec;  // encoder name; empty: the muxer's default
    int videoBitRate = 0;    // bits per second; 0: encoder default
    int audioBitRate = 0;
    int width = 0;  // output size; 0: keep the input's
    int height = 0;
    int sampleRate = 0;  // output sound; 0: keep the input's
    int channels = 0;
    bool dropVideo = false;  // audio only
    // Only the main video stream and the main sound stream of each input,
    // not every stream.
    bool mainStreamsOnly = false;
    // Streams passed on as they are, neither decoded nor encoded (a remux).
    bool copyVideo = false;
    bool copyAudio = false;
    std::string pixelFormat;  // of the encoded video; empty: the encoder's first
    // A chain of FFmpeg audio filters run on the sound before it is encoded
    // (such as "loudnorm"); empty: none.
    std::string audioFilter;
    // Options of the video encoder by name (preset, crf, row-mt ...); when
    // any is given they replace the built-in speed settings.
    std::vector<std::pair<std::string, std::string>> videoEncoderOptions;
    // Options of the muxer by name (movflags ...).
    std::vector<std::pair<std::string, std::string>> muxerOptions;
    // Threads of the video encoder and of the decoders; 0: one per core.
    int threads = 0;
    // Written where the container holds chapters.
    std::vector<MediaChapter> chapters;
    // Live capture: the inputs are read no faster than real time, their
    // clocks start together at 0, and no progress is reported (the end is
    // not known). A source that fails or ends by itself ends the recording:
    // the file is finished with what was read and kept, and Finish reports
    // the cause.
    bool live = false;
};

struct TranscodeJob;

class FfmpegTranscoder {
public:
    FfmpegTranscoder();
    ~FfmpegTranscoder();

    // Called with 0, then rising percentages, and 100 once the file is
    // finished (not in live mode). Runs on the thread running Finish.
    std::function<void(int percent)> onProgress;
    // Given a picture of the video being read, at most every
    // previewInterval milliseconds and no wider than previewWidth (scaled
    // down, aspect kept). Runs on the thread running Finish.
    std::function<void(const PreviewFrame& frame)> onPreview;
    int previewInterval = 200;
    // Given the loudest sample of the sound read (0 to 1) about ten times
    // a second. Runs on the thread encoding the sound.
    std::function<void(double peak)> onLevel;
    int previewWidth = 320;

    // Open and Finish of one file. False with err when the input cannot be
    // read, no stream can be encoded, or writing fails; a failed output
    // file is removed.
    bool Run(const std::string& input, const std::string& output, const TranscodeOptions& options, std::string& err);

    // Opens the inputs and creates the output with its header written.
    // False with err when they cannot be opened (nothing is left behind).
    bool Open(const std::vector<MediaInput>& inputs, const std::string& output, const TranscodeOptions& options,
              std::string& err);
    // Reads the opened inputs to their end, or until Stop, and finishes the
    // output file. May run on another thread than Open. False with err when
    // reading or writing fails or the work was cancelled; the output file is
    // then removed, except after a live source failed (KeptOutput).
    bool Finish(std::string& err);
    // The last Finish failed but the output holds everything read before.
    bool KeptOutput() const { return kept_; }

    // The FFmpeg error code of the last failure (-1 when it had none).
    int ErrorCode() const { return code_; }

    // From any thread or a progress callback: ends reading now and finishes
    // the file with what was encoded so far.
    void Stop() { stopped_ = true; }
    // From any thread or a progress callback: abandons the work; the output
    // file is removed.
    void Cancel() { cancelled_ = true; }

private:
    bool failed(std::string& err);

    std::unique_ptr<TranscodeJob> job_;
    std::string output_;
    TranscodeOptions options_;
    int code_ = 0;
    bool kept_ = false;
    std::atomic<bool> stopped_ {false}, cancelled_ {false};
};

}  // namespace pellucor
