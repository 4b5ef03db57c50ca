#include "media/HlsLadder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "core/TavUtils.h"
#include "media/FrameWorker.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace fs = std::filesystem;

namespace pellucor {

namespace {

// The lower qualities' encoding: fast enough for an hour in minutes on two
// cores, and capped so that each fits the connections it is for.
struct LowerRate {
    int height;
    int64_t maxRate;  // bits per second
};
constexpr LowerRate kLowerRates[] = {{720, 2800000}, {540, 1600000}, {360, 800000}};

std::string ffmpegError(int rc)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(rc, text, sizeof text);
    return text;
}

struct InputFile {
    AVFormatContext* ctx = nullptr;
    int video = -1, audio = -1;
    ~InputFile() { avformat_close_input(&ctx); }

    bool open(const std::string& path, std::string& err)
    {
        int rc = avformat_open_input(&ctx, path.c_str(), nullptr, nullptr);
        if (rc >= 0)
            rc = avformat_find_stream_info(ctx, nullptr);
        if (rc < 0) {
            err = path + " cannot be read: " + ffmpegError(rc);
            return false;
        }
        video = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video >= 0 && (ctx->streams[video]->disposition & AV_DISPOSITION_ATTACHED_PIC))
            video = -1;
        audio = av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        return true;
    }
    AVStream* stream(int i) const { return i >= 0 ? ctx->streams[i] : nullptr; }
    double seconds() const { return ctx->duration > 0 ? static_cast<double>(ctx->duration) / AV_TIME_BASE : 0; }
};

// One rendition: FFmpeg's HLS muxer writing ID.m3u8, ID_init.mp4 and
// ID_NNNNN.m4s into the folder.
struct HlsOutput {
    AVFormatContext* ctx = nullptr;
    AVStream* st = nullptr;
    AVRational from {1, 1};  // the time base of the packets given
    std::string id;
    bool header = false;

    ~HlsOutput()
    {
        if (ctx)
            avformat_free_context(ctx);
    }

    bool open(const std::string& folder, const std::string& name, double seconds, const AVCodecParameters* par,
              AVRational timeBase, std::string& err)
    {
        id = name;
        from = timeBase;
        const std::string playlist = folder + id + ".m3u8";
        int rc = avformat_alloc_output_context2(&ctx, nullptr, "hls", playlist.c_str());
        if (rc < 0 || !(st = avformat_new_stream(ctx, nullptr))) {
            err = "FFmpeg cannot write HLS here: " + ffmpegError(rc);
            return false;
        }
        avcodec_parameters_copy(st->codecpar, par);
        st->codecpar->codec_tag = 0;
        st->time_base = timeBase;
        AVDictionary* opts = nullptr;
        char time[32];
        std::snprintf(time, sizeof time, "%.3f", seconds);
        av_dict_set(&opts, "hls_time", time, 0);
        av_dict_set(&opts, "hls_playlist_type", "vod", 0);
        av_dict_set(&opts, "hls_segment_type", "fmp4", 0);
        av_dict_set(&opts, "hls_flags", "independent_segments", 0);
        av_dict_set(&opts, "hls_fmp4_init_filename", (id + "_init.mp4").c_str(), 0);
        av_dict_set(&opts, "hls_segment_filename", (folder + id + "_%05d.m4s").c_str(), 0);
        rc = avformat_write_header(ctx, &opts);
        av_dict_free(&opts);
        if (rc < 0) {
            err = "The HLS rendition " + playlist + " cannot be written: " + ffmpegError(rc);
            return false;
        }
        header = true;
        return true;
    }

    // Writes the packet (in the time base given to open); it is taken.
    bool write(AVPacket* pkt, std::string& err)
    {
        av_packet_rescale_ts(pkt, from, st->time_base);
        pkt->stream_index = 0;
        pkt->pos = -1;
        const int rc = av_interleaved_write_frame(ctx, pkt);
        if (rc < 0) {
            err = "The HLS rendition " + id + " cannot be written: " + ffmpegError(rc);
            return false;
        }
        return true;
    }

    bool finish(std::string& err)
    {
        const int rc = av_write_trailer(ctx);
        header = false;
        if (rc < 0) {
            err = "The HLS rendition " + id + " cannot be finished: " + ffmpegError(rc);
            return false;
        }
        return true;
    }
};

