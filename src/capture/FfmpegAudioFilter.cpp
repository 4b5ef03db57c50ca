#include "capture/FfmpegAudioFilter.h"

#include "capture/FfmpegMediaFile.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
}

namespace pellucor {

FfmpegAudioFilter::~FfmpegAudioFilter() { avfilter_graph_free(&graph_); }

bool FfmpegAudioFilter::Open(const std::string& chain, int sampleRate, AVSampleFormat format,
                             const AVChannelLayout& layout, AVRational timeBase, std::string& err)
{
    avfilter_graph_free(&graph_);
    graph_ = avfilter_graph_alloc();
    if (!graph_) {
        err = "out of memory";
        return false;
    }
    // One thread: the chains used here are cheap next to the encoders.
    graph_->nb_threads = 1;
    char layoutText[128] = {};
    AVChannelLayout in {};
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC || layout.nb_channels == 0)
        av_channel_layout_default(&in, layout.nb_channels > 0 ? layout.nb_channels : 1);
    else
        av_channel_layout_copy(&in, &layout);
    av_channel_layout_describe(&in, layoutText, sizeof layoutText);
    av_channel_layout_uninit(&in);
    const char* formatName = av_get_sample_fmt_name(format);
    const std::string args = "time_base=" + std::to_string(timeBase.num) + "/" + std::to_string(timeBase.den)
        + ":sample_rate=" + std::to_string(sampleRate) + ":sample_fmt=" + (formatName ? formatName : "fltp")
        + ":channel_layout=" + layoutText;
    int rc
        = avfilter_graph_create_filter(&source_, avfilter_get_by_name("abuffer"), "in", args.c_str(), nullptr, graph_);
    if (rc >= 0)
        rc = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr, graph_);
    if (rc < 0) {
        err = "cannot set up the sound filters: " + FfmpegErrorText(rc);
        return false;
    }
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source_;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink_;
    rc = avfilter_graph_parse_ptr(graph_, chain.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (rc >= 0)
        rc = avfilter_graph_config(graph_, nullptr);
    if (rc < 0) {
        err = "cannot set up the sound filters \"" + chain + "\": " + FfmpegErrorText(rc);
        return false;
    }
    return true;
}

int FfmpegAudioFilter::Push(AVFrame* frame)
{
    return av_buffersrc_add_frame_flags(source_, frame, frame ? AV_BUFFERSRC_FLAG_KEEP_REF : 0);
}

int FfmpegAudioFilter::Pull(AVFrame* frame) { return av_buffersink_get_frame(sink_, frame); }

int FfmpegAudioFilter::SampleRate() const { return av_buffersink_get_sample_rate(sink_); }

AVSampleFormat FfmpegAudioFilter::Format() const
{
    return static_cast<AVSampleFormat>(av_buffersink_get_format(sink_));
}

AVChannelLayout FfmpegAudioFilter::Layout() const
{
    AVChannelLayout layout {};
    av_buffersink_get_ch_layout(sink_, &layout);
    return layout;
}

AVRational FfmpegAudioFilter::TimeBase() const { return av_buffersink_get_time_base(sink_); }

}  // namespace pellucor
