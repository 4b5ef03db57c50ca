#include "media/GifWriter.h"

#include <cstring>
#include <memory>
#include <unordered_map>

#include "media/EncodedPicture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace pellucor {

namespace {

const auto avError = FfmpegErrorText;

struct GraphDeleter {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct InOutDeleter {
    void operator()(AVFilterInOut* io) const { avfilter_inout_free(&io); }
};
using FramePtr = AvFramePtr;
using CodecDeleter = AvCodecDeleter;
using PacketDeleter = AvPacketDeleter;

FramePtr newPaletteFrame(int width, int height)
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->format = AV_PIX_FMT_PAL8;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    return frame;
}

// Slides are mostly flat colour with anti-aliased edges and often use no
// more than 256 colours: those are written losslessly with exactly their
// own colours. False when the picture has more colours.
bool exactPalette(const uint8_t* pixels, int stride, int width, int height, FramePtr& out)
{
    std::unordered_map<uint32_t, uint8_t> index;
    index.reserve(512);
    FramePtr frame = newPaletteFrame(width, height);
    if (!frame)
        return false;
    auto* palette = reinterpret_cast<uint32_t*>(frame->data[1]);
    std::memset(palette, 0, AVPALETTE_SIZE);
    uint32_t last = 0;
    uint8_t lastIndex = 0;
    bool haveLast = false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
        uint8_t* dst = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < width; ++x) {
            uint32_t v;
            std::memcpy(&v, row + static_cast<ptrdiff_t>(x) * 4, 4);
            v |= 0xFF000000u;  // slides are opaque
            if (!haveLast || v != last) {
                auto [it, added] = index.try_emplace(v, static_cast<uint8_t>(index.size()));
                if (added) {
                    if (index.size() > 256)
                        return false;
                    palette[it->second] = v;
                }
                last = v;
                lastIndex = it->second;
                haveLast = true;
            }
            dst[x] = lastIndex;
        }
    }
    out = std::move(frame);
    return true;
}

// Reduces the picture to one palette chosen for it.
bool toPalette(const uint8_t* pixels, int stride, int width, int height, FramePtr& out, std::string& err)
{
    std::unique_ptr<AVFilterGraph, GraphDeleter> graph(avfilter_graph_alloc());
    if (!graph) {
        err = "out of memory";
        return false;
    }
    graph->nb_threads = 1;
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    const std::string args = "video_size=" + std::to_string(width) + "x" + std::to_string(height)
        + ":pix_fmt=" + std::to_string(AV_PIX_FMT_RGB32) + ":time_base=1/25:pixel_aspect=1/1";
    int rc
        = avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr, graph.get());
    if (rc >= 0)
        rc = avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                          graph.get());
    if (rc < 0) {
        err = "cannot set up the palette filter: " + avError(rc);
        return false;
    }
    std::unique_ptr<AVFilterInOut, InOutDeleter> outputs(avfilter_inout_alloc());
    std::unique_ptr<AVFilterInOut, InOutDeleter> inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) {
        err = "out of memory";
        return false;
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = src;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    AVFilterInOut* in = inputs.release();
    AVFilterInOut* outs = outputs.release();
    rc = avfilter_graph_parse_ptr(graph.get(),
                                  "split[a][b];[a]palettegen=reserve_transparent=0:stats_mode=full[p];"
                                  "[b][p]paletteuse=dither=sierra2_4a",
                                  &in, &outs, nullptr);
    avfilter_inout_free(&in);
    avfilter_inout_free(&outs);
    if (rc >= 0)
        rc = avfilter_graph_config(graph.get(), nullptr);
    if (rc < 0) {
        err = "cannot set up the palette filter: " + avError(rc);
        return false;
    }

    FramePtr frame = Rgb32Frame(pixels, stride, width, height, false, err);
    if (!frame)
        return false;
    rc = av_buffersrc_add_frame(src, frame.get());
    if (rc >= 0)
        rc = av_buffersrc_add_frame(src, nullptr);
    out.reset(av_frame_alloc());
    if (rc >= 0 && out)
        rc = av_buffersink_get_frame(sink, out.get());
    if (rc < 0 || !out) {
        err = "cannot choose the palette: " + avError(rc);
        return false;
    }
    return true;
}