// The segments of a rendition's playlist: their lengths and files.
struct MediaPlaylist {
    std::vector<double> lengths;
    std::vector<std::string> files;
    std::string init;
};

MediaPlaylist readPlaylist(const std::string& path)
{
    MediaPlaylist p;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (StartsWith(line, "#EXTINF:"))
            p.lengths.push_back(std::atof(line.c_str() + 8));
        else if (StartsWith(line, "#EXT-X-MAP:URI=\""))
            p.init = line.substr(16, line.find('"', 16) - 16);
        else if (!line.empty() && line[0] != '#')
            p.files.push_back(line);
    }
    return p;
}

// Peak and average bits per second of a rendition's segments.
std::pair<int64_t, int64_t> bitRates(const std::string& folder, const MediaPlaylist& p)
{
    double peak = 0, bytes = 0, seconds = 0;
    for (size_t i = 0; i < p.files.size() && i < p.lengths.size(); ++i) {
        std::error_code ec;
        const auto size = static_cast<double>(fs::file_size(folder + p.files[i], ec));
        if (ec || p.lengths[i] <= 0)
            continue;
        peak = std::max(peak, size * 8 / std::max(p.lengths[i], 0.5));
        bytes += size;
        seconds += p.lengths[i];
    }
    return {std::llround(peak), seconds > 0 ? std::llround(bytes * 8 / seconds) : 0};
}

// "avc1.PPCCLL" of H.264 extradata: an avcC record, or the parameter sets
// after start codes (as an encoder gives them).
std::string avcCodec(const uint8_t* data, int size)
{
    const uint8_t* sps = nullptr;
    if (size >= 4 && data[0] == 1)
        sps = data + 1;
    for (int i = 0; !sps && i + 4 < size; ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && (data[i + 3] & 0x1f) == 7 && i + 6 < size)
            sps = data + i + 4;
    if (!sps)
        return "avc1.640028";  // High, level 4.0: what a player assumes of a lecture
    char text[16];
    std::snprintf(text, sizeof text, "avc1.%02x%02x%02x", sps[0], sps[1], sps[2]);
    return text;
}

std::string aacCodec(const AVCodecParameters* par)
{
    switch (par->profile) {
    case FF_PROFILE_AAC_HE: return "mp4a.40.5";
    case FF_PROFILE_AAC_HE_V2: return "mp4a.40.29";
    default: return "mp4a.40.2";
    }
}

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// A lower quality: the decoded picture scaled and encoded, then muxed.
struct LowerQuality {
    int width = 0, height = 0;
    AVCodecContext* enc = nullptr;
    SwsContext* sws = nullptr;
    FramePtr scaled {av_frame_alloc()};
    PacketPtr pkt {av_packet_alloc()};
    HlsOutput out;
    size_t nextKey = 0;  // the next segment start to make a keyframe

    ~LowerQuality()
    {
        avcodec_free_context(&enc);
        sws_freeContext(sws);
    }

