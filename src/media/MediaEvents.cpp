#include "media/MediaEvents.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/CaptionFiles.h"
#include "core/TavUtils.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

namespace pellucor {

bool WriteWebVtt(const std::string& path, const std::vector<FfmpegMediaFile::Event>& events, std::string& err)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    WriteLine(out, "WEBVTT");
    WriteLine(out, "");
    int n = 0;
    for (const auto& e : events) {
        WriteLine(out, std::to_string(++n));
        WriteLine(out, WebVttTiming(e.start, std::max(e.end, e.start)));
        WriteLine(out, e.target);
        WriteLine(out, "");
    }
    out.close();
    if (!out) {
        // The system's reason, a full disk say, is what a user can act on.
        const int why = errno;
        err = "Unable to write " + path + (why ? std::string(": ") + std::strerror(why) : std::string());
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return false;
    }
    return true;
}

std::vector<MediaChapter> EventChapters(const std::vector<FfmpegMediaFile::Event>& events)
{
    std::vector<MediaChapter> chapters;
    for (const auto& e : events)
        chapters.push_back({e.start, e.end, e.target});
    return chapters;
}

void AddChapters(AVFormatContext* out, const std::vector<MediaChapter>& chapters)
{
    const std::string muxer = out->oformat->name;
    const bool holds = muxer == "mp4" || muxer == "mov" || muxer == "ipod" || muxer == "matroska" || muxer == "webm"
        || muxer == "mp3";
    if (chapters.empty() || !holds)
        return;
    out->chapters = static_cast<AVChapter**>(av_calloc(chapters.size(), sizeof(AVChapter*)));
    if (!out->chapters)
        return;
    for (size_t i = 0; i < chapters.size(); ++i) {
        auto* ch = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!ch)
            break;
        ch->id = static_cast<int64_t>(i + 1);
        ch->time_base = {1, 1000};
        ch->start = std::llround(chapters[i].start * 1000.0);
        ch->end = std::max(ch->start, static_cast<int64_t>(std::llround(chapters[i].end * 1000.0)));
        av_dict_set(&ch->metadata, "title", chapters[i].title.c_str(), 0);
        out->chapters[out->nb_chapters++] = ch;
    }
}

std::string CutShortReason(const AVFormatContext* in, int64_t lastEndUs)
{
    // A recording may start later than 0 (cut from a longer one, or given
    // an offset); some containers count that lead-in in their duration and
    // some do not, so the packets' end is held against the duration as a
    // time from 0: a file whose packets stop short of it was cut.
    const int64_t start = in->start_time == AV_NOPTS_VALUE ? 0 : std::max<int64_t>(in->start_time, 0);
    const int64_t declared = in->duration;
    if (declared > 0 && lastEndUs + std::max<int64_t>(AV_TIME_BASE, declared / 10) < declared)
        return std::string("reading ") + in->url + " failed: it ends after "
            + std::to_string((lastEndUs - start) / AV_TIME_BASE) + " of its " + std::to_string(declared / AV_TIME_BASE)
            + " seconds (the file is cut short)";
    return "";
}

namespace {
struct Remux {
    AVFormatContext* in = nullptr;
    AVFormatContext* out = nullptr;
    AVPacket* pkt = av_packet_alloc();
    ~Remux()
    {
        av_packet_free(&pkt);
        if (out) {
            if (!(out->oformat->flags & AVFMT_NOFILE))
                avio_closep(&out->pb);
            avformat_free_context(out);
        }
        avformat_close_input(&in);
    }
};

bool remux(Remux& r, const std::string& input, const std::string& output,
           const std::vector<FfmpegMediaFile::Event>& events, std::string& err)
{
    int rc = avformat_open_input(&r.in, input.c_str(), nullptr, nullptr);
    if (rc < 0 || (rc = avformat_find_stream_info(r.in, nullptr)) < 0) {
        err = "cannot read " + input + ": " + FfmpegErrorText(rc);
        return false;
    }
    const std::string ext = Lower(output.substr(output.rfind('.') + 1));
    const char* format = (ext == "rm" || ext == "ra") ? "rm" : nullptr;
    rc = avformat_alloc_output_context2(&r.out, nullptr, format, output.c_str());
    if (rc < 0 || !r.out) {
        err = "cannot write a file of this kind: " + output;
        return false;
    }
    std::vector<int> map(r.in->nb_streams, -1);
    for (unsigned i = 0; i < r.in->nb_streams; ++i) {
        const auto type = r.in->streams[i]->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO)
            continue;
        AVStream* st = avformat_new_stream(r.out, nullptr);
        avcodec_parameters_copy(st->codecpar, r.in->streams[i]->codecpar);
        st->codecpar->codec_tag = 0;
        st->time_base = r.in->streams[i]->time_base;
        map[i] = st->index;
    }
    if (r.out->nb_streams == 0) {
        err = input + " holds no audio or video";
        return false;
    }
    AddChapters(r.out, EventChapters(events));
    if (!(r.out->oformat->flags & AVFMT_NOFILE) && (rc = avio_open(&r.out->pb, output.c_str(), AVIO_FLAG_WRITE)) < 0) {
        err = "cannot create " + output + ": " + FfmpegErrorText(rc);
        return false;
    }
    if ((rc = avformat_write_header(r.out, nullptr)) < 0) {
        err = "cannot write " + output + ": " + FfmpegErrorText(rc);
        return false;
    }
    int64_t lastEnd = 0;  // the end of the last packet read, in AV_TIME_BASE units
    while ((rc = av_read_frame(r.in, r.pkt)) >= 0) {
        const int target = map[r.pkt->stream_index];
        if (target >= 0 && r.pkt->pts != AV_NOPTS_VALUE)
            lastEnd = std::max(lastEnd,
                               av_rescale_q(r.pkt->pts + std::max<int64_t>(r.pkt->duration, 0),
                                            r.in->streams[r.pkt->stream_index]->time_base, AV_TIME_BASE_Q));
        if (target >= 0) {
            av_packet_rescale_ts(r.pkt, r.in->streams[r.pkt->stream_index]->time_base,
                                 r.out->streams[target]->time_base);
            r.pkt->stream_index = target;
            r.pkt->pos = -1;
            if ((rc = av_interleaved_write_frame(r.out, r.pkt)) < 0) {
                err = "writing " + output + " failed: " + FfmpegErrorText(rc);
                return false;
            }
        }
        av_packet_unref(r.pkt);
    }
    // Media that cannot be read to its end is not passed on as if whole: a
    // read error, or packets that stop well short of the duration the file
    // itself declares (a file cut short).
    if (rc != AVERROR_EOF) {
        err = "reading " + input + " failed: " + FfmpegErrorText(rc);
        return false;
    }
    if (const std::string cut = CutShortReason(r.in, lastEnd); !cut.empty()) {
        err = cut;
        return false;
    }
    if ((rc = av_write_trailer(r.out)) < 0) {
        err = "cannot finish " + output + ": " + FfmpegErrorText(rc);
        return false;
    }
    return true;
}
}  // namespace

bool RemuxWithChapters(const std::string& input, const std::string& output,
                       const std::vector<FfmpegMediaFile::Event>& events, std::string& err)
{
    bool ok;
    {
        Remux r;
        ok = remux(r, input, output, events, err);
    }
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(output, ec);
    }
    return ok;
}

}  // namespace pellucor
