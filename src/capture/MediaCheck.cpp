#include "capture/MediaCheck.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "capture/FfmpegMediaFile.h"
#include "capture/MediaEvents.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace pellucor {

namespace {

// Seconds decoded at the start and before the end of each stream.
constexpr double kDecodedSeconds = 1.0;

struct Input {
    AVFormatContext* ctx = nullptr;
    std::vector<AVCodecContext*> decoders;  // by stream; nullptr: not checked
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    ~Input()
    {
        for (AVCodecContext*& d : decoders)
            avcodec_free_context(&d);
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avformat_close_input(&ctx);
    }
};

bool fail(std::string& err, const std::string& path, const std::string& what, int rc)
{
    err = path + " does not play: " + what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
    return false;
}

// Decodes every packet from the current position whose time is in
// [from, to] seconds (to < 0: to the end), then drains the decoders.
// Fails on the first decoding error; counts the frames made per stream.
bool decodeSpan(Input& in, double from, double to, std::vector<int>& frames, const std::string& path, std::string& err)
{
    int rc;
    while ((rc = av_read_frame(in.ctx, in.pkt)) >= 0) {
        AVCodecContext* dec = in.decoders[static_cast<size_t>(in.pkt->stream_index)];
        const AVStream* st = in.ctx->streams[in.pkt->stream_index];
        const double t = in.pkt->pts == AV_NOPTS_VALUE ? from : in.pkt->pts * av_q2d(st->time_base);
        if (to >= 0 && t > to) {
            av_packet_unref(in.pkt);
            break;
        }
        if (dec && (rc = avcodec_send_packet(dec, in.pkt)) < 0 && rc != AVERROR(EAGAIN)) {
            av_packet_unref(in.pkt);
            return fail(err, path, "a packet at " + std::to_string(t) + " s does not decode", rc);
        }
        av_packet_unref(in.pkt);
        while (dec && avcodec_receive_frame(dec, in.frame) >= 0) {
            ++frames[static_cast<size_t>(st->index)];
            av_frame_unref(in.frame);
        }
    }
    if (rc < 0 && rc != AVERROR_EOF)
        return fail(err, path, "reading failed", rc);
    for (size_t i = 0; i < in.decoders.size(); ++i) {
        AVCodecContext* dec = in.decoders[i];
        if (!dec)
            continue;
        avcodec_send_packet(dec, nullptr);
        while ((rc = avcodec_receive_frame(dec, in.frame)) >= 0) {
            ++frames[i];
            av_frame_unref(in.frame);
        }
        if (rc != AVERROR_EOF && rc != AVERROR(EAGAIN))
            return fail(err, path, "the last pictures do not decode", rc);
        avcodec_flush_buffers(dec);
    }
    return true;
}

}  // namespace

bool CheckMediaPlays(const std::string& path, std::string& err)
{
    const FfmpegSilence quiet;
    Input in;
    int rc = avformat_open_input(&in.ctx, path.c_str(), nullptr, nullptr);
    if (rc < 0 || (rc = avformat_find_stream_info(in.ctx, nullptr)) < 0)
        return fail(err, path, "it cannot be read", rc);
    in.decoders.assign(in.ctx->nb_streams, nullptr);
    bool any = false;
    for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
        const AVStream* st = in.ctx->streams[i];
        const auto type = st->codecpar->codec_type;
        if ((type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO)
            || (st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        AVCodecContext* dec = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (!dec || avcodec_parameters_to_context(dec, st->codecpar) < 0)
            return fail(err, path, "no decoder for stream " + std::to_string(i), -1);
        dec->err_recognition |= AV_EF_EXPLODE;
        dec->thread_count = 0;
        if ((rc = avcodec_open2(dec, codec, nullptr)) < 0) {
            avcodec_free_context(&dec);
            return fail(err, path, "stream " + std::to_string(i) + " cannot be decoded", rc);
        }
        in.decoders[i] = dec;
        any = true;
    }
    if (!any)
        return fail(err, path, "it holds no sound or picture", -1);

    // Every packet, to the end: a read error or a file cut short fails.
    int64_t lastEnd = 0;
    while ((rc = av_read_frame(in.ctx, in.pkt)) >= 0) {
        const AVStream* st = in.ctx->streams[in.pkt->stream_index];
        if (in.pkt->pts != AV_NOPTS_VALUE)
            lastEnd = std::max(
                lastEnd,
                av_rescale_q(in.pkt->pts + std::max<int64_t>(in.pkt->duration, 0), st->time_base, AV_TIME_BASE_Q));
        av_packet_unref(in.pkt);
    }
    if (rc != AVERROR_EOF)
        return fail(err, path, "reading failed", rc);
    if (const std::string cut = CutShortReason(in.ctx, lastEnd); !cut.empty())
        return fail(err, path, cut, -1);

    // The first and the last seconds decode, and make pictures and sound.
    // Where the container cannot seek (RealMedia sound), the whole file is
    // decoded from its start instead.
    const double start = in.ctx->start_time == AV_NOPTS_VALUE ? 0 : in.ctx->start_time / double(AV_TIME_BASE);
    const double end = lastEnd / double(AV_TIME_BASE);
    bool canSeek
        = av_seek_frame(in.ctx, -1, static_cast<int64_t>(std::max(start, end - kDecodedSeconds) * AV_TIME_BASE),
                        AVSEEK_FLAG_BACKWARD)
        >= 0;
    for (const double from : {start, std::max(start, end - kDecodedSeconds)}) {
        // A file opened afresh may not seek where the first reading could
        // (RealMedia without an index): then it is decoded from its start.
        if (canSeek && from != start
            && av_seek_frame(in.ctx, -1, static_cast<int64_t>(from * AV_TIME_BASE), AVSEEK_FLAG_BACKWARD) < 0)
            canSeek = false;
        if (!canSeek || from == start) {
            avformat_close_input(&in.ctx);
            if ((rc = avformat_open_input(&in.ctx, path.c_str(), nullptr, nullptr)) < 0
                || (rc = avformat_find_stream_info(in.ctx, nullptr)) < 0)
                return fail(err, path, "it cannot be read", rc);
        }
        std::vector<int> frames(in.ctx->nb_streams, 0);
        const bool whole = !canSeek && from != start;
        if (!decodeSpan(in, whole ? start : from, from == start ? start + kDecodedSeconds : -1, frames, path, err))
            return false;
        for (size_t i = 0; i < frames.size(); ++i)
            if (in.decoders[i] && frames[i] == 0)
                return fail(err, path,
                            "stream " + std::to_string(i) + " makes nothing near " + std::to_string(from) + " s", -1);
    }
    return true;
}

}  // namespace pellucor
