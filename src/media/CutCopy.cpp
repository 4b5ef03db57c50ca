#include "media/CutCopy.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "core/DebugLog.h"
#include "media/AvcNal.h"
#include "media/BrowserCopy.h"
#include "media/CutSound.h"
#include "media/FfmpegMediaFile.h"
#include "media/MediaEvents.h"
#include "media/StreamDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

namespace pellucor {

namespace {

// A stretch of the copy's pictures: passed on as they are (whole groups
// of pictures from a key frame to the next), or decoded and encoded again.
struct Segment {
    bool copy = false;
    double from = 0, to = 0;  // seconds of the recording
    size_t stretch = 0;       // the kept stretch it lies in
};

struct KeyFrames {
    std::vector<double> times;  // seconds of the recording, rising
    // How long before it is shown a key frame is decoded (stream time
    // base): pictures encoded again are decoded as long before, so that
    // their decoding times run on from those passed on and into them.
    int64_t delay = 0;
};

constexpr double kEpsilon = 1e-4;

// Pictures that play in browsers and that the cut copy can encode again
// as they are: H.264 (8-bit 4:2:0), VP8, VP9.
bool isPassedOn(const AVStream* st)
{
    const AVCodecID c = st->codecpar->codec_id;
    return IsBrowserH264(st) || c == AV_CODEC_ID_VP8 || c == AV_CODEC_ID_VP9;
}

int mainVideo(const AVFormatContext* in)
{
    const AVStream* st = MainStream(in, AVMEDIA_TYPE_VIDEO);
    return st ? st->index : -1;
}

// Where the groups of pictures start: the packets read once, none decoded.
bool scanKeyFrames(const std::string& input, int stream, double fileStart, KeyFrames& keys,
                   const std::atomic<bool>& cancel, std::string& err)
{
    AVFormatContext* in = nullptr;
    int rc = avformat_open_input(&in, input.c_str(), nullptr, nullptr);
    if (rc < 0) {
        err = "cannot read " + input + ": " + FfmpegErrorText(rc);
        return false;
    }
    for (unsigned i = 0; i < in->nb_streams; ++i)
        in->streams[i]->discard = static_cast<int>(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVRational tb = in->streams[stream]->time_base;
    AVPacket* pkt = av_packet_alloc();
    while (!cancel && av_read_frame(in, pkt) >= 0) {
        if (pkt->stream_index == stream && pkt->pts != AV_NOPTS_VALUE) {
            if (pkt->flags & AV_PKT_FLAG_KEY) {
                keys.times.push_back(pkt->pts * av_q2d(tb) - fileStart);
                if (pkt->dts != AV_NOPTS_VALUE)
                    keys.delay = std::max(keys.delay, pkt->pts - pkt->dts);
            }
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&in);
    std::sort(keys.times.begin(), keys.times.end());
    if (cancel)
        err = "cancelled";
    return !cancel;
}

// The segments of the kept stretches: whole groups of pictures between the
// first key frame in a stretch and the last one in it are passed on; what
// lies before and after them is encoded again.
std::vector<Segment> planSegments(const std::vector<CutStretch>& kept, const std::vector<double>& keys,
                                  double length)
{
    std::vector<Segment> segments;
    for (size_t k = 0; k < kept.size(); ++k) {
        const double s = kept[k].from, e = kept[k].to;
        const auto firstKey = std::lower_bound(keys.begin(), keys.end(), s - kEpsilon);
        const double k1 = firstKey == keys.end() ? e : *firstKey;
        double k2 = e;
        if (e < length - kEpsilon) {
            const auto after = std::upper_bound(keys.begin(), keys.end(), e + kEpsilon);
            k2 = after == keys.begin() ? s : *std::prev(after);
        } else {
            k2 = std::max(length, e) + 1;  // to the end of the recording
        }
        if (k1 < k2 - kEpsilon && k1 < e - kEpsilon) {
            if (k1 > s + kEpsilon)
                segments.push_back({false, s, k1, k});
            segments.push_back({true, k1, k2, k});
            if (k2 < e - kEpsilon)
                segments.push_back({false, k2, e, k});
        } else {
            segments.push_back({false, s, e, k});
        }
    }
    return segments;
}

// Sound packets from the sound's thread, in order, for the writer to
// interleave with the pictures.
struct SoundQueue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<AVPacket*> packets;
    bool ended = false, abandoned = false;
    std::string err;
    static constexpr size_t kMost = 256;

    ~SoundQueue()
    {
        for (AVPacket* p : packets)
            av_packet_free(&p);
    }
    bool Push(AVPacket* pkt)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return packets.size() < kMost || abandoned; });
        if (abandoned)
            return false;
        packets.push_back(av_packet_clone(pkt));
        changed.notify_all();
        return true;
    }
    void End(const std::string& why)
    {
        std::lock_guard lock(mutex);
        ended = true;
        err = why;
        changed.notify_all();
    }
    void Abandon()
    {
        std::lock_guard lock(mutex);
        abandoned = true;
        changed.notify_all();
    }
};

