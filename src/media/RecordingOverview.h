// What a timeline shows of a recording, read once with FFmpeg: the sound
// as the loudest level of each short step (a waveform) and, for video, a
// filmstrip of small pictures taken from the keyframes at even spacing.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pellucor {

struct RecordingOverview {
    double duration = 0;         // seconds
    double peakStep = 0.02;      // seconds each peak stands for
    std::vector<uint8_t> peaks;  // 0 silent .. 255 full scale; empty without sound

    struct Frame {
        double time = 0;  // seconds from the start
        int width = 0, height = 0;
        std::vector<uint8_t> rgb;  // width * height * 3 bytes
    };
    std::vector<Frame> frames;  // in time order; empty without a picture

    // The loudest peak between two times (0 outside the recording).
    uint8_t PeakBetween(double from, double to) const;
};

// Reads path's overview: thumbnails thumbHeight pixels high, at most
// maxFrames of them. progress gets the fraction read so far (0..1) and
// answers false to stop (the result is then false with err empty).
bool ReadRecordingOverview(const std::string& path, RecordingOverview& out, int thumbHeight, int maxFrames,
                           const std::function<bool(double)>& progress, std::string& err);

}  // namespace pellucor
