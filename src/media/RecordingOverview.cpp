#include "media/RecordingOverview.h"

#include <algorithm>
#include <cmath>

#include "media/FfmpegMediaFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace pellucor {

uint8_t RecordingOverview::PeakBetween(double from, double to) const
{
    if (peaks.empty() || peakStep <= 0)
        return 0;
    const auto last = static_cast<long>(peaks.size()) - 1;
    const long a = std::clamp(static_cast<long>(std::floor(from / peakStep)), 0L, last);
    const long b = std::clamp(static_cast<long>(std::ceil(to / peakStep)), a + 1, last + 1);
    if (from >= static_cast<double>(peaks.size()) * peakStep || to < 0)
        return 0;
    return *std::max_element(peaks.begin() + a, peaks.begin() + b);
}

namespace {

struct Reader {
    AVFormatContext* ctx = nullptr;
    AVCodecContext* audio = nullptr;
    AVCodecContext* video = nullptr;
    int audioIndex = -1, videoIndex = -1;
    SwrContext* swr = nullptr;
    SwsContext* sws = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    ~Reader()
    {
        sws_freeContext(sws);
        swr_free(&swr);
        avcodec_free_context(&audio);
        avcodec_free_context(&video);
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avformat_close_input(&ctx);
    }

    AVCodecContext* open(int index)
    {
        const AVStream* st = ctx->streams[index];
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        AVCodecContext* dec = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (!dec || avcodec_parameters_to_context(dec, st->codecpar) < 0 || avcodec_open2(dec, codec, nullptr) < 0) {
            avcodec_free_context(&dec);
            return nullptr;
        }
        return dec;
    }
};

bool fail(std::string& err, const std::string& path, const std::string& what, int rc = 0)
{
    err = path + ": " + what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
    return false;
}

// Folds one decoded sound frame into the peaks.
void addSound(Reader& r, RecordingOverview& out, double start, double& at)
{
    const AVFrame* f = r.frame;
    if (!r.swr) {
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        if (swr_alloc_set_opts2(&r.swr, &mono, AV_SAMPLE_FMT_FLT, f->sample_rate,
                                const_cast<AVChannelLayout*>(&f->ch_layout), static_cast<AVSampleFormat>(f->format),
                                f->sample_rate, 0, nullptr)
                < 0
            || swr_init(r.swr) < 0) {
            swr_free(&r.swr);
            return;
        }
    }
    std::vector<float> mono(static_cast<size_t>(f->nb_samples) + 256);
    auto* dst = reinterpret_cast<uint8_t*>(mono.data());
    const int n = swr_convert(r.swr, &dst, static_cast<int>(mono.size()), const_cast<const uint8_t**>(f->extended_data),
                              f->nb_samples);
    if (n <= 0)
        return;
    const AVStream* st = r.ctx->streams[r.audioIndex];
    if (f->pts != AV_NOPTS_VALUE)
        at = f->pts * av_q2d(st->time_base) - start;
    const double perSample = 1.0 / f->sample_rate;
    for (int i = 0; i < n; ++i, at += perSample) {
        if (at < 0)
            continue;
        const auto slot = static_cast<size_t>(at / out.peakStep);
        if (slot >= out.peaks.size())
            out.peaks.resize(slot + 1, 0);
        const auto level = static_cast<uint8_t>(std::min(1.0f, std::fabs(mono[static_cast<size_t>(i)])) * 255.0f);
        out.peaks[slot] = std::max(out.peaks[slot], level);
    }
}

// Keeps one decoded keyframe as a thumbnail when it is the first at or
// after the next filmstrip slot.
void addPicture(Reader& r, RecordingOverview& out, double start, double spacing, int thumbHeight)
{
    const AVFrame* f = r.frame;
    const AVStream* st = r.ctx->streams[r.videoIndex];
    const int64_t pts = f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
    if (pts == AV_NOPTS_VALUE || f->width <= 0 || f->height <= 0)
        return;
    const double t = pts * av_q2d(st->time_base) - start;
    if (!out.frames.empty() && t < out.frames.back().time + spacing)
        return;
    const AVRational sar = f->sample_aspect_ratio.num > 0 ? f->sample_aspect_ratio : AVRational {1, 1};
    const int h = thumbHeight;
    const int w = std::max(2, static_cast<int>(std::lround(double(f->width) * sar.num / sar.den * h / f->height)));
    r.sws = sws_getCachedContext(r.sws, f->width, f->height, static_cast<AVPixelFormat>(f->format), w, h,
                                 AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr);
    if (!r.sws)
        return;
    RecordingOverview::Frame thumb {std::max(0.0, t), w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
    uint8_t* dst[1] = {thumb.rgb.data()};
    const int stride[1] = {w * 3};
    sws_scale(r.sws, f->data, f->linesize, 0, f->height, dst, stride);
    out.frames.push_back(std::move(thumb));
}

}  // namespace

bool ReadRecordingOverview(const std::string& path, RecordingOverview& out, int thumbHeight, int maxFrames,
                           const std::function<bool(double)>& progress, std::string& err)
{
    const FfmpegSilence quiet;
    out = RecordingOverview {};
    err.clear();
    Reader r;
    int rc = avformat_open_input(&r.ctx, path.c_str(), nullptr, nullptr);
    if (rc < 0 || (rc = avformat_find_stream_info(r.ctx, nullptr)) < 0)
        return fail(err, path, "it cannot be read", rc);
    r.audioIndex = av_find_best_stream(r.ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    r.videoIndex = av_find_best_stream(r.ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (r.videoIndex >= 0 && (r.ctx->streams[r.videoIndex]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        r.videoIndex = -1;  // cover art is not a picture of the recording
    if (r.audioIndex >= 0 && !(r.audio = r.open(r.audioIndex)))
        r.audioIndex = -1;
    if (r.videoIndex >= 0 && (r.video = r.open(r.videoIndex)))
        r.video->skip_frame = AVDISCARD_NONKEY;  // the filmstrip needs keyframes only
    else
        r.videoIndex = -1;
    if (r.audioIndex < 0 && r.videoIndex < 0)
        return fail(err, path, "it holds no sound or picture that can be decoded");

    const double start = r.ctx->start_time == AV_NOPTS_VALUE ? 0 : r.ctx->start_time / double(AV_TIME_BASE);
    out.duration = r.ctx->duration > 0 ? r.ctx->duration / double(AV_TIME_BASE) : 0;
    const double spacing = out.duration > 0 ? out.duration / std::max(1, maxFrames) : 1.0;
    double soundAt = 0, lastReport = -1;
    auto drain = [&](AVCodecContext* dec, bool sound) {
        while (avcodec_receive_frame(dec, r.frame) >= 0) {
            if (sound)
                addSound(r, out, start, soundAt);
            else
                addPicture(r, out, start, spacing, thumbHeight);
            av_frame_unref(r.frame);
        }
    };
    while ((rc = av_read_frame(r.ctx, r.pkt)) >= 0) {
        const int index = r.pkt->stream_index;
        AVCodecContext* dec = index == r.audioIndex ? r.audio : index == r.videoIndex ? r.video : nullptr;
        if (dec) {
            const AVStream* st = r.ctx->streams[index];
            if (r.pkt->pts != AV_NOPTS_VALUE && out.duration > 0) {
                const double t = r.pkt->pts * av_q2d(st->time_base) - start;
                if (t - lastReport >= out.duration / 200) {
                    lastReport = t;
                    if (progress && !progress(std::clamp(t / out.duration, 0.0, 1.0))) {
                        av_packet_unref(r.pkt);
                        return false;
                    }
                }
            }
            if (avcodec_send_packet(dec, r.pkt) >= 0)
                drain(dec, dec == r.audio);
        }
        av_packet_unref(r.pkt);
    }
    if (rc != AVERROR_EOF)
        return fail(err, path, "reading failed", rc);
    for (AVCodecContext* dec : {r.audio, r.video})
        if (dec && avcodec_send_packet(dec, nullptr) >= 0)
            drain(dec, dec == r.audio);
    out.duration = std::max(out.duration, static_cast<double>(out.peaks.size()) * out.peakStep);
    if (progress)
        progress(1.0);
    return true;
}

}  // namespace pellucor