    bool open(const AVCodecContext* dec, const AVStream* in, int64_t maxRate, int threads, const std::string& folder,
              double seconds, std::string& err)
    {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec || !(enc = avcodec_alloc_context3(codec))) {
            err = "this FFmpeg has no H.264 (libx264) encoder";
            return false;
        }
        enc->width = width;
        enc->height = height;
        enc->pix_fmt = AV_PIX_FMT_YUV420P;
        enc->time_base = in->time_base;
        enc->framerate = in->avg_frame_rate;
        enc->sample_aspect_ratio = dec->sample_aspect_ratio;
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        enc->rc_max_rate = maxRate;
        enc->rc_buffer_size = static_cast<int>(maxRate * 2);
        enc->thread_count = threads;
        AVDictionary* opts = nullptr;
        av_dict_set(&opts, "preset", "superfast", 0);
        av_dict_set(&opts, "crf", "23", 0);
        av_dict_set(&opts, "profile", "main", 0);
        // Keyframes only where the top quality's segments start, so that
        // every quality's segments start together. No adaptive quantisation:
        // on a camera's noisy picture of a slide it spends the bits on the
        // noise of the flat background. Without it the same picture (SSIM
        // within 0.001) takes less than half the bits and a fifth less time.
        av_dict_set(&opts, "forced-idr", "1", 0);
        av_dict_set(&opts, "x264-params", "keyint=infinite:scenecut=0:aq-mode=0", 0);
        int rc = avcodec_open2(enc, codec, &opts);
        av_dict_free(&opts);
        if (rc < 0) {
            err = "The " + std::to_string(height) + "p encoder cannot start: " + ffmpegError(rc);
            return false;
        }
        sws = sws_getContext(dec->width, dec->height, dec->pix_fmt, width, height, AV_PIX_FMT_YUV420P, SWS_AREA,
                             nullptr, nullptr, nullptr);
        scaled->format = AV_PIX_FMT_YUV420P;
        scaled->width = width;
        scaled->height = height;
        if (!sws || av_frame_get_buffer(scaled.get(), 0) < 0) {
            err = "The picture cannot be scaled to " + std::to_string(height) + "p";
            return false;
        }
        AVCodecParameters* par = avcodec_parameters_alloc();
        avcodec_parameters_from_context(par, enc);
        const bool ok = out.open(folder, std::to_string(height), seconds, par, enc->time_base, err);
        avcodec_parameters_free(&par);
        return ok;
    }

    // Encodes the frame (nullptr: the end) and writes what comes out.
    bool encode(const AVFrame* frame, const std::vector<int64_t>& keys, std::string& err)
    {
        int rc = 0;
        if (frame) {
            if (av_frame_make_writable(scaled.get()) < 0) {
                err = "out of memory";
                return false;
            }
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, scaled->data, scaled->linesize);
            scaled->pts = frame->pts;
            scaled->pict_type = AV_PICTURE_TYPE_NONE;
            while (nextKey < keys.size() && keys[nextKey] <= frame->pts) {
                scaled->pict_type = AV_PICTURE_TYPE_I;
                ++nextKey;
            }
            rc = avcodec_send_frame(enc, scaled.get());
        } else {
            rc = avcodec_send_frame(enc, nullptr);
        }
        while (rc >= 0) {
            rc = avcodec_receive_packet(enc, pkt.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc >= 0 && pkt->duration <= 0 && enc->framerate.num > 0)
                pkt->duration = av_rescale_q(1, av_inv_q(enc->framerate), enc->time_base);
            if (rc >= 0 && !out.write(pkt.get(), err))
                return false;
        }
        err = "The " + std::to_string(height) + "p encoding failed: " + ffmpegError(rc);
        return false;
    }
};

std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

// A text track's playlist: the whole file as one segment.
std::string textPlaylist(const HlsTextTrack& t, double seconds)
{
    const long target = std::max(1L, static_cast<long>(std::ceil(seconds)));
    return "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:" + std::to_string(target)
        + "\n#EXT-X-PLAYLIST-TYPE:VOD\n#EXTINF:" + number(seconds) + ",\n../" + t.file + "\n#EXT-X-ENDLIST\n";
}

std::string quoted(std::string text)
{
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '"' || c == '\n' || c == '\r'; }),
               text.end());
    return "\"" + text + "\"";
}

