#include "capture/FfmpegTranscoder.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "capture/FfmpegMediaFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {

// One input stream being transcoded into one output stream.
struct Lane {
    bool video = false;
    int in = -1;
    AVStream* out = nullptr;
    AVCodecContext* dec = nullptr;
    AVCodecContext* enc = nullptr;
    SwsContext* sws = nullptr;
    SwrContext* swr = nullptr;
    AVAudioFifo* fifo = nullptr;
    int64_t nextPts = 0;
    int64_t lastVideoPts = AV_NOPTS_VALUE;

    ~Lane()
    {
        avcodec_free_context(&dec);
        avcodec_free_context(&enc);
        sws_freeContext(sws);
        swr_free(&swr);
        if (fifo)
            av_audio_fifo_free(fifo);
    }
};

struct Job {
    AVFormatContext* in = nullptr;
    AVFormatContext* out = nullptr;
    std::vector<std::unique_ptr<Lane>> lanes;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::string err;

    ~Job()
    {
        lanes.clear();
        av_packet_free(&pkt);
        av_frame_free(&frame);
        if (out) {
            if (!(out->oformat->flags & AVFMT_NOFILE))
                avio_closep(&out->pb);
            avformat_free_context(out);
        }
        avformat_close_input(&in);
    }

    bool fail(const std::string& what, int rc)
    {
        err = what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
        return false;
    }
};

const AVCodec* findEncoder(const std::string& name, AVCodecID fallback)
{
    if (!name.empty())
        return avcodec_find_encoder_by_name(name.c_str());
    return fallback == AV_CODEC_ID_NONE ? nullptr : avcodec_find_encoder(fallback);
}

int pickSampleRate(const AVCodec* codec, int wanted)
{
    if (!codec->supported_samplerates)
        return wanted > 0 ? wanted : 44100;
    int best = codec->supported_samplerates[0];
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (*r == wanted)
            return wanted;
        else if (*r > best && best < wanted)
            best = *r;
    return best;
}

bool openVideoEncoder(Job& job, Lane& lane, const AVCodec* codec, const TranscodeOptions& o)
{
    AVCodecContext* enc = lane.enc = avcodec_alloc_context3(codec);
    const AVStream* st = job.in->streams[lane.in];
    enc->width = o.width > 0 ? o.width : lane.dec->width;
    enc->height = o.height > 0 ? o.height : lane.dec->height;
    enc->width += enc->width % 2;
    enc->height += enc->height % 2;
    enc->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    AVRational rate = av_guess_frame_rate(job.in, const_cast<AVStream*>(st), nullptr);
    if (rate.num <= 0 || rate.den <= 0)
        rate = {25, 1};
    enc->time_base = av_inv_q(rate);
    enc->framerate = rate;
    enc->sample_aspect_ratio = lane.dec->sample_aspect_ratio;
    if (o.videoBitRate > 0)
        enc->bit_rate = o.videoBitRate;
    if (job.out->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "deadline", "realtime", 0);  // libvpx
    av_dict_set(&opts, "cpu-used", "8", 0);         // libvpx
    av_dict_set(&opts, "preset", "veryfast", 0);    // libx264
    const int rc = avcodec_open2(enc, codec, &opts);
    av_dict_free(&opts);
    if (rc < 0)
        return job.fail(std::string("cannot open the video encoder ") + codec->name, rc);
    lane.sws = sws_getContext(lane.dec->width, lane.dec->height, lane.dec->pix_fmt, enc->width, enc->height,
                              enc->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!lane.sws)
        return job.fail("cannot convert the video frames", 0);
    return true;
}