// Encodes a palette picture into a complete GIF file held in memory.
bool encodeGif(AVFrame* picture, std::string& data, std::string& err)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_GIF);
    const AVOutputFormat* format = av_guess_format("gif", nullptr, nullptr);
    if (!codec || !format) {
        err = "this FFmpeg has no GIF encoder";
        return false;
    }
    std::unique_ptr<AVCodecContext, CodecDeleter> enc(avcodec_alloc_context3(codec));
    if (!enc) {
        err = "out of memory";
        return false;
    }
    enc->width = picture->width;
    enc->height = picture->height;
    enc->pix_fmt = AV_PIX_FMT_PAL8;
    enc->time_base = AVRational {1, 25};
    int rc = avcodec_open2(enc.get(), codec, nullptr);
    if (rc < 0) {
        err = "cannot open the GIF encoder: " + avError(rc);
        return false;
    }

    AVFormatContext* raw = nullptr;
    if ((rc = avformat_alloc_output_context2(&raw, format, nullptr, nullptr)) < 0) {
        err = "cannot set up the GIF writer: " + avError(rc);
        return false;
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> oc(raw, [](AVFormatContext* c) {
        if (c->pb) {
            uint8_t* buf = nullptr;
            avio_close_dyn_buf(c->pb, &buf);
            av_free(buf);
            c->pb = nullptr;
        }
        avformat_free_context(c);
    });
    AVStream* stream = avformat_new_stream(oc.get(), nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, enc.get()) < 0 || avio_open_dyn_buf(&oc->pb) < 0) {
        err = "cannot set up the GIF writer";
        return false;
    }
    stream->time_base = enc->time_base;
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "loop", "-1", 0);  // a still picture: no animation loop block
    rc = avformat_write_header(oc.get(), &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        err = "cannot write the GIF header: " + avError(rc);
        return false;
    }

    std::unique_ptr<AVPacket, PacketDeleter> pkt(av_packet_alloc());
    picture->pts = 0;
    rc = pkt ? avcodec_send_frame(enc.get(), picture) : AVERROR(ENOMEM);
    if (rc >= 0)
        rc = avcodec_send_frame(enc.get(), nullptr);
    while (rc >= 0) {
        rc = avcodec_receive_packet(enc.get(), pkt.get());
        if (rc == AVERROR_EOF)
            break;
        if (rc < 0)
            break;
        av_packet_rescale_ts(pkt.get(), enc->time_base, stream->time_base);
        pkt->stream_index = stream->index;
        rc = av_write_frame(oc.get(), pkt.get());
        av_packet_unref(pkt.get());
    }
    if (rc != AVERROR_EOF) {
        err = "cannot encode the GIF picture: " + avError(rc);
        return false;
    }
    if ((rc = av_write_trailer(oc.get())) < 0) {
        err = "cannot finish the GIF file: " + avError(rc);
        return false;
    }
    uint8_t* buf = nullptr;
    const int size = avio_close_dyn_buf(oc->pb, &buf);
    oc->pb = nullptr;
    data.assign(reinterpret_cast<const char*>(buf), size > 0 ? static_cast<size_t>(size) : 0);
    av_free(buf);
    if (data.empty()) {
        err = "the GIF encoder wrote nothing";
        return false;
    }
    return true;
}

}  // namespace

bool WriteGifPicture(const std::string& path, const uint8_t* pixels, int stride, int width, int height, std::string& err)
{
    if (!pixels || width < 1 || height < 1 || width > kMaxGifSide || height > kMaxGifSide || stride < width * 4) {
        err = "invalid picture size " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    // palettegen reports every palette it makes (and each colour it had to
    // pick twice): while FFmpeg's log is at its default level, keep it to
    // errors.
    if (av_log_get_level() == AV_LOG_INFO)
        av_log_set_level(AV_LOG_ERROR);
    FramePtr palette;
    std::string data;
    if (!exactPalette(pixels, stride, width, height, palette)
        && !toPalette(pixels, stride, width, height, palette, err))
        return false;
    return encodeGif(palette.get(), data, err) && SavePictureFile(path, data, err);
}

}  // namespace pellucor
