#include "media/CutSound.h"

#include <algorithm>
#include <cmath>

#include "media/FfmpegAudioFilter.h"
#include "media/FfmpegMediaFile.h"
#include "media/SoundSplicer.h"
#include "media/StreamDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace pellucor {

namespace {

// Half of each crossfade where two kept stretches meet: 15 ms, short
// enough to hide nothing that was said, long enough for no click.
constexpr double kHalfFade = 0.015;

}  // namespace

struct CutSound::State {
    CutSoundPlan plan;
    AVFormatContext* in = nullptr;
    AVCodecContext* dec = nullptr;
    AVCodecContext* enc = nullptr;
    SwrContext* toPlanar = nullptr;   // decoded sound to float planes at the encoder's rate
    SwrContext* toEncoder = nullptr;  // float planes to what the encoder takes
    AVAudioFifo* fifo = nullptr;      // float planes waiting for a whole encoder frame
    std::unique_ptr<FfmpegAudioFilter> filter;
    AVStream* stream = nullptr;
    int index = -1;
    int rate = 0, channels = 0;
    int64_t encoded = 0;  // samples handed to the encoder
    std::string err;

    // What a run works with.
    AVPacket* pkt = av_packet_alloc();
    AVPacket* outPkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    AVFrame* encFrame = av_frame_alloc();
    AVFrame* filtered = av_frame_alloc();
    const std::function<bool(AVPacket*)>* sink = nullptr;
    std::atomic<double>* done = nullptr;
    bool stopped = false;  // the sink said stop
    bool ok = true;
    int64_t joinedAt = 0;  // samples joined so far
    std::unique_ptr<SoundSplicer> splicer;
    std::vector<float> planes;

    ~State()
    {
        av_packet_free(&pkt);
        av_packet_free(&outPkt);
        av_frame_free(&frame);
        av_frame_free(&encFrame);
        av_frame_free(&filtered);
        swr_free(&toPlanar);
        swr_free(&toEncoder);
        if (fifo)
            av_audio_fifo_free(fifo);
        avcodec_free_context(&enc);
        avcodec_free_context(&dec);
        avformat_close_input(&in);
    }

    bool fail(const std::string& what, int rc)
    {
        err = what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
        return false;
    }