bool openAudioEncoder(Job& job, Lane& lane, const AVCodec* codec, const TranscodeOptions& o)
{
    AVCodecContext* enc = lane.enc = avcodec_alloc_context3(codec);
    enc->sample_rate = pickSampleRate(codec, lane.dec->sample_rate);
    const int channels = lane.dec->ch_layout.nb_channels >= 2 ? 2 : 1;
    av_channel_layout_default(&enc->ch_layout, channels);
    enc->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    enc->time_base = {1, enc->sample_rate};
    if (o.audioBitRate > 0)
        enc->bit_rate = o.audioBitRate;
    if (job.out->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int rc = avcodec_open2(enc, codec, nullptr);
    if (rc < 0)
        return job.fail(std::string("cannot open the audio encoder ") + codec->name, rc);
    AVChannelLayout inLayout{};
    if (lane.dec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || lane.dec->ch_layout.nb_channels == 0)
        av_channel_layout_default(&inLayout, lane.dec->ch_layout.nb_channels > 0 ? lane.dec->ch_layout.nb_channels : 1);
    else
        av_channel_layout_copy(&inLayout, &lane.dec->ch_layout);
    rc = swr_alloc_set_opts2(&lane.swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &inLayout,
                             lane.dec->sample_fmt, lane.dec->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    if (rc < 0 || swr_init(lane.swr) < 0)
        return job.fail("cannot convert the audio samples", rc);
    lane.fifo = av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 1024);
    return true;
}

bool writePackets(Job& job, Lane& lane)
{
    for (;;) {
        int rc = avcodec_receive_packet(lane.enc, job.pkt);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return job.fail("encoding failed", rc);
        av_packet_rescale_ts(job.pkt, lane.enc->time_base, lane.out->time_base);
        job.pkt->stream_index = lane.out->index;
        rc = av_interleaved_write_frame(job.out, job.pkt);
        if (rc < 0)
            return job.fail("writing the output failed", rc);
    }
}

bool encode(Job& job, Lane& lane, AVFrame* frame)
{
    const int rc = avcodec_send_frame(lane.enc, frame);
    if (rc < 0 && rc != AVERROR_EOF)
        return job.fail("encoding failed", rc);
    return writePackets(job, lane);
}

bool encodeVideo(Job& job, Lane& lane, AVFrame* in)
{
    AVFrame* f = av_frame_alloc();
    f->format = lane.enc->pix_fmt;
    f->width = lane.enc->width;
    f->height = lane.enc->height;
    if (av_frame_get_buffer(f, 0) < 0) {
        av_frame_free(&f);
        return job.fail("out of memory", 0);
    }
    sws_scale(lane.sws, in->data, in->linesize, 0, in->height, f->data, f->linesize);
    const AVRational tb = job.in->streams[lane.in]->time_base;
    int64_t pts = in->best_effort_timestamp == AV_NOPTS_VALUE ? lane.nextPts
                                                              : av_rescale_q(in->best_effort_timestamp, tb, lane.enc->time_base);
    if (lane.lastVideoPts != AV_NOPTS_VALUE && pts <= lane.lastVideoPts)
        pts = lane.lastVideoPts + 1;
    f->pts = lane.lastVideoPts = pts;
    lane.nextPts = pts + 1;
    const bool ok = encode(job, lane, f);
    av_frame_free(&f);
    return ok;
}

bool drainFifo(Job& job, Lane& lane, bool final)
{
    const int size = lane.enc->frame_size > 0 ? lane.enc->frame_size : 1024;
    while (av_audio_fifo_size(lane.fifo) >= size || (final && av_audio_fifo_size(lane.fifo) > 0)) {
        const int n = std::min(size, av_audio_fifo_size(lane.fifo));
        AVFrame* f = av_frame_alloc();
        f->nb_samples = n;
        f->format = lane.enc->sample_fmt;
        f->sample_rate = lane.enc->sample_rate;
        av_channel_layout_copy(&f->ch_layout, &lane.enc->ch_layout);
        if (av_frame_get_buffer(f, 0) < 0) {
            av_frame_free(&f);
            return job.fail("out of memory", 0);
        }
        av_audio_fifo_read(lane.fifo, reinterpret_cast<void**>(f->data), n);
        f->pts = lane.nextPts;
        lane.nextPts += n;
        const bool ok = encode(job, lane, f);
        av_frame_free(&f);
        if (!ok)
            return false;
    }
    return true;
}

bool encodeAudio(Job& job, Lane& lane, AVFrame* in)
{
    const int outMax = swr_get_out_samples(lane.swr, in ? in->nb_samples : 0);
    if (outMax <= 0)
        return true;
    uint8_t** buf = nullptr;
    if (av_samples_alloc_array_and_samples(&buf, nullptr, lane.enc->ch_layout.nb_channels, outMax,
                                           lane.enc->sample_fmt, 0) < 0)
        return job.fail("out of memory", 0);
    const int got = swr_convert(lane.swr, buf, outMax, in ? const_cast<const uint8_t**>(in->extended_data) : nullptr,
                                in ? in->nb_samples : 0);
    if (got > 0)
        av_audio_fifo_write(lane.fifo, reinterpret_cast<void**>(buf), got);
    av_freep(&buf[0]);
    av_freep(&buf);
    return drainFifo(job, lane, false);
}

bool decodeInto(Job& job, Lane& lane, AVPacket* pkt)
{
    int rc = avcodec_send_packet(lane.dec, pkt);
    if (rc < 0 && rc != AVERROR_EOF && rc != AVERROR_INVALIDDATA)
        return job.fail("decoding failed", rc);
    for (;;) {
        rc = avcodec_receive_frame(lane.dec, job.frame);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return job.fail("decoding failed", rc);
        const bool ok = lane.video ? encodeVideo(job, lane, job.frame) : encodeAudio(job, lane, job.frame);
        av_frame_unref(job.frame);
        if (!ok)
            return false;
    }
}

bool openLanes(Job& job, const TranscodeOptions& o)
{
    for (unsigned i = 0; i < job.in->nb_streams; ++i) {
        const AVStream* st = job.in->streams[i];
        const auto type = st->codecpar->codec_type;
        const bool video = type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC);
        if (!(video && !o.dropVideo) && type != AVMEDIA_TYPE_AUDIO)
            continue;
        const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
        const AVCodec* encoder = video ? findEncoder(o.videoCodec, job.out->oformat->video_codec)
                                       : findEncoder(o.audioCodec, job.out->oformat->audio_codec);
        if (!decoder || !encoder)
            continue;
        auto lane = std::make_unique<Lane>();
        lane->video = video;
        lane->in = static_cast<int>(i);
        lane->dec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(lane->dec, st->codecpar);
        lane->dec->pkt_timebase = st->time_base;
        int rc = avcodec_open2(lane->dec, decoder, nullptr);
        if (rc < 0)
            return job.fail("cannot decode stream " + std::to_string(i), rc);
        if (!(video ? openVideoEncoder(job, *lane, encoder, o) : openAudioEncoder(job, *lane, encoder, o)))
            return false;
        lane->out = avformat_new_stream(job.out, nullptr);
        avcodec_parameters_from_context(lane->out->codecpar, lane->enc);
        lane->out->time_base = lane->enc->time_base;
        job.lanes.push_back(std::move(lane));
    }
    if (job.lanes.empty())
        return job.fail("the input has no audio or video stream that can be converted", 0);
    return true;
}

