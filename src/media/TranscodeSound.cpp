// The sound side of a transcode: the audio encoder and its resampler, the
// filters, and the thread that encodes a file's sound beside its picture.
#include <algorithm>
#include <cmath>

#include "media/StreamDecoder.h"
#include "media/TranscodeJob.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace pellucor {

namespace transcode {

namespace {

bool drainFifo(Job& job, Lane& lane, bool final)
{
    const int size = lane.enc->frame_size > 0 ? lane.enc->frame_size : 1024;
    while (av_audio_fifo_size(lane.fifo) >= size || (final && av_audio_fifo_size(lane.fifo) > 0)) {
        const int n = std::min(size, av_audio_fifo_size(lane.fifo));
        AVFrame* f = av_frame_alloc();
        f->nb_samples = n;
        f->format = lane.enc->sample_fmt;
        f->sample_rate = lane.enc->sample_rate;
        av_channel_layout_copy(&f->ch_layout, &lane.enc->ch_layout);
        if (av_frame_get_buffer(f, 0) < 0) {
            av_frame_free(&f);
            return job.fail("out of memory", 0);
        }
        av_audio_fifo_read(lane.fifo, reinterpret_cast<void**>(f->data), n);
        f->pts = lane.nextPts;
        lane.nextPts += n;
        const bool ok = Encode(job, lane, f);
        av_frame_free(&f);
        if (!ok)
            return false;
    }
    return true;
}

bool encodeAudio(Job& job, Lane& lane, AVFrame* in)
{
    // The sound starts where the recording's does, in step with video
    // passed on with its own timestamps (a live source starts at 0).
    if (in && !lane.started) {
        lane.started = true;
        if (!job.live && in->pts != AV_NOPTS_VALUE)
            lane.nextPts = std::max<int64_t>(0, av_rescale_q(in->pts, lane.frameTimeBase, lane.enc->time_base));
    }
    const int outMax = swr_get_out_samples(lane.swr, in ? in->nb_samples : 0);
    if (outMax <= 0)
        return true;
    uint8_t** buf = nullptr;
    if (av_samples_alloc_array_and_samples(&buf, nullptr, lane.enc->ch_layout.nb_channels, outMax, lane.enc->sample_fmt,
                                           0)
        < 0)
        return job.fail("out of memory", 0);
    const int got = swr_convert(lane.swr, buf, outMax, in ? const_cast<const uint8_t**>(in->extended_data) : nullptr,
                                in ? in->nb_samples : 0);
    if (got > 0)
        av_audio_fifo_write(lane.fifo, reinterpret_cast<void**>(buf), got);
    av_freep(&buf[0]);
    av_freep(&buf);
    return drainFifo(job, lane, false);
}

// Runs a decoded frame (nullptr: the end of the sound) through the lane's
// sound filters and encodes what comes out.
bool filterAudio(Job& job, Lane& lane, AVFrame* in)
{
    int rc = lane.filter->Push(in);
    if (rc < 0)
        return job.fail("filtering the sound failed", rc);
    for (;;) {
        rc = lane.filter->Pull(lane.filtered);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return job.fail("filtering the sound failed", rc);
        const bool ok = encodeAudio(job, lane, lane.filtered);
        av_frame_unref(lane.filtered);
        if (!ok)
            return false;
    }
}

}  // namespace

bool OpenAudioEncoder(Job& job, Lane& lane, const AVCodec* codec, const TranscodeOptions& o)
{
    const int channels = o.channels > 0 ? std::min(o.channels, 2) : lane.dec->ch_layout.nb_channels >= 2 ? 2 : 1;
    int rc = OpenSoundEncoder(codec, o.sampleRate > 0 ? o.sampleRate : lane.dec->sample_rate, channels,
                              o.audioBitRate, job.out->oformat->flags & AVFMT_GLOBALHEADER, lane.enc);
    AVCodecContext* enc = lane.enc;
    if (rc < 0)
        return job.fail(std::string("cannot open the audio encoder ") + codec->name, rc);
    // What the resampler is given: the decoded sound, or what the filters
    // make of it.
    AVChannelLayout inLayout {};
    AVSampleFormat inFormat = lane.dec->sample_fmt;
    int inRate = lane.dec->sample_rate;
    lane.frameTimeBase = lane.dec->pkt_timebase;
    if (!o.audioFilter.empty()) {
        lane.filter = std::make_unique<FfmpegAudioFilter>();
        std::string why;
        if (!lane.filter->Open(o.audioFilter, lane.dec->sample_rate, lane.dec->sample_fmt, lane.dec->ch_layout,
                               lane.dec->pkt_timebase, why))
            return job.fail(why, 0);
        lane.filtered = av_frame_alloc();
        inLayout = lane.filter->Layout();
        inFormat = lane.filter->Format();
        inRate = lane.filter->SampleRate();
        lane.frameTimeBase = lane.filter->TimeBase();
    } else if (lane.dec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || lane.dec->ch_layout.nb_channels == 0) {
        av_channel_layout_default(&inLayout, lane.dec->ch_layout.nb_channels > 0 ? lane.dec->ch_layout.nb_channels : 1);
    } else {
        av_channel_layout_copy(&inLayout, &lane.dec->ch_layout);
    }
    rc = swr_alloc_set_opts2(&lane.swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &inLayout, inFormat, inRate,
                             0, nullptr);
    av_channel_layout_uninit(&inLayout);
    if (rc < 0 || swr_init(lane.swr) < 0)
        return job.fail("cannot convert the audio samples", rc);
    lane.fifo = av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 1024);
    return true;
}