    // Encoder packets to the sink.
    bool drainEncoder()
    {
        for (;;) {
            const int rc = avcodec_receive_packet(enc, outPkt);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0)
                return fail("encoding the sound failed", rc);
            outPkt->stream_index = stream->index;
            av_packet_rescale_ts(outPkt, enc->time_base, stream->time_base);
            if (!(*sink)(outPkt)) {
                stopped = true;
                return fail("stopped", 0);
            }
            av_packet_unref(outPkt);
        }
    }

    // Whole encoder frames from the fifo (the rest too when last).
    bool encodeFifo(bool last)
    {
        const int size = enc->frame_size > 0 ? enc->frame_size : 1024;
        while (av_audio_fifo_size(fifo) >= size || (last && av_audio_fifo_size(fifo) > 0)) {
            const int n = std::min(size, av_audio_fifo_size(fifo));
            std::vector<float> fifoPlanes(static_cast<size_t>(n * channels));
            std::vector<void*> ptrs;
            for (int c = 0; c < channels; ++c)
                ptrs.push_back(fifoPlanes.data() + static_cast<size_t>(c * n));
            av_audio_fifo_read(fifo, ptrs.data(), n);
            av_frame_unref(encFrame);
            encFrame->nb_samples = n;
            encFrame->format = enc->sample_fmt;
            encFrame->sample_rate = rate;
            av_channel_layout_copy(&encFrame->ch_layout, &enc->ch_layout);
            if (av_frame_get_buffer(encFrame, 0) < 0)
                return fail("out of memory", 0);
            std::vector<const uint8_t*> from;
            for (void* p : ptrs)
                from.push_back(static_cast<const uint8_t*>(p));
            if (swr_convert(toEncoder, encFrame->extended_data, n, from.data(), n) < 0)
                return fail("cannot convert the sound", 0);
            encFrame->pts = encoded;
            encoded += n;
            *done = static_cast<double>(encoded) / rate;
            const int rc = avcodec_send_frame(enc, encFrame);
            if (rc < 0)
                return fail("encoding the sound failed", rc);
            if (!drainEncoder())
                return false;
        }
        return true;
    }

    // Joined sound, through the filters, into the fifo.
    bool pullFilter()
    {
        for (;;) {
            const int rc = filter->Pull(filtered);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0)
                return fail("filtering the sound failed", rc);
            av_audio_fifo_write(fifo, reinterpret_cast<void**>(filtered->extended_data), filtered->nb_samples);
            av_frame_unref(filtered);
        }
    }

    // Joined samples through the filters (where there are any) and on to
    // the encoder.
    void joined(const float* const* from, int64_t count)
    {
        if (!ok)
            return;
        if (!filter) {
            std::vector<void*> ptrs;
            for (int c = 0; c < channels; ++c)
                ptrs.push_back(const_cast<float*>(from[c]));
            av_audio_fifo_write(fifo, ptrs.data(), static_cast<int>(count));
        } else {
            AVFrame* f = av_frame_alloc();
            f->nb_samples = static_cast<int>(count);
            f->format = AV_SAMPLE_FMT_FLTP;
            f->sample_rate = rate;
            av_channel_layout_copy(&f->ch_layout, &enc->ch_layout);
            f->pts = joinedAt;
            if (av_frame_get_buffer(f, 0) < 0) {
                av_frame_free(&f);
                ok = fail("out of memory", 0);
                return;
            }
            for (int c = 0; c < channels; ++c)
                std::copy(from[c], from[c] + count, reinterpret_cast<float*>(f->extended_data[c]));
            const int rc = filter->Push(f);
            av_frame_free(&f);
            ok = (rc >= 0 || fail("filtering the sound failed", rc)) && pullFilter();
        }
        joinedAt += count;
        ok = ok && encodeFifo(false);
    }

    // The splicer of the kept stretches in samples, counted from the
    // sound's first (whose time the first decoded frame tells).
    void startSplicer()
    {
        const AVStream* st = in->streams[index];
        const double fileStart = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time / double(AV_TIME_BASE);
        const int64_t ts = frame->best_effort_timestamp;
        const double first = ts == AV_NOPTS_VALUE ? 0 : std::max(0.0, ts * av_q2d(st->time_base) - fileStart);
        std::vector<SoundSplicer::Range> kept;
        for (const CutStretch& k : plan.kept)
            kept.push_back({std::max<int64_t>(0, std::llround((k.from - first) * rate)),
                            std::max<int64_t>(0, std::llround((k.to - first) * rate))});
        splicer = std::make_unique<SoundSplicer>(kept, std::llround((plan.length - first) * rate), channels,
                                                 std::llround(kHalfFade * rate));
    }

    // The frames the decoder has, as float planes, to the splicer.
    void spliceDecoded(const SoundSplicer::Sink& sinkOfJoined)
    {
        for (;;) {
            const int rc = avcodec_receive_frame(dec, frame);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return;
            if (rc < 0) {
                ok = fail("decoding the sound failed", rc);
                return;
            }
            if (!splicer)
                startSplicer();
            const int most = swr_get_out_samples(toPlanar, frame->nb_samples);
            planes.resize(static_cast<size_t>(std::max(most, 1) * channels));
            std::vector<uint8_t*> ptrs;
            for (int c = 0; c < channels; ++c)
                ptrs.push_back(reinterpret_cast<uint8_t*>(planes.data() + static_cast<size_t>(c * most)));
            const int n = swr_convert(toPlanar, ptrs.data(), most, const_cast<const uint8_t**>(frame->extended_data),
                                      frame->nb_samples);
            av_frame_unref(frame);
            if (n < 0) {
                ok = fail("cannot convert the sound", n);
                return;
            }
            splicer->Push(reinterpret_cast<const float* const*>(ptrs.data()), n, sinkOfJoined);
        }
    }

    // What is still held in the splicer, the filters and the encoder.
    void finish(const SoundSplicer::Sink& sinkOfJoined)
    {
        if (ok && splicer)
            splicer->Finish(sinkOfJoined);
        if (ok && filter) {
            const int rc = filter->Push(nullptr);
            ok = (rc >= 0 || fail("filtering the sound failed", rc)) && pullFilter();
        }
        ok = ok && encodeFifo(true);
        if (ok) {
            const int rc = avcodec_send_frame(enc, nullptr);
            ok = (rc >= 0 || fail("encoding the sound failed", rc)) && drainEncoder();
        }
    }
};

CutSound::CutSound() = default;
CutSound::~CutSound() = default;

