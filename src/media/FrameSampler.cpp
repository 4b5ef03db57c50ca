#include "media/FrameSampler.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "media/MediaLength.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libswscale/swscale.h>
}

namespace pellucor {

namespace {

std::string errorText(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

// Half a frame at the highest rates met: times this close count as equal.
constexpr double kEps = 0.008;

}  // namespace

// One opened video stream with its decoder and the scaler to grey.
struct FrameSampler::Decoder {
    AVFormatContext* fmt = nullptr;
    AVCodecContext* dec = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    int stream = -1;
    AVRational tb {1, 1};
    double start = 0;  // seconds of the first timestamp
    cv::Mat grey;
    bool colour = false;  // each picture in colour too
    SwsContext* swsColour = nullptr;
    cv::Mat bgr;

    ~Decoder()
    {
        sws_freeContext(sws);
        sws_freeContext(swsColour);
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&dec);
        avformat_close_input(&fmt);
    }

    double seconds(int64_t ts) const { return ts == AV_NOPTS_VALUE ? -1 : ts * av_q2d(tb) - start; }

    double frameTime() const
    {
        const int64_t ts = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
        return seconds(ts);
    }

    // A decoded frame in grey (and in colour when asked), at most
    // maxWidth wide, in the picture's display proportions.
    bool toGrey(const AVFrame* f, int maxWidth, std::string& err)
    {
        const AVRational sar = f->sample_aspect_ratio.num > 0 ? f->sample_aspect_ratio : AVRational {1, 1};
        const double shownWidth = f->width * av_q2d(sar);
        const int w = std::max(1, std::min(maxWidth, static_cast<int>(std::lround(shownWidth))));
        const int h = std::max(1, static_cast<int>(std::lround(w * f->height / shownWidth)));
        return scaled(f, {w, h}, AV_PIX_FMT_GRAY8, sws, grey, err)
            && (!colour || scaled(f, {w, h}, AV_PIX_FMT_BGR24, swsColour, bgr, err));
    }

    static bool scaled(const AVFrame* f, cv::Size size, AVPixelFormat format, SwsContext*& context, cv::Mat& out,
                       std::string& err)
    {
        context = sws_getCachedContext(context, f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                       size.width, size.height, format, SWS_AREA, nullptr, nullptr, nullptr);
        if (!context) {
            err = "cannot convert the pictures of the recording";
            return false;
        }
        out.create(size, format == AV_PIX_FMT_GRAY8 ? CV_8UC1 : CV_8UC3);
        uint8_t* dst[4] = {out.data, nullptr, nullptr, nullptr};
        const int dstStride[4] = {static_cast<int>(out.step), 0, 0, 0};
        sws_scale(context, f->data, f->linesize, 0, f->height, dst, dstStride);
        return true;
    }

    // Reads and decodes until frameFn answers false or the file ends.
    // keyOnly: only keyframe packets reach the decoder; single: the decoder
    // is drained after the first packet (its threads then keep no frame
    // back). frameFn sees each decoded frame in frame; packets, when
    // given, gets every picture's size.
    template <typename Fn>
    bool run(bool keyOnly, bool single, Fn&& frameFn, const FrameSampler::OnProgress* progress,
             const std::atomic<bool>* cancel, std::string& err, std::vector<FrameSampler::Packet>* packets = nullptr)
    {
        bool more = true;
        bool eof = false;
        while (more) {
            if (cancel && cancel->load()) {
                err = "Cancelled";
                return false;
            }
            if (!eof) {
                const int rc = av_read_frame(fmt, pkt);
                if (rc == AVERROR_EOF) {
                    eof = true;
                    avcodec_send_packet(dec, nullptr);
                } else if (rc < 0) {
                    err = "cannot read the recording: " + errorText(rc);
                    return false;
                } else {
                    if (packets && pkt->stream_index == stream)
                        packets->push_back({seconds(pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts), pkt->size,
                                            (pkt->flags & AV_PKT_FLAG_KEY) != 0});
                    const bool wanted = pkt->stream_index == stream && (!keyOnly || (pkt->flags & AV_PKT_FLAG_KEY));
                    if (wanted && progress && pkt->pts != AV_NOPTS_VALUE)
                        (*progress)(seconds(pkt->pts));
                    const int sent = wanted ? avcodec_send_packet(dec, pkt) : 0;
                    av_packet_unref(pkt);
                    if (wanted && single) {
                        eof = true;
                        avcodec_send_packet(dec, nullptr);
                    }
                    if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA) {
                        err = "cannot decode the recording: " + errorText(sent);
                        return false;
                    }
                }
            }
            for (;;) {
                const int rc = avcodec_receive_frame(dec, frame);
                if (rc == AVERROR(EAGAIN))
                    break;
                if (rc == AVERROR_EOF)
                    return true;
                if (rc < 0)  // a damaged frame: go on with the next
                    break;
                more = frameFn();
                av_frame_unref(frame);
                if (!more)
                    break;
            }
        }
        return true;
    }
};

