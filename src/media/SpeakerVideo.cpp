#include "media/SpeakerVideo.h"

#include <algorithm>
#include <utility>

#include "media/FfmpegMediaFile.h"
#include "media/StreamDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace pellucor {

SpeakerVideo::~SpeakerVideo()
{
    av_frame_free(&shown_);
    av_frame_free(&next_);
    av_packet_free(&pkt_);
    avcodec_free_context(&dec_);
    avformat_close_input(&in_);
}

bool SpeakerVideo::Open(const std::string& path, std::string& err)
{
    const int rc = stream_ = OpenStreamDecoder(path, AVMEDIA_TYPE_VIDEO, in_, dec_, 0);
    if (rc >= 0) {
        AVStream* st = in_->streams[stream_];
        const AVRational rate = av_guess_frame_rate(in_, st, nullptr);
        if (rate.num > 0 && rate.den > 0)
            fps_ = std::clamp(av_q2d(rate), 1.0, 60.0);
        start_ = st->start_time != AV_NOPTS_VALUE ? st->start_time * av_q2d(st->time_base) : 0;
    }
    if (rc < 0) {
        err = "cannot read the video of " + path + ": " + FfmpegErrorText(rc);
        return false;
    }
    pkt_ = av_packet_alloc();
    shown_ = av_frame_alloc();
    next_ = av_frame_alloc();
    return true;
}

bool SpeakerVideo::decodeNext()
{
    while (!ended_) {
        const int rc = avcodec_receive_frame(dec_, next_);
        if (rc >= 0)
            return true;
        if (rc == AVERROR_EOF) {
            ended_ = true;
            break;
        }
        FeedDecoder(in_, stream_, dec_, pkt_);
    }
    return false;
}

const AVFrame* SpeakerVideo::At(double t)
{
    const auto timeOf = [this](const AVFrame* f) {
        return f->best_effort_timestamp == AV_NOPTS_VALUE
            ? 0
            : f->best_effort_timestamp * av_q2d(in_->streams[stream_]->time_base) - start_;
    };
    for (;;) {
        if (!haveNext_)
            haveNext_ = decodeNext();
        if (!haveNext_)
            break;
        // The first frame shows from the start; a later one from its time
        // (half a millisecond early for rounding).
        if (haveShown_ && timeOf(next_) > t + 0.0005)
            break;
        std::swap(shown_, next_);
        av_frame_unref(next_);
        haveShown_ = true;
        haveNext_ = false;
    }
    return haveShown_ ? shown_ : nullptr;
}

}  // namespace pellucor
