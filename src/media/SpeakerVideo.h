// The speaker's video of one part, decoded in order: the picture to show
// at any time (the last frame that started by then), its frame rate.
#pragma once

#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;

namespace pellucor {

class SpeakerVideo {
public:
    SpeakerVideo() = default;
    ~SpeakerVideo();
    SpeakerVideo(const SpeakerVideo&) = delete;
    SpeakerVideo& operator=(const SpeakerVideo&) = delete;

    // False with err when the recording has no video that decodes.
    bool Open(const std::string& path, std::string& err);
    // Frames a second (between 1 and 60).
    double FrameRate() const { return fps_; }
    // The frame showing at seconds t from the recording's start; times
    // asked for must not go back. nullptr before the first frame decodes.
    const AVFrame* At(double t);

private:
    bool decodeNext();

    AVFormatContext* in_ = nullptr;
    AVCodecContext* dec_ = nullptr;
    AVPacket* pkt_ = nullptr;
    AVFrame* shown_ = nullptr;
    AVFrame* next_ = nullptr;
    bool haveShown_ = false, haveNext_ = false, ended_ = false;
    int stream_ = -1;
    double start_ = 0, fps_ = 25;
};

}  // namespace pellucor