class CutWriter {
public:
    CutWriter(const CutList& cuts, const TranscodeOptions& o, const std::function<void(int)>& progress,
              const std::atomic<bool>& cancel)
        : cuts_(cuts), o_(o), progress_(progress), cancel_(cancel)
    {
    }
    ~CutWriter()
    {
        queue_.Abandon();
        if (soundThread_.joinable())
            soundThread_.join();
        avcodec_free_context(&enc_);
        avcodec_free_context(&dec_);
        av_packet_free(&pkt_);
        av_packet_free(&encPkt_);
        av_frame_free(&frame_);
        avformat_close_input(&in_);
        if (out_) {
            if (out_->pb)
                avio_closep(&out_->pb);
            avformat_free_context(out_);
        }
    }

    bool Write(const std::string& input, const std::string& output, std::string& err);

private:
    bool fail(const std::string& what, int rc = 0)
    {
        err_ = what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
        return false;
    }
    bool openVideo(const std::string& input);
    bool openOutput(const std::string& output);
    bool pictures();
    bool handleFrame(AVFrame* frame);
    bool openRun(size_t segment);
    bool closeRun();
    bool drainEncoder();
    bool drainDecoder();
    bool writeVideo(AVPacket* pkt);
    bool writeSoundUntil(double seconds);
    void report();
    int64_t offset(size_t stretch) const { return offsets_[stretch]; }

    const CutList& cuts_;
    const TranscodeOptions& o_;
    const std::function<void(int)>& progress_;
    const std::atomic<bool>& cancel_;
    std::string err_;

    AVFormatContext* in_ = nullptr;
    AVFormatContext* out_ = nullptr;
    int video_ = -1;
    AVStream* videoOut_ = nullptr;
    AVCodecContext* dec_ = nullptr;
    AVCodecContext* enc_ = nullptr;
    AVPacket* pkt_ = nullptr;
    AVPacket* encPkt_ = nullptr;
    AVFrame* frame_ = nullptr;
    double fileStart_ = 0, length_ = 0, keptLength_ = 0;
    std::vector<CutStretch> kept_;
    std::vector<int64_t> offsets_;  // added to a picture's time in each kept stretch (stream time base)
    KeyFrames keys_;
    std::vector<Segment> segments_;
    AvcConfig avc_;
    bool lengthPrefixed_ = false;
    int spsId_ = 1;
    bool resendSets_ = false;  // the recording's parameter sets go before the next picture passed on
    int run_ = -1;             // the segment being encoded again
    bool decoding_ = false;
    int64_t lastDts_ = INT64_MIN;
    double written_ = 0;  // seconds of the copy's pictures written
    int percent_ = -1;

    std::unique_ptr<CutSound> sound_;
    SoundQueue queue_;
    std::thread soundThread_;
};

