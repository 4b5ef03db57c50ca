#include "media/VideoCanvas.h"

#include <algorithm>

#include "media/FfmpegMediaFile.h"
#include "media/StreamDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace pellucor {

namespace {

int even(int v) { return v & ~1; }

}  // namespace

CanvasLayout LayoutBoxes(VideoLayout layout, int width, int height)
{
    CanvasLayout l;
    switch (layout) {
    case VideoLayout::Slides: l.slide = {0, 0, width, height}; break;
    case VideoLayout::Side: {
        // The slide takes five eighths of the width, the speaker the rest.
        const int speakerWidth = even(width * 3 / 8);
        l.slide = {0, 0, width - speakerWidth, height};
        l.speaker = {width - speakerWidth, 0, speakerWidth, height};
        break;
    }
    case VideoLayout::Pip: {
        // A quarter of the size, in the top right corner, clear of the
        // captions at the bottom.
        const int margin = even(height / 45);
        l.slide = {0, 0, width, height};
        l.speaker = {even(width - width / 4 - margin), margin, even(width / 4), even(height / 4)};
        break;
    }
    }
    return l;
}

VideoBox FitInto(const VideoBox& box, int pictureWidth, int pictureHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return box;
    int w = box.width, h = static_cast<int>(static_cast<int64_t>(box.width) * pictureHeight / pictureWidth);
    if (h > box.height) {
        h = box.height;
        w = static_cast<int>(static_cast<int64_t>(box.height) * pictureWidth / pictureHeight);
    }
    w = std::max(2, even(w));
    h = std::max(2, even(h));
    return {even(box.x + (box.width - w) / 2), even(box.y + (box.height - h) / 2), w, h};
}

AVFrame* BlankCanvas(int width, int height)
{
    AVFrame* f = av_frame_alloc();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = width;
    f->height = height;
    if (av_frame_get_buffer(f, 0) < 0) {
        av_frame_free(&f);
        return nullptr;
    }
    for (int y = 0; y < height; ++y)
        std::fill_n(f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0], width, uint8_t {16});
    for (int p = 1; p <= 2; ++p)
        for (int y = 0; y < height / 2; ++y)
            std::fill_n(f->data[p] + static_cast<ptrdiff_t>(y) * f->linesize[p], width / 2, uint8_t {128});
    return f;
}

AVFrame* ReadPicture(const std::string& path, std::string& err)
{
    AVFormatContext* in = nullptr;
    AVCodecContext* dec = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool got = false;
    const int s = OpenStreamDecoder(path, AVMEDIA_TYPE_VIDEO, in, dec);
    const int rc = s;
    for (bool more = s >= 0; more && !got;) {
        more = FeedDecoder(in, s, dec, pkt);
        got = avcodec_receive_frame(dec, frame) >= 0;
    }
    avcodec_free_context(&dec);
    avformat_close_input(&in);
    av_packet_free(&pkt);
    if (!got) {
        err = "cannot read the picture " + path + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
        av_frame_free(&frame);
    }
    return frame;
}

void ScaleInto(SwsContext*& sws, const AVFrame* picture, AVFrame* canvas, const VideoBox& box, int quality)
{
    // Pixels need not be square (a camcorder's, a DVD's): the picture is
    // fitted as it is shown.
    const AVRational sar = picture->sample_aspect_ratio;
    const int64_t shownWidth
        = sar.num > 0 && sar.den > 0 ? av_rescale(picture->width, sar.num, sar.den) : picture->width;
    const VideoBox to = FitInto(box, static_cast<int>(shownWidth), picture->height);
    sws = sws_getCachedContext(sws, picture->width, picture->height, static_cast<AVPixelFormat>(picture->format),
                               to.width, to.height, AV_PIX_FMT_YUV420P, quality, nullptr, nullptr, nullptr);
    if (!sws)
        return;
    uint8_t* dst[4] = {canvas->data[0] + static_cast<ptrdiff_t>(to.y) * canvas->linesize[0] + to.x,
                       canvas->data[1] + static_cast<ptrdiff_t>(to.y / 2) * canvas->linesize[1] + to.x / 2,
                       canvas->data[2] + static_cast<ptrdiff_t>(to.y / 2) * canvas->linesize[2] + to.x / 2, nullptr};
    const int lines[4] = {canvas->linesize[0], canvas->linesize[1], canvas->linesize[2], 0};
    sws_scale(sws, picture->data, picture->linesize, 0, picture->height, dst, lines);
}

}  // namespace pellucor
