#include "media/EncodedPicture.h"

#include <QSaveFile>
#include <QString>

#include <cstring>

extern "C" {
#include <libavutil/error.h>
}

namespace pellucor {

AvFramePtr Rgb32Frame(const uint8_t* pixels, int stride, int width, int height, bool opaque, std::string& err)
{
    AvFramePtr frame(av_frame_alloc());
    if (!frame) {
        err = "out of memory";
        return nullptr;
    }
    frame->format = AV_PIX_FMT_RGB32;
    frame->width = width;
    frame->height = height;
    frame->pts = 0;
    if (const int rc = av_frame_get_buffer(frame.get(), 0); rc < 0) {
        err = "cannot allocate the picture: " + FfmpegErrorText(rc);
        return nullptr;
    }
    for (int y = 0; y < height; ++y) {
        auto* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        std::memcpy(row, pixels + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(width) * 4);
        auto* pixel = reinterpret_cast<uint32_t*>(row);  // frame rows are aligned
        for (int x = 0; opaque && x < width; ++x)
            pixel[x] |= 0xFF000000u;
    }
    return frame;
}

bool SavePictureFile(const std::string& path, const std::string& data, std::string& err)
{
    QSaveFile file(QString::fromStdString(path));
    const auto size = static_cast<qint64>(data.size());
    if (!file.open(QIODevice::WriteOnly) || file.write(data.data(), size) != size || !file.commit()) {
        err = file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace pellucor
