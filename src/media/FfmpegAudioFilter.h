// A chain of FFmpeg audio filters (libavfilter) run on decoded sound
// before it is encoded, such as loudness normalisation: frames go in, the
// filtered frames come out in the chain's own rate, format and layout.
#pragma once

#include <string>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}

struct AVFilterGraph;
struct AVFilterContext;
struct AVFrame;

namespace pellucor {

class FfmpegAudioFilter {
public:
    FfmpegAudioFilter() = default;
    ~FfmpegAudioFilter();
    FfmpegAudioFilter(const FfmpegAudioFilter&) = delete;
    FfmpegAudioFilter& operator=(const FfmpegAudioFilter&) = delete;

    // Builds the chain (filter-graph syntax, e.g. "loudnorm=I=-23") for
    // sound of the given kind, whose timestamps count in timeBase. False
    // with err when the chain cannot be built.
    bool Open(const std::string& chain, int sampleRate, AVSampleFormat format, const AVChannelLayout& layout,
              AVRational timeBase, std::string& err);
    // Hands a frame in (nullptr: the end of the sound). Negative FFmpeg
    // error code on failure.
    int Push(AVFrame* frame);
    // Takes the next filtered frame: 0, AVERROR(EAGAIN) when none is ready,
    // AVERROR_EOF after the end, or an error code.
    int Pull(AVFrame* frame);

    // What comes out, once opened.
    int SampleRate() const;
    AVSampleFormat Format() const;
    AVChannelLayout Layout() const;
    AVRational TimeBase() const;

private:
    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
};

}  // namespace pellucor