AVStream* CutSound::Stream() const { return s_ ? s_->stream : nullptr; }

bool CutSound::Open(const std::string& input, AVFormatContext* out, const CutSoundPlan& plan, std::string& err)
{
    s_ = std::make_unique<State>();
    State& s = *s_;
    s.plan = plan;
    s.index = OpenStreamDecoder(input, AVMEDIA_TYPE_AUDIO, s.in, s.dec);
    if (s.index < 0)
        return (err = "cannot read the sound of " + input + ": " + FfmpegErrorText(s.index), false);
    const AVCodec* codec = avcodec_find_encoder_by_name(plan.codec.c_str());
    if (!codec)
        return (err = "no " + plan.codec + " encoder", false);
    s.channels = s.dec->ch_layout.nb_channels >= 2 ? 2 : 1;
    int rc = OpenSoundEncoder(codec, s.dec->sample_rate, s.channels, plan.bitRate,
                              out->oformat->flags & AVFMT_GLOBALHEADER, s.enc);
    s.rate = s.enc ? s.enc->sample_rate : 0;
    if (rc < 0)
        return (err = "cannot open the sound encoder " + plan.codec + ": " + FfmpegErrorText(rc), false);
    AVChannelLayout inLayout {};
    if (s.dec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || s.dec->ch_layout.nb_channels == 0)
        av_channel_layout_default(&inLayout, std::max(s.dec->ch_layout.nb_channels, 1));
    else
        av_channel_layout_copy(&inLayout, &s.dec->ch_layout);
    rc = swr_alloc_set_opts2(&s.toPlanar, &s.enc->ch_layout, AV_SAMPLE_FMT_FLTP, s.rate, &inLayout, s.dec->sample_fmt,
                             s.dec->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    if (rc < 0 || (rc = swr_init(s.toPlanar)) < 0)
        return (err = "cannot convert the sound: " + FfmpegErrorText(rc), false);
    rc = swr_alloc_set_opts2(&s.toEncoder, &s.enc->ch_layout, s.enc->sample_fmt, s.rate, &s.enc->ch_layout,
                             AV_SAMPLE_FMT_FLTP, s.rate, 0, nullptr);
    if (rc < 0 || (rc = swr_init(s.toEncoder)) < 0)
        return (err = "cannot convert the sound: " + FfmpegErrorText(rc), false);
    if (!plan.filter.empty()) {
        // The filters may change rate and format (loudness normalisation
        // works at 192 kHz): what they give is brought back.
        char layoutText[64] = {};
        av_channel_layout_describe(&s.enc->ch_layout, layoutText, sizeof layoutText);
        const std::string chain = plan.filter + ",aresample=" + std::to_string(s.rate)
            + ",aformat=sample_fmts=fltp:channel_layouts=" + layoutText;
        s.filter = std::make_unique<FfmpegAudioFilter>();
        if (!s.filter->Open(chain, s.rate, AV_SAMPLE_FMT_FLTP, s.enc->ch_layout, AVRational {1, s.rate}, err))
            return false;
    }
    s.fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, s.channels, 4096);
    s.stream = avformat_new_stream(out, nullptr);
    if (!s.stream || avcodec_parameters_from_context(s.stream->codecpar, s.enc) < 0)
        return (err = "cannot add the sound to the copy", false);
    s.stream->time_base = s.enc->time_base;
    if (const AVDictionaryEntry* lang = av_dict_get(s.in->streams[s.index]->metadata, "language", nullptr, 0))
        av_dict_set(&s.stream->metadata, "language", lang->value, 0);
    return true;
}

bool CutSound::Run(const std::function<bool(AVPacket*)>& sink, const std::atomic<bool>& cancel, std::string& err)
{
    State& s = *s_;
    s.sink = &sink;
    s.done = &done_;
    const SoundSplicer::Sink joined = [&s](const float* const* planes, int64_t count) { s.joined(planes, count); };
    while (s.ok && !cancel) {
        const bool more = FeedDecoder(s.in, s.index, s.dec, s.pkt);
        s.spliceDecoded(joined);
        if (!more)
            break;
    }
    if (s.ok && cancel)
        s.ok = s.fail("cancelled", 0);
    s.finish(joined);
    if (!s.ok)
        err = s.stopped ? "stopped" : s.err;
    return s.ok;
}

}  // namespace pellucor