bool CutWriter::openVideo(const std::string& input)
{
    int rc = avformat_open_input(&in_, input.c_str(), nullptr, nullptr);
    if (rc < 0 || (rc = avformat_find_stream_info(in_, nullptr)) < 0)
        return fail("cannot read " + input, rc);
    fileStart_ = in_->start_time == AV_NOPTS_VALUE ? 0 : in_->start_time / double(AV_TIME_BASE);
    length_ = in_->duration > 0 ? in_->duration / double(AV_TIME_BASE) : 0;
    kept_ = cuts_.Kept(length_ > 0 ? length_ : 1e12);
    for (const CutStretch& k : kept_)
        keptLength_ += k.to - k.from;
    if (keptLength_ <= 0)
        return fail("its cut list leaves nothing of it");
    video_ = o_.dropVideo ? -1 : mainVideo(in_);
    if (video_ < 0)
        return true;
    const AVStream* st = in_->streams[video_];
    if (!isPassedOn(st))
        return fail("its pictures cannot be cut without being encoded first");
    for (unsigned i = 0; i < in_->nb_streams; ++i)
        in_->streams[i]->discard = static_cast<int>(i) == video_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const double tb = av_q2d(st->time_base);
    double before = 0;
    for (const CutStretch& k : kept_) {
        offsets_.push_back(std::llround((before - k.from - fileStart_) / tb));
        before += k.to - k.from;
    }
    std::string why;
    if (!scanKeyFrames(input, video_, fileStart_, keys_, cancel_, why))
        return fail(why);
    segments_ = planSegments(kept_, keys_.times, length_ > 0 ? length_ : 1e12);
    if (st->codecpar->codec_id == AV_CODEC_ID_H264
        && ReadAvcConfig(st->codecpar->extradata, st->codecpar->extradata_size, avc_)) {
        lengthPrefixed_ = true;
        while (avc_.spsIds.count(spsId_))
            ++spsId_;
    }
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    dec_ = avcodec_alloc_context3(codec);
    if ((rc = avcodec_parameters_to_context(dec_, st->codecpar)) < 0)
        return fail("cannot decode the pictures", rc);
    dec_->pkt_timebase = st->time_base;
    dec_->thread_count = 0;
    if ((rc = avcodec_open2(dec_, codec, nullptr)) < 0)
        return fail("cannot decode the pictures", rc);
    return true;
}