bool writeText(const std::string& path, const std::string& text, std::string& err)
{
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            err = path + " cannot be written";
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        err = path + " cannot be written";
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

class LadderWriter {
public:
    LadderWriter(HlsLadder& ladder, const std::atomic<bool>& cancelled, std::string folder)
        : ladder_(ladder), cancelled_(cancelled), folder_(std::move(folder))
    { }

    // The copy's own packets: the top quality and the sound. Finds where
    // the segments start (keyframe times of the top quality).
    bool copyPass(const std::string& copy, HlsPresentation& out, std::string& err)
    {
        InputFile in;
        if (!in.open(copy, err))
            return false;
        seconds_ = in.seconds();
        AVStream* v = in.stream(in.video);
        AVStream* a = in.stream(in.audio);
        if (v && v->codecpar->codec_id != AV_CODEC_ID_H264) {
            err = "only H.264 video streams as HLS here (the copy is " + std::string(avcodec_get_name(v->codecpar->codec_id)) + ")";
            return false;
        }
        if (a && a->codecpar->codec_id != AV_CODEC_ID_AAC) {
            err = "only AAC sound streams as HLS here (the copy's is "
                + std::string(avcodec_get_name(a->codecpar->codec_id)) + ")";
            return false;
        }
        if (!v && !a) {
            err = copy + " holds neither picture nor sound";
            return false;
        }
        HlsOutput top, sound;
        if (v) {
            topHeight_ = v->codecpar->height;
            topWidth_ = v->codecpar->width;
            topCodec_ = avcCodec(v->codecpar->extradata, v->codecpar->extradata_size);
            // Lower qualities to come leave the copying a small share of the progress.
            lower_ = !HlsLadder::LowerHeights(topHeight_).empty();
            if (!top.open(folder_, std::to_string(topHeight_), ladder_.segmentSeconds, v->codecpar, v->time_base, err))
                return false;
        }
        if (a) {
            soundCodec_ = aacCodec(a->codecpar);
            if (!sound.open(folder_, "sound", ladder_.segmentSeconds, a->codecpar, a->time_base, err))
                return false;
            out.sound = true;
        }
        PacketPtr pkt {av_packet_alloc()};
        int rc = 0;
        while ((rc = av_read_frame(in.ctx, pkt.get())) >= 0) {
            if (cancelled()) {
                err = "cancelled";
                return false;
            }
            const AVStream* st = in.ctx->streams[pkt->stream_index];
            if (st == v) {
                if (pkt->flags & AV_PKT_FLAG_KEY && pkt->pts != AV_NOPTS_VALUE)
                    keyframes_.push_back(pkt->pts);
                report(pkt->pts, v->time_base, 0, copyShare());
                if (!top.write(pkt.get(), err))
                    return false;
            } else if (st == a) {
                if (!v)
                    report(pkt->pts, a->time_base, 0, copyShare());
                if (!sound.write(pkt.get(), err))
                    return false;
            }
            av_packet_unref(pkt.get());
        }
        if (rc != AVERROR_EOF) {
            err = copy + " cannot be read to its end: " + ffmpegError(rc);
            return false;
        }
        if ((v && !top.finish(err)) || (a && !sound.finish(err)))
            return false;
        // The segments' starts, as the muxer cut the top quality (or the sound).
        const MediaPlaylist cut = readPlaylist(folder_ + (v ? std::to_string(topHeight_) : "sound") + ".m3u8");
        double t = 0;
        for (double length : cut.lengths) {
            out.segmentStarts.push_back(t);
            t += length;
        }
        if (v && !keyframes_.empty()) {
            std::sort(keyframes_.begin(), keyframes_.end());
            const int64_t first = keyframes_.front();
            for (double s : out.segmentStarts) {
                const int64_t at = first + av_rescale_q(std::llround(s * 1e6), AV_TIME_BASE_Q, v->time_base);
                // The keyframe nearest the start the playlist gives.
                const auto k = std::min_element(keyframes_.begin(), keyframes_.end(), [&](int64_t x, int64_t y) {
                    return std::llabs(x - at) < std::llabs(y - at);
                });
                segmentKeys_.push_back(*k);
            }
        }
        return true;
    }

    // One decode of the copy's picture, encoded into each lower quality.
    bool lowerPass(const std::string& copy, const std::vector<int>& heights, std::string& err)
    {
        InputFile in;
        if (!in.open(copy, err))
            return false;
        AVStream* v = in.stream(in.video);
        const AVCodec* codec = avcodec_find_decoder(v->codecpar->codec_id);
        AVCodecContext* dec = codec ? avcodec_alloc_context3(codec) : nullptr;
        const std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> decoder(
            dec, [](AVCodecContext* c) { avcodec_free_context(&c); });
        if (!dec || avcodec_parameters_to_context(dec, v->codecpar) < 0) {
            err = "FFmpeg has no decoder for " + copy;
            return false;
        }
        // The decoder and each quality's encoder share the cores: one
        // thread each where there are no more cores than they are. Their
        // own threads would cost a twentieth more work, and the three
        // already keep two cores busy.
        const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        const int threads = std::max(1, cores / static_cast<int>(heights.size() + 1));
        dec->thread_count = threads;
        dec->pkt_timebase = v->time_base;
        int rc = avcodec_open2(dec, codec, nullptr);
        if (rc < 0) {
            err = copy + " cannot be decoded: " + ffmpegError(rc);
            return false;
        }
        std::vector<std::unique_ptr<LowerQuality>> lower;
        for (int h : heights) {
            auto q = std::make_unique<LowerQuality>();
            q->height = h;
            q->width = static_cast<int>(std::lround(static_cast<double>(topWidth_) * h / topHeight_ / 2)) * 2;
            int64_t rate = kLowerRates[std::size(kLowerRates) - 1].maxRate;
            for (const LowerRate& r : kLowerRates)
                if (r.height == h)
                    rate = r.maxRate;
            if (!q->open(dec, v, rate, threads, folder_, ladder_.segmentSeconds, err))
                return false;
            lower.push_back(std::move(q));
        }
        // Each quality scales and encodes on a thread of its own while the
        // next picture is decoded, with half a second's pictures queued so that
        // none of the threads waits for another while they share the cores.
        std::vector<std::string> errors(lower.size());
        std::vector<std::unique_ptr<FrameWorker>> workers;
        const size_t queued = 16;
        for (size_t i = 0; i < lower.size(); ++i)
            workers.push_back(std::make_unique<FrameWorker>(
                [this, q = lower[i].get(), &e = errors[i]](const AVFrame* f) {
                    return f ? q->encode(f, segmentKeys_, e) : q->encode(nullptr, segmentKeys_, e) && q->out.finish(e);
                },
                queued));
        const auto failed = [&]() {
            for (const std::string& e : errors)
                if (!e.empty())
                    err = e;
            return false;
        };
        PacketPtr pkt {av_packet_alloc()};
        FramePtr frame {av_frame_alloc()};
        const auto drain = [&]() {
            while ((rc = avcodec_receive_frame(dec, frame.get())) >= 0) {
                frame->pts = frame->best_effort_timestamp;
                report(frame->pts, v->time_base, copyShare(), 100);
                for (auto& w : workers)
                    if (!w->push(frame.get()))
                        return failed();
                av_frame_unref(frame.get());
            }
            if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) {
                err = copy + " cannot be decoded: " + ffmpegError(rc);
                return false;
            }
            return true;
        };
        while ((rc = av_read_frame(in.ctx, pkt.get())) >= 0) {
            if (cancelled()) {
                err = "cancelled";
                return false;
            }
            if (pkt->stream_index == in.video) {
                rc = avcodec_send_packet(dec, pkt.get());
                if (rc < 0 && rc != AVERROR(EAGAIN)) {
                    err = copy + " cannot be decoded: " + ffmpegError(rc);
                    return false;
                }
                if (!drain())
                    return false;
            }
            av_packet_unref(pkt.get());
        }
        avcodec_send_packet(dec, nullptr);
        if (!drain())
            return false;
        for (auto& w : workers)
            if (!w->finish())
                return failed();
        for (auto& q : lower)
            codecs_.push_back({q->width, q->height, avcCodec(q->enc->extradata, q->enc->extradata_size)});
        return true;
    }

    bool hasVideo() const { return topHeight_ > 0; }
    int topHeight() const { return topHeight_; }

    // The master playlist, from what was written.
    std::string master(const std::string& name, const std::vector<HlsTextTrack>& text, HlsPresentation& out) const
    {
        const std::string hlsDir = name + ".hls/";
        std::string m = "#EXTM3U\n#EXT-X-VERSION:7\n#EXT-X-INDEPENDENT-SEGMENTS\n";
        std::pair<int64_t, int64_t> sound {0, 0};
        if (out.sound) {
            sound = bitRates(folder_, readPlaylist(folder_ + "sound.m3u8"));
            if (hasVideo())
                m += "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"sound\",NAME=\"Sound\",DEFAULT=YES,AUTOSELECT=YES,URI=\""
                    + hlsDir + "sound.m3u8\"\n";
        }
        for (const HlsTextTrack& t : text)
            m += "#EXT-X-MEDIA:TYPE=SUBTITLES,GROUP-ID=\"text\",NAME=" + quoted(t.name) + ",LANGUAGE="
                + quoted(t.language) + ",DEFAULT=NO,AUTOSELECT=" + (t.chapters ? "NO" : "YES") + ",URI=\"" + hlsDir
                + textId(t) + ".m3u8\"\n";
        const std::string groups = std::string(out.sound && hasVideo() ? ",AUDIO=\"sound\"" : "")
            + (text.empty() ? "" : ",SUBTITLES=\"text\"");
        if (!hasVideo()) {
            m += "#EXT-X-STREAM-INF:BANDWIDTH=" + std::to_string(sound.first) + ",AVERAGE-BANDWIDTH="
                + std::to_string(sound.second) + ",CODECS=\"" + soundCodec_ + "\"" + groups + "\n" + hlsDir
                + "sound.m3u8\n";
            return m;
        }
        std::vector<Quality> qualities {{topWidth_, topHeight_, topCodec_}};
        qualities.insert(qualities.end(), codecs_.begin(), codecs_.end());
        for (const Quality& q : qualities) {
            HlsQuality written;
            written.width = q.width;
            written.height = q.height;
            written.playlist = hlsDir + std::to_string(q.height) + ".m3u8";
            const auto rates = bitRates(folder_, readPlaylist(folder_ + std::to_string(q.height) + ".m3u8"));
            written.peakBitRate = rates.first + sound.first;
            written.averageBitRate = rates.second + sound.second;
            written.codecs = q.codec + (out.sound ? "," + soundCodec_ : "");
            m += "#EXT-X-STREAM-INF:BANDWIDTH=" + std::to_string(written.peakBitRate) + ",AVERAGE-BANDWIDTH="
                + std::to_string(written.averageBitRate) + ",RESOLUTION=" + std::to_string(q.width) + "x"
                + std::to_string(q.height) + ",CODECS=\"" + written.codecs + "\"" + groups + "\n" + written.playlist
                + "\n";
            out.video.push_back(written);
        }
        return m;
    }

    double seconds() const { return seconds_; }

    static std::string textId(const HlsTextTrack& t)
    {
        std::string id = "text-" + t.file;
        std::replace(id.begin(), id.end(), '.', '-');
        return id;
    }

private:
    struct Quality {
        int width, height;
        std::string codec;
    };

    int copyShare() const { return lower_ ? 5 : 100; }
    bool cancelled() const { return cancelled_ || (ladder_.stop && *ladder_.stop); }

    void report(int64_t pts, AVRational tb, int from, int to)
    {
        if (!ladder_.onProgress || pts == AV_NOPTS_VALUE || seconds_ <= 0)
            return;
        const double at = std::clamp(static_cast<double>(pts) * av_q2d(tb) / seconds_, 0.0, 1.0);
        const int percent = from + static_cast<int>(at * (to - from));
        if (percent > lastPercent_) {  // packets come in decoding order
            lastPercent_ = percent;
            ladder_.onProgress(percent);
        }
    }

    HlsLadder& ladder_;
    const std::atomic<bool>& cancelled_;
    std::string folder_;
    double seconds_ = 0;
    int topWidth_ = 0, topHeight_ = 0;
    std::string topCodec_, soundCodec_;
    std::vector<int64_t> keyframes_, segmentKeys_;
    std::vector<Quality> codecs_;
    bool lower_ = false;
    int lastPercent_ = -1;
};

}  // namespace

