// The sound of one part of the lecture video: its recording's main sound
// stream decoded, mixed to one channel (a lecture's sound is speech) and
// resampled to the video's sample rate, then silence for as long as the
// part still lasts (or silence throughout for a part without sound).
#pragma once

#include <cstdint>
#include <string>

struct AVAudioFifo;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace pellucor {

class PartSound {
public:
    PartSound() = default;
    ~PartSound();
    PartSound(const PartSound&) = delete;
    PartSound& operator=(const PartSound&) = delete;

    // path: the recording (empty: silence). False with err when it cannot
    // be read.
    bool Open(const std::string& path, int sampleRate, std::string& err);
    // Appends at most want samples to fifo (float, one channel): the next
    // decoded ones, silence once the sound has ended. Returns how many.
    int64_t Read(AVAudioFifo* fifo, int64_t want);

private:
    int64_t decodeSome(AVAudioFifo* fifo, int64_t want);

    AVFormatContext* in_ = nullptr;
    AVCodecContext* dec_ = nullptr;
    SwrContext* swr_ = nullptr;
    AVPacket* pkt_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVAudioFifo* pending_ = nullptr;  // resampled, not yet given
    int stream_ = -1;
    int rate_ = 48000;
    bool ended_ = true;
};

}  // namespace pellucor