bool CutWriter::openOutput(const std::string& output)
{
    int rc = avformat_alloc_output_context2(&out_, nullptr, o_.format.empty() ? nullptr : o_.format.c_str(),
                                            output.c_str());
    if (rc < 0 || !out_)
        return fail("cannot write " + output, rc);
    if (video_ >= 0) {
        const AVStream* st = in_->streams[video_];
        videoOut_ = avformat_new_stream(out_, nullptr);
        if (!videoOut_ || (rc = avcodec_parameters_copy(videoOut_->codecpar, st->codecpar)) < 0)
            return fail("cannot add the pictures to the copy", rc);
        videoOut_->codecpar->codec_tag = 0;
        videoOut_->time_base = st->time_base;
        videoOut_->avg_frame_rate = st->avg_frame_rate;
        videoOut_->r_frame_rate = st->r_frame_rate;
        videoOut_->sample_aspect_ratio = st->sample_aspect_ratio;
        for (int k = 0; k < st->nb_side_data; ++k)
            if (st->side_data[k].type == AV_PKT_DATA_DISPLAYMATRIX)
                if (uint8_t* d = av_stream_new_side_data(videoOut_, AV_PKT_DATA_DISPLAYMATRIX, st->side_data[k].size))
                    std::copy(st->side_data[k].data, st->side_data[k].data + st->side_data[k].size, d);
    }
    if (av_find_best_stream(in_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0) {
        CutSoundPlan plan;
        plan.kept = kept_;
        plan.length = length_;
        const std::string ext = std::filesystem::path(output).extension().string();
        plan.codec = !o_.audioCodec.empty() ? o_.audioCodec
            : ext == ".mp3"                 ? "libmp3lame"
            : ext == ".webm"                ? "libopus"
                                            : "aac";
        plan.bitRate = o_.audioBitRate > 0 ? o_.audioBitRate : 128000;
        plan.filter = o_.audioFilter;
        sound_ = std::make_unique<CutSound>();
        std::string why;
        if (!sound_->Open(in_->url, out_, plan, why))
            return fail(why);
    }
    if (!videoOut_ && !sound_)
        return fail("it holds neither pictures nor sound");
    AddChapters(out_, o_.chapters);
    if (!(out_->oformat->flags & AVFMT_NOFILE) && (rc = avio_open(&out_->pb, output.c_str(), AVIO_FLAG_WRITE)) < 0)
        return fail("cannot write " + output, rc);
    AVDictionary* opts = nullptr;
    for (const auto& [key, value] : o_.muxerOptions)
        av_dict_set(&opts, key.c_str(), value.c_str(), 0);
    rc = avformat_write_header(out_, &opts);
    av_dict_free(&opts);
    return rc >= 0 || fail("cannot write " + output, rc);
}

void CutWriter::report()
{
    if (!progress_ || keptLength_ <= 0)
        return;
    double done = videoOut_ ? written_ : keptLength_;
    if (sound_)
        done = std::min(done, sound_->Done());
    const int p = std::clamp(static_cast<int>(done / keptLength_ * 100), 0, 99);
    if (p > percent_) {
        percent_ = p;
        progress_(p);
    }
}

bool CutWriter::writeSoundUntil(double seconds)
{
    if (!sound_)
        return true;
    const AVStream* st = sound_->Stream();
    for (;;) {
        AVPacket* p = nullptr;
        {
            std::unique_lock lock(queue_.mutex);
            queue_.changed.wait(lock, [this] { return !queue_.packets.empty() || queue_.ended; });
            if (queue_.packets.empty()) {
                if (!queue_.err.empty())
                    return fail(queue_.err);
                return true;
            }
            p = queue_.packets.front();
            if (p->dts != AV_NOPTS_VALUE && p->dts * av_q2d(st->time_base) > seconds)
                return true;
            queue_.packets.pop_front();
            queue_.changed.notify_all();
        }
        const int rc = av_interleaved_write_frame(out_, p);
        av_packet_free(&p);
        if (rc < 0)
            return fail("writing the copy failed", rc);
        report();
    }
}

bool CutWriter::writeVideo(AVPacket* pkt)
{
    if (pkt->dts == AV_NOPTS_VALUE)
        pkt->dts = pkt->pts;
    if (pkt->dts <= lastDts_)
        pkt->dts = lastDts_ + 1;
    if (pkt->pts != AV_NOPTS_VALUE && pkt->pts < pkt->dts)
        pkt->pts = pkt->dts;
    lastDts_ = pkt->dts;
    const AVRational tb = in_->streams[video_]->time_base;
    written_ = std::max(written_, pkt->pts * av_q2d(tb));
    if (!writeSoundUntil(pkt->dts * av_q2d(tb)))
        return false;
    pkt->stream_index = videoOut_->index;
    av_packet_rescale_ts(pkt, tb, videoOut_->time_base);
    const int rc = av_interleaved_write_frame(out_, pkt);
    if (rc < 0)
        return fail("writing the copy failed", rc);
    report();
    return true;
}

bool CutWriter::openRun(size_t segment)
{
    const AVStream* st = in_->streams[video_];
    const AVCodecID id = st->codecpar->codec_id;
    const char* name = id == AV_CODEC_ID_H264 ? "libx264" : id == AV_CODEC_ID_VP9 ? "libvpx-vp9" : "libvpx";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec)
        return fail(std::string("no ") + name + " encoder");
    enc_ = avcodec_alloc_context3(codec);
    enc_->width = dec_->width;
    enc_->height = dec_->height;
    enc_->pix_fmt = dec_->pix_fmt;
    enc_->time_base = st->time_base;
    enc_->framerate = st->avg_frame_rate;
    enc_->sample_aspect_ratio = dec_->sample_aspect_ratio;
    enc_->color_range = dec_->color_range;
    enc_->colorspace = dec_->colorspace;
    enc_->color_primaries = dec_->color_primaries;
    enc_->color_trc = dec_->color_trc;
    enc_->max_b_frames = 0;
    enc_->gop_size = 1 << 20;  // one key frame, at the start of the run
    enc_->thread_count = 0;
    AVDictionary* opts = nullptr;
    if (id == AV_CODEC_ID_H264) {
        // Its own parameter sets under ids the recording does not use, in
        // the stream: the recording's go on meaning what they meant.
        av_dict_set(&opts, "preset", "veryfast", 0);
        av_dict_set(&opts, "crf", "18", 0);
        av_dict_set(&opts, "x264-params", ("sps-id=" + std::to_string(spsId_) + ":repeat-headers=1").c_str(), 0);
    } else {
        av_dict_set(&opts, "deadline", "realtime", 0);
        av_dict_set(&opts, "cpu-used", "5", 0);
        av_dict_set(&opts, "crf", "16", 0);
        av_dict_set(&opts, "b", id == AV_CODEC_ID_VP9 ? "0" : "4M", 0);
    }
    const int rc = avcodec_open2(enc_, codec, &opts);
    av_dict_free(&opts);
    if (rc < 0)
        return fail(std::string("cannot open the ") + name + " encoder", rc);
    run_ = static_cast<int>(segment);
    return true;
}

