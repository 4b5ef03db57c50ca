#include "media/CaptionTrack.h"

#include <cmath>

#include "media/FfmpegMediaFile.h"
#include "media/StreamDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

namespace pellucor {

namespace {

bool failed(std::string& err, const std::string& what, int rc)
{
    err = what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
    return false;
}

}  // namespace

AVCodecContext* OpenCaptionsEncoder(std::string& err)
{
    // The WebVTT reader's style header is the one its cues are written in.
    const AVCodec* reader = avcodec_find_decoder(AV_CODEC_ID_WEBVTT);
    const AVCodec* writer = avcodec_find_encoder(AV_CODEC_ID_MOV_TEXT);
    if (!reader || !writer) {
        err = "this FFmpeg reads no WebVTT or writes no MP4 timed text";
        return nullptr;
    }
    AVCodecContext* dec = avcodec_alloc_context3(reader);
    AVCodecContext* enc = avcodec_alloc_context3(writer);
    int rc = avcodec_open2(dec, reader, nullptr);
    if (rc >= 0 && dec->subtitle_header) {
        enc->subtitle_header = static_cast<uint8_t*>(av_mallocz(static_cast<size_t>(dec->subtitle_header_size) + 1));
        std::copy_n(dec->subtitle_header, dec->subtitle_header_size, enc->subtitle_header);
        enc->subtitle_header_size = dec->subtitle_header_size;
    }
    enc->time_base = {1, 1000};
    if (rc >= 0)
        rc = avcodec_open2(enc, writer, nullptr);
    avcodec_free_context(&dec);
    if (rc < 0) {
        failed(err, "cannot open the timed-text encoder", rc);
        avcodec_free_context(&enc);
    }
    return enc;
}

bool EncodeCaptions(const std::string& vttPath, AVCodecContext* enc, std::vector<EncodedCue>& cues, std::string& err)
{
    AVFormatContext* in = nullptr;
    AVCodecContext* dec = nullptr;
    const int s = OpenStreamDecoder(vttPath, AVMEDIA_TYPE_SUBTITLE, in, dec);
    const int rc = s;
    AVPacket* pkt = av_packet_alloc();
    std::vector<uint8_t> buffer(1 << 16);
    while (rc >= 0 && av_read_frame(in, pkt) >= 0) {
        if (pkt->stream_index == s) {
            AVSubtitle sub {};
            int got = 0;
            const double tb = av_q2d(in->streams[s]->time_base);
            const double start = pkt->pts * tb, end = (pkt->pts + pkt->duration) * tb;
            if (avcodec_decode_subtitle2(dec, &sub, &got, pkt) >= 0 && got && sub.num_rects > 0) {
                const int size = avcodec_encode_subtitle(enc, buffer.data(), static_cast<int>(buffer.size()), &sub);
                if (size > 0)
                    cues.push_back({start, end, std::vector<uint8_t>(buffer.begin(), buffer.begin() + size)});
            }
            avsubtitle_free(&sub);
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&in);
    return rc >= 0 || failed(err, "cannot read the captions " + vttPath, rc);
}

CaptionBurner::~CaptionBurner() { avfilter_graph_free(&graph_); }

bool CaptionBurner::Open(const std::string& vttPath, int width, int height, std::string& err)
{
    graph_ = avfilter_graph_alloc();
    graph_->nb_threads = 1;
    const std::string args
        = "video_size=" + std::to_string(width) + "x" + std::to_string(height) + ":pix_fmt=yuv420p:time_base=1/1000";
    int rc = avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "canvas", args.c_str(), nullptr,
                                          graph_);
    AVFilterContext* draw = nullptr;
    if (rc >= 0)
        rc = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph_);
    if (rc >= 0) {
        const AVFilter* subtitles = avfilter_get_by_name("subtitles");
        draw = subtitles ? avfilter_graph_alloc_filter(graph_, subtitles, "captions") : nullptr;
        rc = draw ? av_opt_set(draw, "filename", vttPath.c_str(), AV_OPT_SEARCH_CHILDREN) : AVERROR_FILTER_NOT_FOUND;
    }
    if (rc >= 0)
        rc = avfilter_init_str(draw, nullptr);
    if (rc >= 0)
        rc = avfilter_link(source_, 0, draw, 0);
    if (rc >= 0)
        rc = avfilter_link(draw, 0, sink_, 0);
    if (rc >= 0)
        rc = avfilter_graph_config(graph_, nullptr);
    return rc >= 0 || failed(err, "cannot draw the captions " + vttPath, rc);
}

AVFrame* CaptionBurner::Burn(const AVFrame* picture, double t)
{
    AVFrame* in = av_frame_clone(picture);
    in->pts = std::llround(t * 1000);
    AVFrame* out = av_frame_alloc();
    if (av_buffersrc_add_frame(source_, in) < 0 || av_buffersink_get_frame(sink_, out) < 0)
        av_frame_free(&out);
    av_frame_free(&in);
    return out;
}

}  // namespace pellucor