// The loudest sample of a decoded sound frame, 0 to 1.
double framePeak(const AVFrame* f)
{
    const auto fmt = static_cast<AVSampleFormat>(f->format);
    const bool planar = av_sample_fmt_is_planar(fmt);
    const int channels = f->ch_layout.nb_channels;
    const int planes = planar ? channels : 1;
    const int count = f->nb_samples * (planar ? 1 : channels);
    double peak = 0;
    for (int p = 0; p < planes && f->extended_data[p]; ++p) {
        const uint8_t* d = f->extended_data[p];
        for (int i = 0; i < count; ++i) {
            double v = 0;
            switch (av_get_packed_sample_fmt(fmt)) {
            case AV_SAMPLE_FMT_U8: v = (d[i] - 128) / 128.0; break;
            case AV_SAMPLE_FMT_S16: v = reinterpret_cast<const int16_t*>(d)[i] / 32768.0; break;
            case AV_SAMPLE_FMT_S32: v = reinterpret_cast<const int32_t*>(d)[i] / 2147483648.0; break;
            case AV_SAMPLE_FMT_S64:
                v = static_cast<double>(reinterpret_cast<const int64_t*>(d)[i]) / 9.2233720368547758e18;
                break;
            case AV_SAMPLE_FMT_FLT: v = reinterpret_cast<const float*>(d)[i]; break;
            case AV_SAMPLE_FMT_DBL: v = reinterpret_cast<const double*>(d)[i]; break;
            default: return 0;
            }
            peak = std::max(peak, std::abs(v));
        }
    }
    return std::min(peak, 1.0);
}

void reportLevel(Job& job, Lane& lane, const AVFrame* in)
{
    lane.peak = std::max(lane.peak, framePeak(in));
    const auto now = std::chrono::steady_clock::now();
    if (now - lane.lastLevel < job.levelEvery)
        return;
    lane.lastLevel = now;
    job.level(lane.peak);
    lane.peak = 0;
}

// The whole of one lane's sound encoding, from the first frame to the end.
bool EncodeSound(Job& job, Lane& lane, AVFrame* in)
{
    if (in && job.level)
        reportLevel(job, lane, in);
    if (in)
        return lane.filter ? filterAudio(job, lane, in) : encodeAudio(job, lane, in);
    if (lane.filter && !filterAudio(job, lane, nullptr))
        return false;
    return encodeAudio(job, lane, nullptr) && drainFifo(job, lane, true) && Encode(job, lane, nullptr);
}

// The worker is handed over when the thread starts: the lane lets go of it
// before it ends the thread.
void SoundWorkerLoop(Job& job, Lane& lane, SoundWorker& w)
{
    for (;;) {
        AVFrame* frame = nullptr;
        {
            std::unique_lock lock(w.mutex);
            w.changed.wait(lock, [&] { return w.abandon || !w.queue.empty(); });
            if (w.abandon)
                return;
            frame = w.queue.front();
            w.queue.pop_front();
        }
        w.changed.notify_all();
        const bool ok = EncodeSound(job, lane, frame);
        const bool end = frame == nullptr;
        av_frame_free(&frame);
        if (!ok || end) {
            std::lock_guard lock(w.mutex);
            w.failed = !ok;
            w.abandon = true;  // nothing more is taken
            w.changed.notify_all();
            return;
        }
    }
}

bool QueueSound(Lane& lane, const AVFrame* frame)
{
    SoundWorker& w = *lane.worker;
    AVFrame* copy = frame ? av_frame_clone(frame) : nullptr;
    std::unique_lock lock(w.mutex);
    w.changed.wait(lock, [&] { return w.abandon || w.queue.size() < SoundWorker::kQueued; });
    if (w.abandon) {
        av_frame_free(&copy);
        return !w.failed;
    }
    w.queue.push_back(copy);
    lock.unlock();
    w.changed.notify_all();
    return true;
}

bool FinishSound(Lane& lane)
{
    SoundWorker& w = *lane.worker;
    if (w.thread.joinable())
        w.thread.join();
    return !w.failed;
}

}  // namespace transcode

}  // namespace pellucor
