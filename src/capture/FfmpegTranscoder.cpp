#include "capture/FfmpegTranscoder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "capture/MediaEvents.h"
#include "capture/TranscodeJob.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace pellucor {

namespace transcode {

int threadCount(const TranscodeOptions& o)
{
    return o.threads > 0 ? o.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

const AVCodec* findEncoder(const std::string& name, AVCodecID fallback)
{
    if (!name.empty())
        return avcodec_find_encoder_by_name(name.c_str());
    return fallback == AV_CODEC_ID_NONE ? nullptr : avcodec_find_encoder(fallback);
}

bool openVideoEncoder(Job& job, Lane& lane, const AVCodec* codec, const TranscodeOptions& o)
{
    AVCodecContext* enc = lane.enc = avcodec_alloc_context3(codec);
    const AVStream* st = lane.src->ctx->streams[lane.in];
    enc->width = o.width > 0 ? o.width : lane.dec->width;
    enc->height = o.height > 0 ? o.height : lane.dec->height;
    // H.263 and the RealVideo codecs built on it want multiples of 4.
    const int align
        = codec->id == AV_CODEC_ID_H263 || codec->id == AV_CODEC_ID_RV10 || codec->id == AV_CODEC_ID_RV20 ? 4 : 2;
    enc->width = (enc->width + align - 1) / align * align;
    enc->height = (enc->height + align - 1) / align * align;
    enc->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    if (!o.pixelFormat.empty() && av_get_pix_fmt(o.pixelFormat.c_str()) != AV_PIX_FMT_NONE)
        enc->pix_fmt = av_get_pix_fmt(o.pixelFormat.c_str());
    AVRational rate = av_guess_frame_rate(lane.src->ctx, const_cast<AVStream*>(st), nullptr);
    if (rate.num <= 0 || rate.den <= 0)
        rate = {25, 1};
    enc->time_base = av_inv_q(rate);
    enc->framerate = rate;
    enc->sample_aspect_ratio = lane.dec->sample_aspect_ratio;
    if (o.videoBitRate > 0)
        enc->bit_rate = o.videoBitRate;
    if (job.out->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Every core: frame or slice threads as the encoder offers them, and
    // row-based multithreading where the codec has it.
    if (codec->capabilities & (AV_CODEC_CAP_FRAME_THREADS | AV_CODEC_CAP_SLICE_THREADS | AV_CODEC_CAP_OTHER_THREADS))
        enc->thread_count = threadCount(o);
    AVDictionary* opts = nullptr;
    if (o.videoEncoderOptions.empty()) {
        av_dict_set(&opts, "row-mt", "1", 0);           // libvpx-vp9, libaom
        av_dict_set(&opts, "deadline", "realtime", 0);  // libvpx
        // A fixed speed: a positive value lets libvpx trade speed against the
        // wall clock, so its work would grow and shrink with the machine's load.
        av_dict_set(&opts, "cpu-used", "-8", 0);      // libvpx
        av_dict_set(&opts, "preset", "veryfast", 0);  // libx264
    }
    for (const auto& [name, value] : o.videoEncoderOptions)
        av_dict_set(&opts, name.c_str(), value.c_str(), 0);
    const int rc = avcodec_open2(enc, codec, &opts);
    av_dict_free(&opts);
    if (rc < 0)
        return job.fail(std::string("cannot open the video encoder ") + codec->name, rc);
    lane.sws = sws_getContext(lane.dec->width, lane.dec->height, lane.dec->pix_fmt, enc->width, enc->height,
                              enc->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!lane.sws)
        return job.fail("cannot convert the video frames", 0);
    return true;
}

bool writePackets(Job& job, Lane& lane)
{
    for (;;) {
        int rc = avcodec_receive_packet(lane.enc, lane.pkt);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return job.fail("encoding failed", rc);
        // A picture lasts one frame: without a duration the last one would
        // end where it starts, and the container's edit list would cut it.
        if (lane.video && lane.pkt->duration <= 0)
            lane.pkt->duration = 1;  // the encoder counts in frames
        av_packet_rescale_ts(lane.pkt, lane.enc->time_base, lane.out->time_base);
        lane.pkt->stream_index = lane.out->index;
        {
            std::lock_guard lock(job.writing);
            rc = av_interleaved_write_frame(job.out, lane.pkt);
        }
        if (rc < 0)
            return job.fail("writing the output failed", rc);
    }
}

bool Encode(Job& job, Lane& lane, AVFrame* frame)
{
    const int rc = avcodec_send_frame(lane.enc, frame);
    if (rc < 0 && rc != AVERROR_EOF)
        return job.fail("encoding failed", rc);
    return writePackets(job, lane);
}

bool encodeVideo(Job& job, Lane& lane, AVFrame* in)
{
    // A picture already of the encoder's size and format is handed over as
    // it is (a new reference, no copy); any other is converted.
    AVFrame* f = nullptr;
    if (in->width == lane.enc->width && in->height == lane.enc->height && in->format == lane.enc->pix_fmt) {
        f = av_frame_clone(in);
        if (!f)
            return job.fail("out of memory", 0);
        f->pict_type = AV_PICTURE_TYPE_NONE;  // the encoder places its own key frames
    } else {
        f = av_frame_alloc();
        f->format = lane.enc->pix_fmt;
        f->width = lane.enc->width;
        f->height = lane.enc->height;
        if (av_frame_get_buffer(f, 0) < 0) {
            av_frame_free(&f);
            return job.fail("out of memory", 0);
        }
        sws_scale(lane.sws, in->data, in->linesize, 0, in->height, f->data, f->linesize);
    }
    const AVRational tb = lane.src->ctx->streams[lane.in]->time_base;
    int64_t pts = in->best_effort_timestamp == AV_NOPTS_VALUE
        ? lane.nextPts
        : av_rescale_q(in->best_effort_timestamp, tb, lane.enc->time_base);
    if (lane.lastVideoPts != AV_NOPTS_VALUE && pts <= lane.lastVideoPts)
        pts = lane.lastVideoPts + 1;
    f->pts = lane.lastVideoPts = pts;
    lane.nextPts = pts + 1;
    const bool ok = Encode(job, lane, f);
    av_frame_free(&f);
    return ok;
}

// Hands a copy of a decoded picture, at the size it is encoded at (scaled
// down to the preview's width), to the preview, when one is due.
void preview(Job& job, const AVFrame* in, int width, int height)
{
    const auto now = std::chrono::steady_clock::now();
    if (!job.preview || in->width <= 0 || in->height <= 0 || width <= 0 || height <= 0
        || now - job.lastPreview < job.previewEvery)
        return;
    job.lastPreview = now;
    PreviewFrame frame;
    frame.width = std::min(width, job.previewWidth) & ~1;
    frame.height = std::max(2, static_cast<int>(static_cast<int64_t>(height) * frame.width / width) & ~1);
    job.previewSws
        = sws_getCachedContext(job.previewSws, in->width, in->height, static_cast<AVPixelFormat>(in->format),
                               frame.width, frame.height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!job.previewSws)
        return;
    frame.rgb.resize(static_cast<size_t>(frame.width) * frame.height * 3);
    uint8_t* dst[4] = {frame.rgb.data(), nullptr, nullptr, nullptr};
    int stride[4] = {frame.width * 3, 0, 0, 0};
    sws_scale(job.previewSws, in->data, in->linesize, 0, in->height, dst, stride);
    job.preview(frame);
}

bool decodeInto(Job& job, Lane& lane, AVPacket* pkt)
{
    int rc = avcodec_send_packet(lane.dec, pkt);
    if (rc < 0 && rc != AVERROR_EOF && rc != AVERROR_INVALIDDATA)
        return job.fail("decoding failed", rc);
    for (;;) {
        rc = avcodec_receive_frame(lane.dec, job.frame);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return job.fail("decoding failed", rc);
        if (lane.video)
            preview(job, job.frame, lane.enc->width, lane.enc->height);
        const bool ok = lane.video ? encodeVideo(job, lane, job.frame)
            : lane.worker          ? QueueSound(lane, job.frame)
                                   : EncodeSound(job, lane, job.frame);
        av_frame_unref(job.frame);
        if (!ok)
            return false;
    }
}

// Side data of one stream handed on to another: all of it, or only the
// display matrix (how a phone held the picture), which an encoded picture
// keeps too so that it does not come out lying on its side.
void copySideData(const AVStream* from, AVStream* to, bool displayMatrixOnly)
{
    for (int k = 0; k < from->nb_side_data; ++k) {
        const AVPacketSideData& sd = from->side_data[k];
        if (displayMatrixOnly && sd.type != AV_PKT_DATA_DISPLAYMATRIX)
            continue;
        if (uint8_t* data = av_stream_new_side_data(to, sd.type, sd.size))
            std::copy(sd.data, sd.data + sd.size, data);
    }
}

// A stream passed on as it is: its parameters, and what it says of itself
// (language, rotation), go to the output unchanged.
void openCopyLane(Job& job, Lane& lane, const AVStream* st)
{
    lane.copy = true;
    lane.out = avformat_new_stream(job.out, nullptr);
    avcodec_parameters_copy(lane.out->codecpar, st->codecpar);
    lane.out->codecpar->codec_tag = 0;
    lane.out->time_base = st->time_base;
    lane.out->disposition = st->disposition;
    av_dict_copy(&lane.out->metadata, st->metadata, 0);
    copySideData(st, lane.out, false);
}

bool openLanes(Job& job, TranscodeSource& src, const TranscodeOptions& o)
{
    const int mainVideo = av_find_best_stream(src.ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int mainAudio = av_find_best_stream(src.ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    for (unsigned i = 0; i < src.ctx->nb_streams; ++i) {
        const AVStream* st = src.ctx->streams[i];
        const auto type = st->codecpar->codec_type;
        const bool video = type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC);
        if (!(video && !o.dropVideo) && type != AVMEDIA_TYPE_AUDIO)
            continue;
        if (o.mainStreamsOnly && static_cast<int>(i) != (video ? mainVideo : mainAudio))
            continue;
        if (video ? o.copyVideo : o.copyAudio) {
            auto lane = std::make_unique<Lane>();
            lane->video = video;
            lane->src = &src;
            lane->in = static_cast<int>(i);
            openCopyLane(job, *lane, st);
            job.lanes.push_back(std::move(lane));
            continue;
        }
        const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
        const AVCodec* encoder = video ? findEncoder(o.videoCodec, job.out->oformat->video_codec)
                                       : findEncoder(o.audioCodec, job.out->oformat->audio_codec);
        if (!decoder || !encoder)
            continue;
        auto lane = std::make_unique<Lane>();
        lane->video = video;
        lane->src = &src;
        lane->in = static_cast<int>(i);
        lane->dec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(lane->dec, st->codecpar);
        lane->dec->pkt_timebase = st->time_base;
        if (!o.live)
            lane->dec->thread_count = threadCount(o);
        int rc = avcodec_open2(lane->dec, decoder, nullptr);
        if (rc < 0)
            return job.fail("cannot decode stream " + std::to_string(i) + " of " + src.ctx->url, rc);
        if (!(video ? openVideoEncoder(job, *lane, encoder, o) : OpenAudioEncoder(job, *lane, encoder, o)))
            return false;
        lane->out = avformat_new_stream(job.out, nullptr);
        avcodec_parameters_from_context(lane->out->codecpar, lane->enc);
        lane->out->time_base = lane->enc->time_base;
        if (video)
            copySideData(st, lane->out, true);
        job.lanes.push_back(std::move(lane));
    }
    return true;
}

// Passes a packet of a copied stream on with its timestamps in the output's
// time base.
bool writeCopied(Job& job, Lane& lane, AVPacket* pkt)
{
    av_packet_rescale_ts(pkt, lane.src->ctx->streams[lane.in]->time_base, lane.out->time_base);
    pkt->stream_index = lane.out->index;
    pkt->pos = -1;
    int rc;
    {
        std::lock_guard lock(job.writing);
        rc = av_interleaved_write_frame(job.out, pkt);
    }
    return rc < 0 ? job.fail("writing the output failed", rc) : true;
}

int interruptCallback(void* opaque) { return static_cast<const Job*>(opaque)->interrupted() ? 1 : 0; }

bool open(Job& job, const std::vector<MediaInput>& inputs, const std::string& output, const TranscodeOptions& o)
{
    if (inputs.empty())
        return job.fail("nothing to read", 0);
    job.live = o.live;
    const AVIOInterruptCB interrupt {interruptCallback, &job};
    for (const auto& input : inputs) {
        auto src = std::make_unique<TranscodeSource>();
        src->ctx = OpenMediaInput(input, job.err, job.code, &interrupt);
        if (!src->ctx)
            return false;
        const int rc = avformat_find_stream_info(src->ctx, nullptr);
        if (rc < 0)
            return job.fail("cannot read the streams of " + input.url, rc);
        job.sources.push_back(std::move(src));
    }
    int rc = avformat_alloc_output_context2(&job.out, nullptr, o.format.empty() ? nullptr : o.format.c_str(),
                                            output.c_str());
    if (rc < 0 || !job.out)
        return job.fail("cannot write a file of this kind: " + output, rc);
    for (auto& src : job.sources) {
        const size_t before = job.lanes.size();
        if (!openLanes(job, *src, o))
            return false;
        // An input with nothing to encode (pictures for a sound-only file)
        // is not read at all.
        src->ended = job.lanes.size() == before;
    }
    if (job.lanes.empty())
        return job.fail("the input has no audio or video stream that can be converted", 0);
    if (!(job.out->oformat->flags & AVFMT_NOFILE)) {
        if ((rc = avio_open(&job.out->pb, output.c_str(), AVIO_FLAG_WRITE)) < 0)
            return job.fail("cannot create " + output, rc);
        job.created = true;
    }
    AddChapters(job.out, o.chapters);
    AVDictionary* muxerOptions = nullptr;
    for (const auto& [name, value] : o.muxerOptions)
        av_dict_set(&muxerOptions, name.c_str(), value.c_str(), 0);
    rc = avformat_write_header(job.out, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (rc < 0)
        return job.fail("cannot write the header of " + output, rc);
    return true;
}

// The input that has been read least far (so that live sources are read in
// turn), or null when every input has ended.
TranscodeSource* nextSource(Job& job)
{
    TranscodeSource* next = nullptr;
    for (auto& s : job.sources)
        if (!s->ended && (!next || s->clock < next->clock))
            next = s.get();
    return next;
}

// Live mode: starts the packet's clock at 0 and holds it back until its
// time has come, so that a source faster than real time (lavfi) records
// no more than the time that passed.
void pace(Job& job, TranscodeSource& src, AVPacket* pkt, const AVStream* st,
          std::chrono::steady_clock::time_point started)
{
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts == AV_NOPTS_VALUE)
        return;
    const int64_t us = av_rescale_q(ts, st->time_base, AV_TIME_BASE_Q);
    if (src.startUs == AV_NOPTS_VALUE)
        src.startUs = us;
    const int64_t shift = av_rescale_q(src.startUs, AV_TIME_BASE_Q, st->time_base);
    if (pkt->pts != AV_NOPTS_VALUE)
        pkt->pts -= shift;
    if (pkt->dts != AV_NOPTS_VALUE)
        pkt->dts -= shift;
    src.clock = static_cast<double>(us - src.startUs) / AV_TIME_BASE;
    using namespace std::chrono;
    for (;;) {
        const double ahead = src.clock - duration<double>(steady_clock::now() - started).count();
        if (ahead <= 0 || job.interrupted())
            return;
        std::this_thread::sleep_for(duration<double>(std::min(ahead, 0.02)));
    }
}

// How far the inputs were read, in seconds.
double nextSourceClock(const Job& job)
{
    double clock = 0.0;
    for (const auto& s : job.sources)
        clock = std::max(clock, s->clock);
    return clock;
}

bool flush(Job& job)
{
    for (auto& l : job.lanes) {
        if (l->copy)
            continue;
        if (!decodeInto(job, *l, nullptr))
            return false;
        if (l->worker) {
            if (!QueueSound(*l, nullptr))
                return false;
            continue;  // finished below, beside the other lanes' flushing
        }
        if (!l->video && !EncodeSound(job, *l, nullptr))
            return false;
        if (l->video && !Encode(job, *l, nullptr))
            return false;
    }
    for (auto& l : job.lanes)
        if (l->worker && !FinishSound(*l))
            return false;
    const int rc = av_write_trailer(job.out);
    return rc < 0 ? job.fail(std::string("cannot finish ") + job.out->url, rc) : true;
}

bool pump(Job& job, const TranscodeOptions& o, const std::function<void(int)>& progress)
{
    // A file's sound is encoded beside its picture (live capture keeps
    // everything on one thread, in step with the clock).
    if (!o.live)
        for (auto& l : job.lanes)
            if (!l->video && !l->copy) {
                l->worker = std::make_unique<SoundWorker>();
                l->worker->thread = std::thread(SoundWorkerLoop, std::ref(job), std::ref(*l), std::ref(*l->worker));
            }
    const AVFormatContext* first = job.sources.front()->ctx;
    const double duration = !o.live && first->duration > 0 ? static_cast<double>(first->duration) / AV_TIME_BASE : 0.0;
    int lastPercent = -1;
    auto report = [&](int percent) {
        if (percent > lastPercent && progress) {
            lastPercent = percent;
            progress(percent);
        }
    };
    if (!o.live)
        report(0);
    const auto started = std::chrono::steady_clock::now();
    std::string lost;  // why a live source stopped delivering
    while (!*job.stopped) {
        if (*job.cancelled)
            return job.fail("cancelled", 0);
        TranscodeSource* src = nextSource(job);
        if (!src)
            break;
        const int rc = av_read_frame(src->ctx, job.in);
        if (rc == AVERROR(EAGAIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (rc == AVERROR_EXIT && job.interrupted()) {
            src->ended = true;
            continue;
        }
        if (o.live && rc < 0) {
            // A capture device that fails, or ends, ends the recording; what
            // was read so far is finished and kept.
            lost = std::string("the capture source ") + src->ctx->url
                + (rc == AVERROR_EOF ? " stopped delivering" : " failed: " + FfmpegErrorText(rc));
            break;
        }
        if (rc == AVERROR_EOF) {
            src->ended = true;
            continue;
        }
        if (rc < 0)
            return job.fail(std::string("reading ") + src->ctx->url + " failed", rc);
        Lane* lane = nullptr;
        for (auto& l : job.lanes)
            if (l->src == src && l->in == job.in->stream_index)
                lane = l.get();
        if (lane) {
            const AVStream* st = src->ctx->streams[lane->in];
            if (o.live) {
                pace(job, *src, job.in, st, started);
            } else if (job.in->pts != AV_NOPTS_VALUE) {
                src->clock = job.in->pts * av_q2d(st->time_base);
                job.lastEndUs = std::max(
                    job.lastEndUs,
                    av_rescale_q(job.in->pts + std::max<int64_t>(job.in->duration, 0), st->time_base, AV_TIME_BASE_Q));
                if (duration > 0)
                    report(std::clamp(static_cast<int>(src->clock * 100.0 / duration), 0, 99));
            }
            if (lane->copy ? !writeCopied(job, *lane, job.in) : !decodeInto(job, *lane, job.in))
                return false;
        }
        av_packet_unref(job.in);
    }
    if (*job.cancelled)
        return job.fail("cancelled", 0);
    const bool reachedEnd = !*job.stopped;
    if (!lost.empty()) {
        job.keep = true;
        std::string flushErr;
        if (!flush(job))
            flushErr = " (" + job.err + ")";
        return job.fail("Recording stopped after " + std::to_string(std::lround(nextSourceClock(job)))
                            + " seconds: " + lost + flushErr,
                        0);
    }
    // A single file that cannot be read to its end is not passed on as if
    // it were whole.
    if (!o.live && reachedEnd && job.sources.size() == 1) {
        const std::string cut = CutShortReason(job.sources.front()->ctx, job.lastEndUs);
        if (!cut.empty())
            return job.fail(cut, 0);
    }
    if (!flush(job))
        return false;
    if (!o.live && reachedEnd)
        report(100);
    return true;
}

}  // namespace transcode

using namespace transcode;

FfmpegTranscoder::FfmpegTranscoder() = default;
FfmpegTranscoder::~FfmpegTranscoder() = default;

bool FfmpegTranscoder::failed(std::string& err)
{
    for (auto& lane : job_->lanes)
        lane->worker.reset();  // no sound is encoded any more
    err = job_->err;
    code_ = job_->code;
    kept_ = job_->keep;
    // A file that was there before is kept unless this run overwrote it.
    if (job_->created && !job_->keep) {
        std::error_code ec;
        std::filesystem::remove(output_, ec);
    }
    job_.reset();
    return false;
}

bool FfmpegTranscoder::Open(const std::vector<MediaInput>& inputs, const std::string& output,
                            const TranscodeOptions& options, std::string& err)
{
    FfmpegQuietLogs();
    stopped_ = cancelled_ = false;
    kept_ = false;
    output_ = output;
    options_ = options;
    code_ = 0;
    job_ = std::make_unique<TranscodeJob>();
    job_->stopped = &stopped_;
    job_->cancelled = &cancelled_;
    job_->preview = onPreview;
    job_->level = onLevel;
    job_->previewEvery = std::chrono::milliseconds(previewInterval);
    job_->previewWidth = std::max(2, previewWidth);
    if (!open(*job_, inputs, output, options))
        return failed(err);
    return true;
}

bool FfmpegTranscoder::Finish(std::string& err)
{
    if (!job_) {
        err = "nothing was opened";
        code_ = -1;
        return false;
    }
    if (!pump(*job_, options_, onProgress))
        return failed(err);
    job_.reset();
    return true;
}

bool FfmpegTranscoder::Run(const std::string& input, const std::string& output, const TranscodeOptions& options,
                           std::string& err)
{
    return Open({MediaInput {input, {}, {}}}, output, options, err) && Finish(err);
}

}  // namespace pellucor
