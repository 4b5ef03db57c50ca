#include "media/MediaCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>
#include <vector>

#include "media/FfmpegMediaFile.h"
#include "media/MediaEvents.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace pellucor {

namespace {

// Seconds decoded at the start and before the end of each stream.
constexpr double kDecodedSeconds = 1.0;

// A packet kept for the decoding of the last second: its time (-1: none)
// and whether decoding may start at it.
struct KeptPacket {
    AVPacket* pkt;
    double t;
    bool key;
};

struct Input {
    AVFormatContext* ctx = nullptr;
    std::vector<AVCodecContext*> decoders;  // by stream; nullptr: not checked
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::deque<KeptPacket> tail;
    void freeTail() { dropBefore(tail.size()); }
    // Frees the kept packets before index end.
    void dropBefore(size_t end)
    {
        for (size_t j = 0; j < end; ++j)
            av_packet_free(&tail[j].pkt);
        tail.erase(tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(end));
    }
    ~Input()
    {
        freeTail();
        for (AVCodecContext*& d : decoders)
            avcodec_free_context(&d);
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avformat_close_input(&ctx);
    }
};

bool fail(std::string& err, const std::string& path, const std::string& what, int rc)
{
    err = path + " does not play: " + what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
    return false;
}

// Sends one packet to its stream's decoder (when the stream is checked)
// and counts the frames that come out; false on a decoding error.
bool decodePacket(Input& in, const AVPacket* pkt, double t, std::vector<int>& frames, const std::string& path,
                  std::string& err)
{
    const auto index = static_cast<size_t>(pkt->stream_index);
    AVCodecContext* dec = index < in.decoders.size() ? in.decoders[index] : nullptr;
    if (!dec)
        return true;
    if (const int rc = avcodec_send_packet(dec, pkt); rc < 0 && rc != AVERROR(EAGAIN))
        return fail(err, path, "a packet at " + std::to_string(t) + " s does not decode", rc);
    while (avcodec_receive_frame(dec, in.frame) >= 0) {
        ++frames[index];
        av_frame_unref(in.frame);
    }
    return true;
}

// Drains the decoders of what they hold and readies them for more.
bool drainDecoders(Input& in, std::vector<int>& frames, const std::string& path, std::string& err)
{
    for (size_t i = 0; i < in.decoders.size(); ++i) {
        AVCodecContext* dec = in.decoders[i];
        if (!dec)
            continue;
        avcodec_send_packet(dec, nullptr);
        int rc;
        while ((rc = avcodec_receive_frame(dec, in.frame)) >= 0) {
            ++frames[i];
            av_frame_unref(in.frame);
        }
        if (rc != AVERROR_EOF && rc != AVERROR(EAGAIN))
            return fail(err, path, "the last pictures do not decode", rc);
        avcodec_flush_buffers(dec);
    }
    return true;
}

// A stream that is checked and made no frame fails.
bool everyStreamMade(const Input& in, const std::vector<int>& frames, double near, const std::string& path,
                     std::string& err)
{
    for (size_t i = 0; i < frames.size(); ++i)
        if (in.decoders[i] && frames[i] == 0)
            return fail(err, path, "stream " + std::to_string(i) + " makes nothing near " + std::to_string(near) + " s",
                        -1);
    return true;
}

// A file as it is on disk: its name, its inode, its size and its times of
// change; a file written again or replaced is another.
using FileState = std::tuple<std::string, dev_t, ino_t, off_t, int64_t, int64_t>;

bool fileState(const std::string& path, FileState& state)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    const auto ns = [](const timespec& t) { return int64_t {t.tv_sec} * 1000000000 + t.tv_nsec; };
    state = {path, st.st_dev, st.st_ino, st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
    return true;
}

// The files that passed in this process, as they were then.
std::mutex g_passedMutex;
std::set<FileState> g_passed;

bool checkMedia(const std::string& path, std::string& err)
{
    const FfmpegSilence quiet;
    Input in;
    int rc = avformat_open_input(&in.ctx, path.c_str(), nullptr, nullptr);
    if (rc < 0 || (rc = avformat_find_stream_info(in.ctx, nullptr)) < 0)
        return fail(err, path, "it cannot be read", rc);
    in.decoders.assign(in.ctx->nb_streams, nullptr);
    bool any = false;
    for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
        const AVStream* st = in.ctx->streams[i];
        const auto type = st->codecpar->codec_type;
        if ((type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO)
            || (st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        AVCodecContext* dec = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (!dec || avcodec_parameters_to_context(dec, st->codecpar) < 0)
            return fail(err, path, "no decoder for stream " + std::to_string(i), -1);
        dec->err_recognition |= AV_EF_EXPLODE;
        dec->thread_count = 0;
        if ((rc = avcodec_open2(dec, codec, nullptr)) < 0) {
            avcodec_free_context(&dec);
            return fail(err, path, "stream " + std::to_string(i) + " cannot be decoded", rc);
        }
        in.decoders[i] = dec;
        any = true;
    }
    if (!any)
        return fail(err, path, "it holds no sound or picture", -1);

    // Every packet is read once, to the end: a read error or a file cut
    // short fails. On the way the first second is decoded, and the packets
    // from the last key frame before the last second are kept, to be
    // decoded at the end: the rest is read without decoding.
    const double start = in.ctx->start_time == AV_NOPTS_VALUE ? 0 : in.ctx->start_time / double(AV_TIME_BASE);
    const int keyStream = av_find_default_stream_index(in.ctx);
    std::vector<int> headFrames(in.decoders.size(), 0);
    std::string headErr;
    bool head = true;  // still in the first second
    int64_t lastEnd = 0;
    while ((rc = av_read_frame(in.ctx, in.pkt)) >= 0) {
        const AVStream* st = in.ctx->streams[in.pkt->stream_index];
        const bool timed = in.pkt->pts != AV_NOPTS_VALUE;
        if (timed)
            lastEnd = std::max(
                lastEnd,
                av_rescale_q(in.pkt->pts + std::max<int64_t>(in.pkt->duration, 0), st->time_base, AV_TIME_BASE_Q));
        const double t = timed ? in.pkt->pts * av_q2d(st->time_base) : -1;
        if (head && t > start + kDecodedSeconds) {
            head = false;
            drainDecoders(in, headFrames, path, headErr);
        }
        if (head && !decodePacket(in, in.pkt, timed ? t : start, headFrames, path, headErr))
            head = false;
        // Packets before a key frame that lies a whole second before the
        // end read so far are not needed: the end lies later still. The
        // key frames are looked at as each new one comes, so that what is
        // kept stays within a few key frames however the streams are
        // interleaved.
        const bool key = timed && in.pkt->stream_index == keyStream && (in.pkt->flags & AV_PKT_FLAG_KEY);
        in.tail.push_back({av_packet_clone(in.pkt), t, key});
        av_packet_unref(in.pkt);
        if (key) {
            const double before = lastEnd / double(AV_TIME_BASE) - kDecodedSeconds;
            size_t from = 0;
            for (size_t j = 0; j < in.tail.size(); ++j)
                if (in.tail[j].key && in.tail[j].t <= before)
                    from = j;
            in.dropBefore(from);
        }
    }
    if (rc != AVERROR_EOF)
        return fail(err, path, "reading failed", rc);
    if (const std::string cut = CutShortReason(in.ctx, lastEnd); !cut.empty())
        return fail(err, path, cut, -1);
    if (head)
        drainDecoders(in, headFrames, path, headErr);
    if (!headErr.empty()) {
        err = headErr;
        return false;
    }
    if (!everyStreamMade(in, headFrames, start, path, err))
        return false;

    // The last second, from the key frame at or before it.
    const double from = std::max(start, lastEnd / double(AV_TIME_BASE) - kDecodedSeconds);
    const std::deque<KeptPacket>& tail = in.tail;
    size_t first = 0;
    for (size_t j = 0; j < tail.size(); ++j)
        if (tail[j].key && tail[j].t <= from)
            first = j;
    std::vector<int> tailFrames(in.decoders.size(), 0);
    bool ok = true;
    for (size_t j = first; ok && j < tail.size(); ++j)
        if (tail[j].pkt)
            ok = decodePacket(in, tail[j].pkt, tail[j].t >= 0 ? tail[j].t : from, tailFrames, path, err);
    return ok && drainDecoders(in, tailFrames, path, err) && everyStreamMade(in, tailFrames, from, path, err);
}

}  // namespace

bool CheckMediaPlays(const std::string& path, std::string& err)
{
    FileState before;
    const bool known = fileState(path, before);
    if (known) {
        std::lock_guard lock(g_passedMutex);
        if (g_passed.count(before))
            return true;
    }
    if (!checkMedia(path, err))
        return false;
    // Kept only when the file did not change while it was read.
    if (FileState after; known && fileState(path, after) && after == before) {
        std::lock_guard lock(g_passedMutex);
        g_passed.insert(after);
    }
    return true;
}

}  // namespace pellucor