std::vector<int> HlsLadder::LowerHeights(int height)
{
    std::vector<int> heights;
    if (height > 720)
        heights.push_back(720);
    else if (height > 540)
        heights.push_back(540);
    if (height > 360)
        heights.push_back(360);
    return heights;
}

bool HlsLadder::Write(const std::string& copy, const std::string& dir, const std::string& name,
                      const std::vector<HlsTextTrack>& text, HlsPresentation& out, std::string& err)
{
    out = {};
    const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    const std::string folder = base + name + ".hls/";
    out.master = base + name + ".m3u8";
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (!fs::create_directories(folder, ec)) {
        err = "The folder " + folder + " cannot be made: " + ec.message();
        return false;
    }
    const auto fail = [&](const std::string& why) {
        fs::remove_all(folder, ec);
        std::remove(out.master.c_str());
        err = why;
        return false;
    };
    LadderWriter writer(*this, cancelled_, folder);
    std::string why;
    if (!writer.copyPass(copy, out, why))
        return fail("The HLS presentation of " + copy + " cannot be made: " + why);
    const std::vector<int> lower = writer.hasVideo() ? LowerHeights(writer.topHeight()) : std::vector<int> {};
    if (!lower.empty() && !writer.lowerPass(copy, lower, why))
        return fail("The HLS presentation of " + copy + " cannot be made: " + why);
    for (const HlsTextTrack& t : text)
        if (!writeText(folder + LadderWriter::textId(t) + ".m3u8", textPlaylist(t, writer.seconds()), why))
            return fail(why);
    if (!writeText(out.master, writer.master(name, text, out), why))
        return fail(why);
    if (onProgress)
        onProgress(100);
    return true;
}

}  // namespace pellucor