bool CutWriter::drainEncoder()
{
    for (;;) {
        const int rc = avcodec_receive_packet(enc_, encPkt_);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return fail("encoding the pictures failed", rc);
        encPkt_->dts = encPkt_->pts - keys_.delay;
        if (lengthPrefixed_) {
            const std::string data = LengthPrefixed(AnnexBUnits(encPkt_->data, encPkt_->size), avc_.lengthSize);
            AVPacket* conv = av_packet_alloc();
            if (av_new_packet(conv, static_cast<int>(data.size())) < 0) {
                av_packet_free(&conv);
                return fail("out of memory");
            }
            std::copy(data.begin(), data.end(), conv->data);
            av_packet_copy_props(conv, encPkt_);
            const bool ok = writeVideo(conv);
            av_packet_free(&conv);
            av_packet_unref(encPkt_);
            if (!ok)
                return false;
        } else {
            const bool ok = writeVideo(encPkt_);
            av_packet_unref(encPkt_);
            if (!ok)
                return false;
        }
    }
}

bool CutWriter::closeRun()
{
    if (run_ < 0)
        return true;
    const int rc = avcodec_send_frame(enc_, nullptr);
    if (rc < 0)
        return fail("encoding the pictures failed", rc);
    if (!drainEncoder())
        return false;
    avcodec_free_context(&enc_);
    run_ = -1;
    resendSets_ = true;
    return true;
}

bool CutWriter::handleFrame(AVFrame* frame)
{
    const AVRational tb = in_->streams[video_]->time_base;
    const int64_t ts = frame->best_effort_timestamp;
    const double t = ts * av_q2d(tb) - fileStart_;
    int segment = -1;
    for (size_t i = 0; i < segments_.size(); ++i)
        if (!segments_[i].copy && t >= segments_[i].from - kEpsilon && t < segments_[i].to - kEpsilon)
            segment = static_cast<int>(i);
    if (segment < 0)
        return true;
    if (run_ >= 0 && run_ != segment && !closeRun())
        return false;
    if (run_ < 0 && !openRun(static_cast<size_t>(segment)))
        return false;
    frame->pts = ts + offset(segments_[static_cast<size_t>(segment)].stretch);
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    const int rc = avcodec_send_frame(enc_, frame);
    if (rc < 0)
        return fail("encoding the pictures failed", rc);
    return drainEncoder();
}

bool CutWriter::drainDecoder()
{
    if (!decoding_)
        return true;
    avcodec_send_packet(dec_, nullptr);
    for (;;) {
        const int rc = avcodec_receive_frame(dec_, frame_);
        if (rc < 0)
            break;
        const bool ok = handleFrame(frame_);
        av_frame_unref(frame_);
        if (!ok)
            return false;
    }
    avcodec_flush_buffers(dec_);
    decoding_ = false;
    return closeRun();
}

