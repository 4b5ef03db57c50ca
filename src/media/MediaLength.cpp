#include "media/MediaLength.h"

#include <algorithm>

extern "C" {
#include <libavformat/avformat.h>
}

namespace pellucor {

int64_t MeasureDuration(AVFormatContext* in)
{
    if (in->duration > 0 || !in->pb || !(in->pb->seekable & AVIO_SEEKABLE_NORMAL))
        return std::max<int64_t>(in->duration, 0);
    AVPacket* pkt = av_packet_alloc();
    int64_t end = INT64_MIN;
    while (av_read_frame(in, pkt) >= 0) {
        const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        if (ts != AV_NOPTS_VALUE)
            end = std::max(end,
                           av_rescale_q(ts + std::max<int64_t>(pkt->duration, 0),
                                        in->streams[pkt->stream_index]->time_base, AV_TIME_BASE_Q));
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    const int64_t start = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time;
    if (avformat_seek_file(in, -1, INT64_MIN, start, start, 0) < 0)
        avformat_seek_file(in, -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE);
    if (end > start)
        in->duration = end - start;
    return std::max<int64_t>(in->duration, 0);
}

}  // namespace pellucor
