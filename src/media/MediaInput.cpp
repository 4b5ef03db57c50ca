#include "media/MediaInput.h"

#include <mutex>

#include "media/FfmpegMediaFile.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace pellucor {

void FfmpegRegisterDevices()
{
    static std::once_flag once;
    std::call_once(once, [] { avdevice_register_all(); });
}

AVFormatContext* OpenMediaInput(const MediaInput& input, std::string& err, int& code, const AVIOInterruptCB* interrupt)
{
    FfmpegRegisterDevices();
    FfmpegQuietLogs();
    const AVInputFormat* fmt = nullptr;
    if (!input.format.empty() && !(fmt = av_find_input_format(input.format.c_str()))) {
        err = "no support for reading " + input.format;
        code = -1;
        return nullptr;
    }
    AVFormatContext* ctx = avformat_alloc_context();
    if (!ctx) {
        err = "out of memory";
        code = AVERROR(ENOMEM);
        return nullptr;
    }
    if (interrupt)
        ctx->interrupt_callback = *interrupt;
    AVDictionary* opts = nullptr;
    for (const auto& [key, value] : input.options)
        av_dict_set(&opts, key.c_str(), value.c_str(), 0);
    const int rc = avformat_open_input(&ctx, input.url.c_str(), fmt, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        err = "cannot open " + input.url + ": " + FfmpegErrorText(rc);
        code = rc;
        return nullptr;  // avformat_open_input freed the context
    }
    return ctx;
}

}  // namespace pellucor