bool CutWriter::pictures()
{
    const AVRational tb = in_->streams[video_]->time_base;
    // Each group of pictures, by the rank of its key frame: passed on,
    // decoded (some of its pictures are encoded again), or left out.
    enum class Role { Skip, Copy, Decode };
    std::vector<Role> roles(keys_.times.size(), Role::Skip);
    std::vector<int> copySegment(keys_.times.size(), -1);
    for (size_t g = 0; g < keys_.times.size(); ++g) {
        const double from = keys_.times[g];
        const double to = g + 1 < keys_.times.size() ? keys_.times[g + 1] : 1e12;
        for (size_t i = 0; i < segments_.size(); ++i) {
            const Segment& s = segments_[i];
            if (s.copy && from >= s.from - kEpsilon && from < s.to - kEpsilon) {
                roles[g] = Role::Copy;
                copySegment[g] = static_cast<int>(i);
            } else if (!s.copy && from < s.to - kEpsilon && s.from < to - kEpsilon && roles[g] != Role::Copy) {
                roles[g] = Role::Decode;
            }
        }
    }
    int g = -1;
    while (!cancel_) {
        const int rc = av_read_frame(in_, pkt_);
        if (rc == AVERROR_EOF)
            break;
        if (rc < 0)
            return fail("reading the recording failed", rc);
        if (pkt_->stream_index != video_ || pkt_->pts == AV_NOPTS_VALUE) {
            av_packet_unref(pkt_);
            continue;
        }
        if (pkt_->flags & AV_PKT_FLAG_KEY)
            ++g;
        const Role role = g >= 0 && g < static_cast<int>(roles.size()) ? roles[static_cast<size_t>(g)] : Role::Skip;
        bool ok = true;
        if (role != Role::Decode)
            ok = drainDecoder();
        if (ok && role == Role::Copy) {
            const Segment& s = segments_[static_cast<size_t>(copySegment[static_cast<size_t>(g)])];
            const double t = pkt_->pts * av_q2d(tb) - fileStart_;
            // Pictures shown before the key frame that opens the segment
            // belong to what was encoded again, or cut.
            if (t >= s.from - kEpsilon) {
                const int64_t shift = offset(s.stretch);
                pkt_->pts += shift;
                pkt_->dts = pkt_->dts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : pkt_->dts + shift;
                if (resendSets_ && lengthPrefixed_ && (pkt_->flags & AV_PKT_FLAG_KEY)) {
                    const std::string sets = LengthPrefixed(avc_.sets, avc_.lengthSize);
                    AVPacket* joined = av_packet_alloc();
                    if (av_new_packet(joined, static_cast<int>(sets.size()) + pkt_->size) < 0) {
                        av_packet_free(&joined);
                        return fail("out of memory");
                    }
                    std::copy(sets.begin(), sets.end(), joined->data);
                    std::copy(pkt_->data, pkt_->data + pkt_->size, joined->data + sets.size());
                    av_packet_copy_props(joined, pkt_);
                    ok = writeVideo(joined);
                    av_packet_free(&joined);
                } else {
                    ok = writeVideo(pkt_);
                }
                resendSets_ = false;
            }
        } else if (ok && role == Role::Decode) {
            decoding_ = true;
            int sent = avcodec_send_packet(dec_, pkt_);
            while (ok && sent >= 0) {
                const int got = avcodec_receive_frame(dec_, frame_);
                if (got < 0)
                    break;
                ok = handleFrame(frame_);
                av_frame_unref(frame_);
            }
        }
        av_packet_unref(pkt_);
        if (!ok)
            return false;
    }
    if (cancel_)
        return fail("cancelled");
    return drainDecoder();
}

bool CutWriter::Write(const std::string& input, const std::string& output, std::string& err)
{
    pkt_ = av_packet_alloc();
    encPkt_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    bool ok = openVideo(input) && openOutput(output);
    if (ok && progress_)
        progress_(percent_ = 0);
    if (ok && sound_)
        soundThread_ = std::thread([this] {
            std::string why;
            const bool done = sound_->Run([this](AVPacket* p) { return queue_.Push(p); }, cancel_, why);
            queue_.End(done ? "" : why);
        });
    if (ok && videoOut_)
        ok = pictures();
    if (ok)
        ok = writeSoundUntil(1e18);
    if (!ok)
        queue_.Abandon();
    if (soundThread_.joinable())
        soundThread_.join();
    if (ok && !queue_.err.empty())
        ok = fail(queue_.err);
    if (ok) {
        const int rc = av_write_trailer(out_);
        if (rc < 0)
            ok = fail("writing the copy failed", rc);
    }
    if (ok && progress_)
        progress_(100);
    if (!ok)
        err = cancel_ ? "cancelled" : err_;
    return ok;
}

}  // namespace

bool CutCopyPassesVideoOn(const AVFormatContext* in)
{
    const int v = mainVideo(in);
    return v < 0 || isPassedOn(in->streams[v]);
}

bool WriteCutCopy(const std::string& input, const std::string& output, const CutList& cuts,
                  const TranscodeOptions& options, const std::function<void(int percent)>& progress,
                  const std::atomic<bool>& cancel, std::string& err)
{
    bool ok = false;
    {
        CutWriter writer(cuts, options, progress, cancel);
        ok = writer.Write(input, output, err);
    }
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(output, ec);
        Tav_DebugLog("Cut copy of " + input + " failed: " + err);
    }
    return ok;
}

}  // namespace pellucor
