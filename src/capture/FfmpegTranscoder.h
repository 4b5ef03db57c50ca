// Transcodes one media file into another with FFmpeg's libraries: every
// audio and video stream of the input is decoded, converted and encoded
// with the codecs asked for, and progress is reported in percent.
#pragma once

#include <atomic>
#include <functional>
#include <string>

struct TranscodeOptions {
    std::string format;      // muxer name; empty: chosen from the output name
    std::string videoCodec;  // encoder name; empty: the muxer's default
    std::string audioCodec;  // encoder name; empty: the muxer's default
    int videoBitRate = 0;    // bits per second; 0: encoder default
    int audioBitRate = 0;
    int width = 0;           // output size; 0: keep the input's
    int height = 0;
    bool dropVideo = false;  // audio only
};

class FfmpegTranscoder {
public:
    std::function<void(int percent)> onProgress;

    // False with err when the input cannot be read, no stream can be
    // encoded, or writing fails; a failed output file is removed.
    bool Run(const std::string& input, const std::string& output, const TranscodeOptions& options, std::string& err);

    // Stops a running transcode from another thread or a progress callback.
    void Cancel() { cancelled_ = true; }

private:
    std::atomic<bool> cancelled_{false};
};
