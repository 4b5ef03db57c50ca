// Grey pictures taken from a recording's video at chosen times, for the
// slide sync: FFmpeg decodes (on the decoder's own threads, skipping the
// loop filter and, where it can, the frames nothing refers to) and only what
// is asked for: the keyframes of the whole file, the keyframe before a
// time, or the frames of one stretch at a given spacing. Each picture is
// scaled down to at most a given width and handed over with its time in
// seconds from the start of the recording.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

namespace pellucor {

class FrameSampler {
public:
    // time: seconds from the start; grey: 8-bit, valid during the call.
    // Answers whether to go on.
    using OnFrame = std::function<bool(double time, const cv::Mat& grey)>;
    // done: seconds of the recording gone through so far.
    using OnProgress = std::function<void(double done)>;

    // threads: the decoder's (0: one per core).
    explicit FrameSampler(int maxWidth = 640, int threads = 0);
    ~FrameSampler();

    // Opens the recording; false with err when it cannot be read or holds
    // no picture (err then says so in the words of kNoPicture).
    bool Open(const std::string& path, std::string& err);
    static constexpr const char* kNoPicture = "sync needs a recording that shows the slides";

    double Duration() const { return duration_; }

    // Each picture handed over in grey is also made in colour (8-bit
    // BGR, the same size), for Colour() during the call.
    void SetColour(bool colour);
    const cv::Mat& Colour() const;

    // The size of each picture of the recording as stored, read while
    // going through the keyframes (a change of slide between keyframes
    // shows as a picture much larger than those around it).
    struct Packet {
        double time;
        int size;
        bool key;
    };
    const std::vector<Packet>& Packets() const { return packets_; }

    // The keyframes of the whole recording in order.
    bool Keyframes(const OnFrame& onFrame, const OnProgress& progress, const std::atomic<bool>& cancel,
                   std::string& err);
    // The keyframe at or before time.
    bool KeyframeBefore(double time, const OnFrame& onFrame, std::string& err);
    // The frames from `from` up to `to`, one every `step` seconds. With
    // earliest given, a stretch as long that starts at the keyframe before
    // `from` when that lies at or after earliest: nothing is then decoded
    // that is not looked at.
    bool Stretch(double from, double to, double step, const OnFrame& onFrame, const OnProgress& progress,
                 const std::atomic<bool>& cancel, std::string& err, double earliest = -1);

    // The frames shown at times (in ascending order), in colour at the
    // recording's own size (8-bit BGRA, as stored: the display proportions
    // are not applied), decoded in full quality after one seek.
    bool ColourFramesAt(const std::vector<double>& times, std::vector<cv::Mat>& bgra, std::string& err);

    // A still picture (a slide image) in grey at its own size.
    static bool ReadPicture(const std::string& path, cv::Mat& grey, std::string& err);

private:
    struct Decoder;
    bool seek(double time, std::string& err);
    std::unique_ptr<Decoder> d_;
    int maxWidth_, threads_;
    bool colour_ = false;
    double duration_ = 0;
    std::vector<Packet> packets_;
};

}  // namespace pellucor
