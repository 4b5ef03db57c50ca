// What the picture writers share: FFmpeg's objects held for their lifetime,
// a frame of a rendered picture's pixels and writing a whole encoded
// picture to its file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "media/FfmpegMediaFile.h"  // FfmpegErrorText

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace pellucor {

struct AvFrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AvCodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct AvPacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameDeleter>;

// A frame (RGB32) holding width x height pixels of 32 bits, rows stride
// bytes apart; with opaque, every pixel's alpha set. Null with err.
AvFramePtr Rgb32Frame(const uint8_t* pixels, int stride, int width, int height, bool opaque, std::string& err);

// Writes the encoded picture to path; the file is replaced only once it is
// complete. False with the reason.
bool SavePictureFile(const std::string& path, const std::string& data, std::string& err);

}  // namespace pellucor
