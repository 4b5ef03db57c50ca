#include "media/WebpWriter.h"

#include <memory>

extern "C" {
#include <libavutil/opt.h>
}

#include "media/EncodedPicture.h"

namespace pellucor {

bool WriteWebpPicture(const std::string& path, const uint8_t* pixels, int stride, int width, int height, std::string& err,
                   bool quick)
{
    if (!pixels || width < 1 || height < 1 || width > kMaxWebpSide || height > kMaxWebpSide || stride < width * 4) {
        err = "invalid picture size " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name("libwebp");
    std::unique_ptr<AVCodecContext, AvCodecDeleter> enc(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!enc) {
        err = "this FFmpeg has no WebP encoder";
        return false;
    }
    enc->width = width;
    enc->height = height;
    enc->pix_fmt = AV_PIX_FMT_RGB32;
    enc->time_base = AVRational {1, 25};
    // Lossless: the text of a slide stays as sharp as it was drawn.
    av_opt_set_int(enc->priv_data, "lossless", 1, 0);
    if (quick)
        enc->compression_level = 0;
    int rc = avcodec_open2(enc.get(), codec, nullptr);
    if (rc < 0) {
        err = "cannot open the WebP encoder: " + FfmpegErrorText(rc);
        return false;
    }
    const AvFramePtr frame = Rgb32Frame(pixels, stride, width, height, true, err);
    std::unique_ptr<AVPacket, AvPacketDeleter> pkt(av_packet_alloc());
    if (!frame || !pkt) {
        err = frame ? "out of memory" : err;
        return false;
    }
    std::string data;
    rc = avcodec_send_frame(enc.get(), frame.get());
    if (rc >= 0)
        rc = avcodec_send_frame(enc.get(), nullptr);
    while (rc >= 0 && (rc = avcodec_receive_packet(enc.get(), pkt.get())) >= 0) {
        // The encoder gives the whole file (RIFF container) as one packet.
        data.append(reinterpret_cast<const char*>(pkt->data), static_cast<size_t>(pkt->size));
        av_packet_unref(pkt.get());
    }
    if (rc != AVERROR_EOF || data.empty()) {
        err = "cannot encode the WebP picture: " + FfmpegErrorText(rc);
        return false;
    }
    return SavePictureFile(path, data, err);
}

}  // namespace pellucor
