#include "GifDecode.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace pellucor {

bool DecodePicture(const std::string& path, DecodedPicture& out)
{
    AVFormatContext* fmt = nullptr;
    const std::string url = "file:" + path;
    if (avformat_open_input(&fmt, url.c_str(), nullptr, nullptr) < 0)
        return false;
    bool ok = false;
    AVCodecContext* dec = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->nb_streams == 1) {
        const AVCodec* codec = avcodec_find_decoder(fmt->streams[0]->codecpar->codec_id);
        dec = avcodec_alloc_context3(codec);
        if (codec && avcodec_parameters_to_context(dec, fmt->streams[0]->codecpar) >= 0
            && avcodec_open2(dec, codec, nullptr) >= 0) {
            while (!ok && av_read_frame(fmt, pkt) >= 0) {
                if (avcodec_send_packet(dec, pkt) >= 0 && avcodec_receive_frame(dec, frame) >= 0)
                    ok = true;
                av_packet_unref(pkt);
            }
            if (!ok && avcodec_send_packet(dec, nullptr) >= 0 && avcodec_receive_frame(dec, frame) >= 0)
                ok = true;
        }
    }
    if (ok) {
        out.width = frame->width;
        out.height = frame->height;
        out.pixels.assign(static_cast<size_t>(out.width) * out.height, 0);
        SwsContext* sws
            = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                             frame->height, AV_PIX_FMT_RGB32, SWS_POINT, nullptr, nullptr, nullptr);
        uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(out.pixels.data())};
        const int dstStride[1] = {out.width * 4};
        ok = sws && sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride) == frame->height;
        sws_freeContext(sws);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return ok;
}

}  // namespace pellucor
