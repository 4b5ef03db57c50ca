#include "media/StreamDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace pellucor {

int OpenStreamDecoder(const std::string& path, AVMediaType type, AVFormatContext*& in, AVCodecContext*& dec,
                      int threads)
{
    int rc = avformat_open_input(&in, path.c_str(), nullptr, nullptr);
    if (rc < 0 || (rc = avformat_find_stream_info(in, nullptr)) < 0)
        return rc;
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(in, type, -1, -1, &codec, 0);
    if (stream < 0)
        return stream;
    dec = avcodec_alloc_context3(codec);
    if ((rc = avcodec_parameters_to_context(dec, in->streams[stream]->codecpar)) < 0)
        return rc;
    dec->pkt_timebase = in->streams[stream]->time_base;
    dec->thread_count = threads;
    rc = avcodec_open2(dec, codec, nullptr);
    return rc < 0 ? rc : stream;
}

int PickSampleRate(const AVCodec* codec, int wanted)
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

int OpenSoundEncoder(const AVCodec* codec, int rate, int channels, int bitRate, bool globalHeader,
                     AVCodecContext*& enc)
{
    enc = avcodec_alloc_context3(codec);
    if (!enc)
        return AVERROR(ENOMEM);
    enc->sample_rate = PickSampleRate(codec, rate);
    av_channel_layout_default(&enc->ch_layout, channels);
    enc->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    enc->time_base = {1, enc->sample_rate};
    if (bitRate > 0)
        enc->bit_rate = bitRate;
    if (globalHeader)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return avcodec_open2(enc, codec, nullptr);
}

bool FeedDecoder(AVFormatContext* in, int stream, AVCodecContext* dec, AVPacket* pkt)
{
    for (;;) {
        if (av_read_frame(in, pkt) < 0) {
            avcodec_send_packet(dec, nullptr);
            return false;
        }
        if (pkt->stream_index == stream) {
            avcodec_send_packet(dec, pkt);
            av_packet_unref(pkt);
            return true;
        }
        av_packet_unref(pkt);
    }
}

}  // namespace pellucor
