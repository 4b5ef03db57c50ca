#include "media/SpeechAudio.h"

#include <algorithm>

#include "media/FfmpegMediaFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace pellucor {

namespace {

struct Decoder {
    AVFormatContext* ctx = nullptr;
    AVCodecContext* dec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    ~Decoder()
    {
        swr_free(&swr);
        avcodec_free_context(&dec);
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avformat_close_input(&ctx);
    }
};

bool fail(std::string& err, SpeechAudioError& why, SpeechAudioError kind, const std::string& path,
          const std::string& what, int rc = 0)
{
    why = kind;
    err = path + ": " + what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
    return false;
}

// Converts the decoder's frame (or, with none, what the resampler still
// holds) and appends it.
bool convert(Decoder& d, const AVFrame* f, std::vector<int16_t>& pcm)
{
    if (!d.swr) {
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        if (swr_alloc_set_opts2(&d.swr, &mono, AV_SAMPLE_FMT_S16, kSpeechRate,
                                const_cast<AVChannelLayout*>(&f->ch_layout), static_cast<AVSampleFormat>(f->format),
                                f->sample_rate, 0, nullptr)
                < 0
            || swr_init(d.swr) < 0)
            return false;
    }
    const int in = f ? f->nb_samples : 0;
    const int room = swr_get_out_samples(d.swr, in) + 32;
    const size_t at = pcm.size();
    pcm.resize(at + static_cast<size_t>(std::max(room, 0)));
    auto* dst = reinterpret_cast<uint8_t*>(pcm.data() + at);
    const int n = swr_convert(d.swr, &dst, room, f ? const_cast<const uint8_t**>(f->extended_data) : nullptr, in);
    pcm.resize(at + static_cast<size_t>(std::max(n, 0)));
    return n >= 0;
}

}  // namespace

bool ReadSpeechAudio(const std::string& path, std::vector<int16_t>& pcm, std::string& err, SpeechAudioError& why,
                     const std::function<bool(double)>& progress)
{
    pcm.clear();
    err.clear();
    why = SpeechAudioError::None;
    Decoder d;
    int rc = avformat_open_input(&d.ctx, path.c_str(), nullptr, nullptr);
    if (rc < 0 || (rc = avformat_find_stream_info(d.ctx, nullptr)) < 0)
        return fail(err, why, SpeechAudioError::Unreadable, path, "it cannot be read", rc);
    const int index = av_find_best_stream(d.ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return fail(err, why, SpeechAudioError::NoSound, path, "the recording has no sound stream");
    const AVStream* st = d.ctx->streams[index];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    d.dec = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!d.dec || avcodec_parameters_to_context(d.dec, st->codecpar) < 0 || avcodec_open2(d.dec, codec, nullptr) < 0)
        return fail(err, why, SpeechAudioError::Unreadable, path, "its sound cannot be decoded");
    const double duration = d.ctx->duration > 0 ? d.ctx->duration / double(AV_TIME_BASE) : 0;
    const double start = d.ctx->start_time == AV_NOPTS_VALUE ? 0 : d.ctx->start_time / double(AV_TIME_BASE);
    if (duration > 0)
        pcm.reserve(static_cast<size_t>(duration * kSpeechRate) + kSpeechRate);
    double lastReport = -1;
    auto drain = [&] {
        while (avcodec_receive_frame(d.dec, d.frame) >= 0) {
            const bool ok = convert(d, d.frame, pcm);
            av_frame_unref(d.frame);
            if (!ok)
                return false;
        }
        return true;
    };
    while ((rc = av_read_frame(d.ctx, d.pkt)) >= 0) {
        if (d.pkt->stream_index == index) {
            if (progress && duration > 0 && d.pkt->pts != AV_NOPTS_VALUE) {
                const double t = d.pkt->pts * av_q2d(st->time_base) - start;
                if (t - lastReport >= duration / 100) {
                    lastReport = t;
                    if (!progress(std::clamp(t / duration, 0.0, 1.0))) {
                        av_packet_unref(d.pkt);
                        return fail(err, why, SpeechAudioError::Cancelled, path, "cancelled");
                    }
                }
            }
            const bool ok = avcodec_send_packet(d.dec, d.pkt) < 0 || drain();
            if (!ok) {
                av_packet_unref(d.pkt);
                return fail(err, why, SpeechAudioError::Unreadable, path, "its sound cannot be converted");
            }
        }
        av_packet_unref(d.pkt);
    }
    if (rc != AVERROR_EOF)
        return fail(err, why, SpeechAudioError::Unreadable, path, "reading failed", rc);
    if (avcodec_send_packet(d.dec, nullptr) >= 0)
        drain();
    if (d.swr)
        convert(d, nullptr, pcm);
    if (progress)
        progress(1.0);
    return true;
}

}  // namespace pellucor