bool transcode(Job& job, const std::string& input, const std::string& output, const TranscodeOptions& o,
               const std::function<void(int)>& progress, const std::atomic<bool>& cancelled)
{
    int rc = avformat_open_input(&job.in, input.c_str(), nullptr, nullptr);
    if (rc < 0)
        return job.fail("cannot open " + input, rc);
    if ((rc = avformat_find_stream_info(job.in, nullptr)) < 0)
        return job.fail("cannot read the streams of " + input, rc);
    rc = avformat_alloc_output_context2(&job.out, nullptr, o.format.empty() ? nullptr : o.format.c_str(),
                                        output.c_str());
    if (rc < 0 || !job.out)
        return job.fail("cannot write a file of this kind: " + output, rc);
    if (!openLanes(job, o))
        return false;
    if (!(job.out->oformat->flags & AVFMT_NOFILE) && (rc = avio_open(&job.out->pb, output.c_str(), AVIO_FLAG_WRITE)) < 0)
        return job.fail("cannot create " + output, rc);
    if ((rc = avformat_write_header(job.out, nullptr)) < 0)
        return job.fail("cannot write the header of " + output, rc);

    const double duration = job.in->duration > 0 ? static_cast<double>(job.in->duration) / AV_TIME_BASE : 0.0;
    int lastPercent = -1;
    auto report = [&](int percent) {
        if (percent > lastPercent && progress) {
            lastPercent = percent;
            progress(percent);
        }
    };
    report(0);
    while ((rc = av_read_frame(job.in, job.pkt)) >= 0) {
        if (cancelled)
            return job.fail("cancelled", 0);
        Lane* lane = nullptr;
        for (auto& l : job.lanes)
            if (l->in == job.pkt->stream_index)
                lane = l.get();
        if (lane) {
            if (duration > 0 && job.pkt->pts != AV_NOPTS_VALUE) {
                const double t = job.pkt->pts * av_q2d(job.in->streams[lane->in]->time_base);
                report(std::clamp(static_cast<int>(t * 100.0 / duration), 0, 99));
            }
            AVPacket* copy = av_packet_clone(job.pkt);
            const bool ok = decodeInto(job, *lane, copy);
            av_packet_free(&copy);
            if (!ok)
                return false;
        }
        av_packet_unref(job.pkt);
    }
    if (rc != AVERROR_EOF)
        return job.fail("reading " + input + " failed", rc);
    for (auto& l : job.lanes) {
        if (!decodeInto(job, *l, nullptr))
            return false;
        if (!l->video && (!encodeAudio(job, *l, nullptr) || !drainFifo(job, *l, true)))
            return false;
        if (!encode(job, *l, nullptr))
            return false;
    }
    if ((rc = av_write_trailer(job.out)) < 0)
        return job.fail("cannot finish " + output, rc);
    report(100);
    return true;
}

}  // namespace

bool FfmpegTranscoder::Run(const std::string& input, const std::string& output, const TranscodeOptions& options,
                           std::string& err)
{
    cancelled_ = false;
    FfmpegQuietLogs();
    bool ok;
    {
        Job job;
        ok = transcode(job, input, output, options, onProgress, cancelled_);
        err = job.err;
    }
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(output, ec);
    }
    return ok;
}