FrameSampler::FrameSampler(int maxWidth, int threads) : maxWidth_(maxWidth), threads_(threads) { }

FrameSampler::~FrameSampler() = default;

bool FrameSampler::Open(const std::string& path, std::string& err)
{
    av_log_set_level(AV_LOG_FATAL);
    auto d = std::make_unique<Decoder>();
    int rc = avformat_open_input(&d->fmt, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        err = "cannot open " + path + ": " + errorText(rc);
        return false;
    }
    if ((rc = avformat_find_stream_info(d->fmt, nullptr)) < 0) {
        err = "cannot read the streams of " + path + ": " + errorText(rc);
        return false;
    }
    const AVCodec* codec = nullptr;
    d->stream = av_find_best_stream(d->fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    // A cover picture is not a recording of the slides.
    if (d->stream < 0 || (d->fmt->streams[d->stream]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        err = kNoPicture;
        return false;
    }
    if (!codec) {
        err = "no decoder for the pictures of " + path;
        return false;
    }
    AVStream* st = d->fmt->streams[d->stream];
    d->dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(d->dec, st->codecpar);
    d->dec->thread_count = threads_;
    d->dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    d->dec->skip_loop_filter = AVDISCARD_ALL;
    d->dec->flags2 |= AV_CODEC_FLAG2_FAST;
    if ((rc = avcodec_open2(d->dec, codec, nullptr)) < 0) {
        err = "cannot decode the pictures of " + path + ": " + errorText(rc);
        return false;
    }
    d->tb = st->time_base;
    if (d->fmt->start_time != AV_NOPTS_VALUE)
        d->start = d->fmt->start_time / static_cast<double>(AV_TIME_BASE);
    else if (st->start_time != AV_NOPTS_VALUE)
        d->start = st->start_time * av_q2d(st->time_base);
    if (MeasureDuration(d->fmt) > 0)
        duration_ = d->fmt->duration / static_cast<double>(AV_TIME_BASE);
    else if (st->duration > 0)
        duration_ = st->duration * av_q2d(st->time_base);
    d->colour = colour_;
    d_ = std::move(d);
    return true;
}

void FrameSampler::SetColour(bool colour)
{
    colour_ = colour;
    if (d_)
        d_->colour = colour;
}

const cv::Mat& FrameSampler::Colour() const
{
    return d_->bgr;
}

bool FrameSampler::seek(double time, std::string& err)
{
    const auto at = [this](double t) {
        return static_cast<int64_t>(std::floor((std::max(0.0, t) + d_->start) / av_q2d(d_->tb)));
    };
    // Without an index (MPEG-TS, WebM as browsers record it) a seek lands
    // near the time, possibly past the keyframe the picture then needs:
    // such a landing is tried again further back.
    for (double back = 0;; back = std::max(1.0, back * 2)) {
        const int64_t ts = at(time - back);
        int rc = avformat_seek_file(d_->fmt, d_->stream, INT64_MIN, ts, ts, 0);
        const bool fromStart = rc < 0 || time - back <= 0;
        if (rc < 0)  // no index to seek by: read from the start instead
            rc = avformat_seek_file(d_->fmt, -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE);
        if (rc < 0) {
            err = "cannot seek in the recording: " + errorText(rc);
            return false;
        }
        if (fromStart)
            break;
        int64_t key = AV_NOPTS_VALUE;
        while (key == AV_NOPTS_VALUE && av_read_frame(d_->fmt, d_->pkt) >= 0) {
            if (d_->pkt->stream_index == d_->stream && (d_->pkt->flags & AV_PKT_FLAG_KEY))
                key = d_->pkt->pts != AV_NOPTS_VALUE ? d_->pkt->pts : d_->pkt->dts;
            av_packet_unref(d_->pkt);
        }
        if (key == AV_NOPTS_VALUE || key <= at(time)) {
            avformat_seek_file(d_->fmt, d_->stream, INT64_MIN, ts, ts, 0);  // back to read from there
            break;
        }
    }
    avcodec_flush_buffers(d_->dec);
    return true;
}

bool FrameSampler::Keyframes(const OnFrame& onFrame, const OnProgress& progress, const std::atomic<bool>& cancel,
                             std::string& err)
{
    if (!seek(0, err))
        return false;
    d_->dec->skip_frame = AVDISCARD_NONKEY;
    packets_.clear();
    bool failed = false;
    double last = -1;
    const bool ran = d_->run(
        true, false,
        [&] {
            const double t = d_->frameTime();
            // Intra-only video is all keyframes: two a second are plenty.
            if (last >= 0 && t < last + 0.5)
                return true;
            if (!d_->toGrey(d_->frame, maxWidth_, err))
                return !(failed = true);
            last = t;
            return onFrame(t, d_->grey);
        },
        &progress, &cancel, err, &packets_);
    return ran && !failed;
}

bool FrameSampler::KeyframeBefore(double time, const OnFrame& onFrame, std::string& err)
{
    if (!seek(time, err))
        return false;
    d_->dec->skip_frame = AVDISCARD_NONKEY;
    bool found = false;
    const bool ran = d_->run(
        true, true,
        [&] {
            found = d_->toGrey(d_->frame, maxWidth_, err);
            if (found)
                onFrame(d_->frameTime(), d_->grey);
            return false;
        },
        nullptr, nullptr, err);
    if (ran && !found && err.empty())
        err = "no picture in the recording near " + std::to_string(time) + " s";
    return ran && found;
}

bool FrameSampler::Stretch(double from, double to, double step, const OnFrame& onFrame, const OnProgress& progress,
                           const std::atomic<bool>& cancel, std::string& err, double earliest)
{
    if (!seek(from, err))
        return false;
    d_->dec->skip_frame = AVDISCARD_NONREF;
    double next = from;
    bool failed = false, done = false, first = true;
    // The last frame passed over: it still shows at `next` when it lasts
    // beyond (screen recorders write a frame only when the screen changes).
    // Handed over at its own time, or at `from` for one that started
    // before. (A frame left undecoded may be the one shown at `next`: the
    // frames passed over are known to last only as long as their
    // container says.)
    AVFrame* passed = nullptr;
    double passedAt = 0, passedUntil = 0;
    const auto hand = [&](const AVFrame* f, double t) {
        if (!d_->toGrey(f, maxWidth_, err))
            return !(failed = true);
        next = t + step;
        return onFrame(t, d_->grey);
    };
    const bool ran = d_->run(
        false, false,
        [&] {
            const double t = d_->frameTime();
            // From the keyframe the seek landed on, when allowed.
            if (std::exchange(first, false) && earliest >= 0 && t >= earliest && t < from) {
                to -= from - t;
                from = next = t;
            }
            if (passed && next < to && t > next + kEps && passedUntil > next + kEps) {
                const bool more = hand(passed, std::max(from, passedAt));
                av_frame_free(&passed);
                if (!more)
                    return !(done = true);
            }
            if (t >= to)
                return !(done = true);
            av_frame_free(&passed);
            if (t + kEps < next) {
                passed = av_frame_clone(d_->frame);
                passedAt = t;
                passedUntil = t + d_->frame->pkt_duration * av_q2d(d_->tb);
                return true;
            }
            const bool more = hand(d_->frame, t);
            done = !more;
            return more;
        },
        &progress, &cancel, err);
    // The last frame shows to the end.
    if (ran && !done && !failed && passed && next < to && passedUntil > next + kEps)
        hand(passed, std::max(from, passedAt));
    av_frame_free(&passed);
    return ran && !failed;
}

bool FrameSampler::ColourFramesAt(const std::vector<double>& times, std::vector<cv::Mat>& bgra, std::string& err)
{
    bgra.assign(times.size(), cv::Mat());
    if (times.empty())
        return true;
    if (!seek(times.front(), err))
        return false;
    // Frames no other refers to are left out: a still picture shows in the
    // others as well.
    d_->dec->skip_frame = AVDISCARD_NONREF;
    d_->dec->skip_loop_filter = AVDISCARD_DEFAULT;
    // Of each time, the last frame that starts at or before it, or the
    // first after it when the seek landed beyond; only those are converted.
    std::vector<AVFrame*> kept(times.size(), nullptr);
    size_t next = 0;
    const bool ran = d_->run(
        false, false,
        [&] {
            const double t = d_->frameTime();
            while (next < times.size() && kept[next] && t > times[next] + kEps)
                ++next;
            if (next == times.size())
                return false;
            for (size_t i = next; i < times.size() && (!kept[i] || t <= times[i] + kEps); ++i) {
                av_frame_free(&kept[i]);
                kept[i] = av_frame_clone(d_->frame);
                if (t + kEps >= times[i])
                    break;
            }
            return true;
        },
        nullptr, nullptr, err);
    d_->dec->skip_loop_filter = AVDISCARD_ALL;
    SwsContext* sws = nullptr;
    bool failed = false, got = true;
    for (size_t i = 0; i < kept.size(); ++i) {
        const AVFrame* f = kept[i];
        got = got && f;
        if (!f || failed)
            continue;
        sws = sws_getCachedContext(sws, f->width, f->height, static_cast<AVPixelFormat>(f->format), f->width, f->height,
                                   AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
        if (!sws) {
            failed = true;
            continue;
        }
        bgra[i].create(f->height, f->width, CV_8UC4);
        uint8_t* dst[4] = {bgra[i].data, nullptr, nullptr, nullptr};
        const int dstStride[4] = {static_cast<int>(bgra[i].step), 0, 0, 0};
        sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride);
    }
    sws_freeContext(sws);
    for (AVFrame*& f : kept)
        av_frame_free(&f);
    if (failed)
        err = "cannot convert the pictures of the recording";
    else if (ran && !got && err.empty())
        err = "no picture in the recording near " + std::to_string(times.back()) + " s";
    return ran && got && !failed;
}

bool FrameSampler::ReadPicture(const std::string& path, cv::Mat& grey, std::string& err)
{
    av_log_set_level(AV_LOG_FATAL);
    Decoder d;
    int rc = avformat_open_input(&d.fmt, path.c_str(), nullptr, nullptr);
    const AVCodec* codec = nullptr;
    if (rc >= 0 && (rc = avformat_find_stream_info(d.fmt, nullptr)) >= 0)
        rc = d.stream = av_find_best_stream(d.fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (rc >= 0) {
        d.dec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(d.dec, d.fmt->streams[d.stream]->codecpar);
        rc = avcodec_open2(d.dec, codec, nullptr);
    }
    if (rc < 0) {
        err = "cannot read the picture " + path + ": " + errorText(rc);
        return false;
    }
    bool got = false;
    bool ok = d.run(
        false, true,
        [&] {
            got = d.toGrey(d.frame, d.frame->width, err);
            return false;
        },
        nullptr, nullptr, err);
    if (ok && !got && err.empty())
        err = "cannot read the picture " + path;
    if (!ok || !got)
        return false;
    grey = d.grey.clone();
    return true;
}

}  // namespace pellucor
