#include "media/LectureVideo.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

#include "core/TavUtils.h"
#include "media/CaptionTrack.h"
#include "media/DescriptionVoice.h"
#include "media/FfmpegMediaFile.h"
#include "media/MediaCheck.h"
#include "media/MediaEvents.h"
#include "media/PartSound.h"
#include "media/SpeakerVideo.h"
#include "media/VideoCanvas.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace pellucor {

namespace {

constexpr int kSampleRate = 48000;
constexpr int kSoundBitRate = 40000;
constexpr AVRational kVideoTimeBase {1, 90000};
// A still picture is repeated this often (seconds) so that players and
// seeking always find a recent frame.
constexpr double kStillRepeat = 1.0;
// Two frame times closer than this are one.
constexpr double kSameTime = 0.0005;
// How far the written file's length may be from the lecture's.
constexpr double kLengthTolerance = 0.2;
// The part's sound under a description: lowered to this share, from a
// little before the voice to a little after it, in ramps (seconds).
constexpr float kLowered = 0.25f;
constexpr double kLowerBefore = 0.3, kLowerAfter = 0.4, kRamp = 0.25;

struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

// The times (seconds into a part) at which a frame is written: the speaker
// video's frames or a still's repeats, and every slide change and caption
// change drawn into the picture.
std::vector<double> frameTimes(double length, double step, const std::vector<double>& changes)
{
    std::vector<double> times;
    for (int64_t k = 0; k * step < length - kSameTime; ++k)
        times.push_back(static_cast<double>(k) * step);
    for (double c : changes)
        if (c > 0 && c < length - kSameTime)
            times.push_back(c);
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end(), [](double a, double b) { return b - a < kSameTime; }),
                times.end());
    return times;
}

// The index of the last entry whose start is at or before t (0 if none).
template <typename Starts> size_t indexAt(const Starts& starts, double t)
{
    size_t i = 0;
    while (i + 1 < starts.size() && starts[i + 1] <= t + kSameTime)
        ++i;
    return i;
}

class LectureVideoWriter {
public:
    LectureVideoWriter(const std::vector<VideoPartSource>& parts, const LectureVideoOptions& options,
                       const std::function<void(int)>& progress, const std::atomic<bool>& cancel)
        : parts_(parts), options_(options), progress_(progress), cancel_(cancel)
    { }
    ~LectureVideoWriter()
    {
        av_frame_free(&audioFrame_);
        av_audio_fifo_free(fifo_);
        av_frame_free(&describedFrame_);
        av_audio_fifo_free(describedFifo_);
        avcodec_free_context(&described_);
        av_packet_free(&pkt_);
        avcodec_free_context(&video_);
        avcodec_free_context(&audio_);
        avcodec_free_context(&text_);
        if (out_) {
            avio_closep(&out_->pb);
            avformat_free_context(out_);
        }
        sws_freeContext(slideSws_);
        sws_freeContext(speakerSws_);
    }

    bool Write(const std::string& path, std::string& err);

private:
    bool open(const std::string& path, std::string& err);
    bool openEncoders(std::string& err);
    bool openCaptions(std::string& err);
    std::vector<MediaChapter> chapters() const;
    bool writeCaptions(const std::string& path, std::string& err);
    bool writePart(size_t p, std::string& err);
    bool videoFrame(size_t p, const std::vector<double>& times, size_t i, std::string& err);
    bool sendVideo(AVFrame* frame, std::string& err);
    bool sendAudio(bool last, std::string& err);
    bool sendSound(AVCodecContext* enc, AVStream* st, AVAudioFifo* fifo, AVFrame* frame, int64_t& sent, bool last,
                   std::string& err);
    bool openAac(AVCodecContext*& enc, AVStream*& st, std::string& err);
    bool speakDescriptions(size_t p, std::string& err);
    void describe(int64_t from, int count);
    bool drain(AVCodecContext* enc, AVStream* st, std::string& err);
    bool fail(std::string& err, const std::string& what, int rc)
    {
        err = what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
        return false;
    }
    void report(double seconds)
    {
        const int percent = total_ > 0 ? static_cast<int>(std::clamp(seconds / total_, 0.0, 1.0) * 99) : 0;
        if (percent != percent_ && progress_)
            progress_(percent_ = percent);
    }

    const std::vector<VideoPartSource>& parts_;
    const LectureVideoOptions& options_;
    const std::function<void(int)>& progress_;
    const std::atomic<bool>& cancel_;
    std::vector<double> lengths_, offsets_;
    double total_ = 0;
    int percent_ = -1;
    std::string path_;

    AVFormatContext* out_ = nullptr;
    AVCodecContext *video_ = nullptr, *audio_ = nullptr, *text_ = nullptr;
    AVStream *videoStream_ = nullptr, *audioStream_ = nullptr, *textStream_ = nullptr;
    AVPacket* pkt_ = av_packet_alloc();
    AVAudioFifo* fifo_ = nullptr;
    AVFrame* audioFrame_ = nullptr;
    int64_t samplesQueued_ = 0, samplesSent_ = 0;
    std::map<int64_t, int64_t> durations_;  // by pts, of the frames sent

    // The described sound: the part's sound with the descriptions over it.
    AVCodecContext* described_ = nullptr;
    AVStream* describedStream_ = nullptr;
    AVAudioFifo* describedFifo_ = nullptr;
    AVFrame* describedFrame_ = nullptr;
    int64_t describedSent_ = 0;
    DescriptionVoice voice_;
    struct Spoken {
        int64_t start = 0;  // sample of the part
        std::vector<float> samples;
    };
    std::vector<Spoken> spoken_;  // the part's, in time order

    // The part being written.
    CanvasLayout boxes_;
    FramePtr slidePicture_, background_, composed_;
    int backgroundCount_ = 0, composedBackground_ = -1;  // which background composed_ holds
    std::pair<int, int> speakerSize_ {0, 0};             // of the speaker picture drawn into it
    size_t slideShown_ = SIZE_MAX;
    int cueShown_ = -2;
    std::vector<EncodedCue> cues_;
    std::unique_ptr<SpeakerVideo> speaker_;
    std::unique_ptr<CaptionBurner> burner_;
    SwsContext *slideSws_ = nullptr, *speakerSws_ = nullptr;
    std::vector<std::vector<EncodedCue>> partCues_;
};

bool LectureVideoWriter::open(const std::string& path, std::string& err)
{
    int rc = avformat_alloc_output_context2(&out_, nullptr, "mp4", path.c_str());
    if (rc < 0)
        return fail(err, "cannot make an MP4 file", rc);
    if (!openEncoders(err) || !openCaptions(err))
        return false;
    AddChapters(out_, chapters());
    if ((rc = avio_open(&out_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
        return fail(err, "cannot write " + path, rc);
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "movflags", "+faststart", 0);
    rc = avformat_write_header(out_, &opts);
    av_dict_free(&opts);
    if (rc < 0)
        return fail(err, "cannot write " + path, rc);
    if (!writeCaptions(path, err))
        return false;
    fifo_ = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, audio_->ch_layout.nb_channels, audio_->frame_size * 4);
    audioFrame_ = av_frame_alloc();
    if (described_) {
        describedFifo_ = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 1, described_->frame_size * 4);
        describedFrame_ = av_frame_alloc();
    }
    return true;
}

// H.264 at the frame rate of the first speaker video (25 without one) and
// AAC, and their streams.
bool LectureVideoWriter::openEncoders(std::string& err)
{
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!h264 || !aac)
        return fail(err, "this FFmpeg has no H.264 (libx264) or AAC encoder", 0);

    double fps = 25;
    for (const VideoPartSource& part : parts_)
        if (!part.video.empty()) {
            SpeakerVideo probe;
            std::string ignored;
            if (probe.Open(part.video, ignored))
                fps = probe.FrameRate();
            break;
        }
    video_ = avcodec_alloc_context3(h264);
    video_->width = options_.width;
    video_->height = options_.height;
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    video_->time_base = kVideoTimeBase;
    video_->framerate = av_d2q(fps, 1000);
    video_->sample_aspect_ratio = {1, 1};
    video_->gop_size = 250;
    // Frames in the order shown: a still's few frames come one after the
    // other, each slide change starts a picture of its own.
    video_->max_b_frames = 0;
    video_->thread_count = 0;  // every core
    video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "preset", "veryfast", 0);
    av_dict_set(&opts, "crf", "23", 0);
    av_dict_set(&opts, "forced-idr", "1", 0);
    int rc = avcodec_open2(video_, h264, &opts);
    av_dict_free(&opts);
    if (rc < 0)
        return fail(err, "cannot open the H.264 encoder", rc);

    videoStream_ = avformat_new_stream(out_, nullptr);
    avcodec_parameters_from_context(videoStream_->codecpar, video_);
    videoStream_->time_base = kVideoTimeBase;
    if (!openAac(audio_, audioStream_, err))
        return false;
    audioStream_->disposition = AV_DISPOSITION_DEFAULT;
    if (!options_.audioDescription)
        return true;
    if (!voice_.Open(options_.descriptionsLanguage, kSampleRate, err) || !openAac(described_, describedStream_, err))
        return false;
    describedStream_->disposition = AV_DISPOSITION_DESCRIPTIONS;
    for (const char* key : {"title", "handler_name"})
        av_dict_set(&describedStream_->metadata, key, "Audio description", 0);
    return true;
}

// An AAC encoder and its stream. Speech in one channel: clear at this
// rate, and a slide lecture's hour stays small (its pictures take little).
bool LectureVideoWriter::openAac(AVCodecContext*& enc, AVStream*& st, std::string& err)
{
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    enc = avcodec_alloc_context3(aac);
    enc->sample_rate = kSampleRate;
    enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
    enc->ch_layout = AV_CHANNEL_LAYOUT_MONO;
    enc->bit_rate = kSoundBitRate;
    enc->time_base = {1, kSampleRate};
    enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int rc = avcodec_open2(enc, aac, nullptr); rc < 0)
        return fail(err, "cannot open the AAC encoder", rc);
    st = avformat_new_stream(out_, nullptr);
    avcodec_parameters_from_context(st->codecpar, enc);
    st->time_base = enc->time_base;
    return true;
}

// The captions of every part that has them, encoded, and their stream
// (none when no part has captions).
bool LectureVideoWriter::openCaptions(std::string& err)
{
    partCues_.resize(parts_.size());
    const bool captions
        = std::any_of(parts_.begin(), parts_.end(), [](const VideoPartSource& p) { return !p.captions.empty(); });
    if (!captions)
        return true;
    if (!(text_ = OpenCaptionsEncoder(err)))
        return false;
    for (size_t p = 0; p < parts_.size(); ++p)
        if (!parts_[p].captions.empty() && !EncodeCaptions(parts_[p].captions, text_, partCues_[p], err))
            return false;
    textStream_ = avformat_new_stream(out_, nullptr);
    avcodec_parameters_from_context(textStream_->codecpar, text_);
    textStream_->time_base = text_->time_base;
    av_dict_set(&textStream_->metadata, "language", options_.captionsLanguage.c_str(), 0);
    av_dict_set(&textStream_->metadata, "handler_name", "Captions", 0);
    return true;
}

// One chapter per slide shown, named by its title.
std::vector<MediaChapter> LectureVideoWriter::chapters() const
{
    std::vector<MediaChapter> chapters;
    for (size_t p = 0; p < parts_.size(); ++p) {
        const auto& slides = parts_[p].slides;
        for (size_t s = 0; s < slides.size(); ++s) {
            const double start = std::max(0.0, slides[s].start);
            const double end = s + 1 < slides.size() ? std::min(slides[s + 1].start, lengths_[p]) : lengths_[p];
            if (start < lengths_[p] - kSameTime && end > start)
                chapters.push_back({offsets_[p] + start, offsets_[p] + end, slides[s].title});
        }
    }
    return chapters;
}

// The captions, all at once: a few small packets the muxer keeps in time
// order among the others.
bool LectureVideoWriter::writeCaptions(const std::string& path, std::string& err)
{
    for (size_t p = 0; p < parts_.size() && textStream_; ++p)
        for (const EncodedCue& cue : partCues_[p]) {
            if (cue.start >= lengths_[p])
                continue;
            AVPacket* t = av_packet_alloc();
            av_new_packet(t, static_cast<int>(cue.data.size()));
            std::copy(cue.data.begin(), cue.data.end(), t->data);
            t->pts = t->dts = std::llround((offsets_[p] + cue.start) * 1000);
            t->duration = std::llround((std::min(cue.end, lengths_[p]) - cue.start) * 1000);
            t->stream_index = textStream_->index;
            t->flags |= AV_PKT_FLAG_KEY;
            av_packet_rescale_ts(t, text_->time_base, textStream_->time_base);
            const int rc = av_interleaved_write_frame(out_, t);
            av_packet_free(&t);
            if (rc < 0)
                return fail(err, "cannot write " + path, rc);
        }
    return true;
}

bool LectureVideoWriter::drain(AVCodecContext* enc, AVStream* st, std::string& err)
{
    int rc;
    while ((rc = avcodec_receive_packet(enc, pkt_)) >= 0) {
        if (enc == video_) {
            const auto d = durations_.find(pkt_->pts);
            if (d != durations_.end()) {
                pkt_->duration = d->second;
                durations_.erase(d);
            }
        }
        av_packet_rescale_ts(pkt_, enc->time_base, st->time_base);
        pkt_->stream_index = st->index;
        if ((rc = av_interleaved_write_frame(out_, pkt_)) < 0)
            return fail(err, "cannot write " + path_, rc);
    }
    return rc == AVERROR(EAGAIN) || rc == AVERROR_EOF || fail(err, "cannot encode the lecture video", rc);
}

bool LectureVideoWriter::sendVideo(AVFrame* frame, std::string& err)
{
    const int rc = avcodec_send_frame(video_, frame);
    if (rc < 0 && rc != AVERROR_EOF)
        return fail(err, "cannot encode the lecture video", rc);
    return drain(video_, videoStream_, err);
}

bool LectureVideoWriter::sendAudio(bool last, std::string& err)
{
    return sendSound(audio_, audioStream_, fifo_, audioFrame_, samplesSent_, last, err)
        && (!described_
            || sendSound(described_, describedStream_, describedFifo_, describedFrame_, describedSent_, last, err));
}

bool LectureVideoWriter::sendSound(AVCodecContext* enc, AVStream* st, AVAudioFifo* fifo, AVFrame* frame, int64_t& sent,
                                   bool last, std::string& err)
{
    const int size = enc->frame_size;
    while (av_audio_fifo_size(fifo) >= size || (last && av_audio_fifo_size(fifo) > 0)) {
        av_frame_unref(frame);
        frame->nb_samples = std::min(size, av_audio_fifo_size(fifo));
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = kSampleRate;
        av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
        int rc = av_frame_get_buffer(frame, 0);
        if (rc >= 0)
            av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), frame->nb_samples);
        frame->pts = sent;
        sent += frame->nb_samples;
        if (rc >= 0)
            rc = avcodec_send_frame(enc, frame);
        if (rc < 0)
            return fail(err, "cannot encode the lecture's sound", rc);
        if (!drain(enc, st, err))
            return false;
    }
    if (last) {
        avcodec_send_frame(enc, nullptr);
        return drain(enc, st, err);
    }
    return true;
}

// The part's descriptions spoken, each from its start.
bool LectureVideoWriter::speakDescriptions(size_t p, std::string& err)
{
    spoken_.clear();
    if (!described_)
        return true;
    for (const VideoDescription& d : parts_[p].descriptions) {
        Spoken s;
        s.start = std::llround(std::max(0.0, d.start) * kSampleRate);
        if (!voice_.Speak(d.text, s.samples, err))
            return false;
        spoken_.push_back(std::move(s));
    }
    std::sort(spoken_.begin(), spoken_.end(), [](const Spoken& a, const Spoken& b) { return a.start < b.start; });
    return true;
}

// The described sound of the count samples of the part just read (from
// its sample from on): lowered while a description speaks, the voice over it.
void LectureVideoWriter::describe(int64_t from, int count)
{
    std::vector<float> block(static_cast<size_t>(count));
    void* data = block.data();
    av_audio_fifo_peek_at(fifo_, &data, count, av_audio_fifo_size(fifo_) - count);
    const auto before = std::llround((kLowerBefore + kRamp) * kSampleRate);
    const auto after = std::llround((kLowerAfter + kRamp) * kSampleRate);
    const auto ramp = static_cast<double>(kRamp * kSampleRate);
    for (const Spoken& s : spoken_) {
        const int64_t end = s.start + static_cast<int64_t>(s.samples.size());
        if (s.start - before >= from + count || end + after <= from)
            continue;
        for (int k = 0; k < count; ++k) {
            const int64_t at = from + k;
            // How far outside the lowered stretch, in ramps (0: inside).
            const double outside = std::max({0.0, static_cast<double>(s.start - before - at) / ramp + 1,
                                             static_cast<double>(at - end - after) / ramp + 1});
            const float gain = kLowered + (1 - kLowered) * static_cast<float>(std::min(1.0, outside));
            const float voice = at >= s.start && at < end ? s.samples[static_cast<size_t>(at - s.start)] : 0.0f;
            // Two descriptions close together each lower the sound.
            block[static_cast<size_t>(k)] = gain * block[static_cast<size_t>(k)] + voice;
        }
    }
    for (float& v : block)
        v = std::clamp(v, -1.0f, 1.0f);
    av_audio_fifo_write(describedFifo_, &data, count);
}

bool LectureVideoWriter::videoFrame(size_t p, const std::vector<double>& times, size_t i, std::string& err)
{
    const VideoPartSource& part = parts_[p];
    const double t = times[i];
    std::vector<double> starts;
    for (const VideoSlide& s : part.slides)
        starts.push_back(s.start);
    const size_t slide = indexAt(starts, t);
    int cue = -1;
    if (burner_)
        for (size_t c = 0; c < cues_.size(); ++c)
            if (cues_[c].start <= t + kSameTime && t < cues_[c].end - kSameTime)
                cue = static_cast<int>(c);
    const bool change = slide != slideShown_;
    if (change) {
        // The slide is read and scaled once, when it comes up.
        slidePicture_.reset(BlankCanvas(options_.width, options_.height));
        if (!slidePicture_)
            return fail(err, "out of memory", 0);
        if (slide < part.slides.size()) {
            FramePtr picture(ReadPicture(part.slides[slide].picture, err));
            if (!picture)
                return false;
            ScaleInto(slideSws_, picture.get(), slidePicture_.get(), boxes_.slide, SWS_LANCZOS);
        }
        slideShown_ = slide;
    }
    if (change || cue != cueShown_) {
        background_.reset(burner_ ? burner_->Burn(slidePicture_.get(), t) : av_frame_clone(slidePicture_.get()));
        if (!background_)
            return fail(err, "cannot draw the captions of part " + std::to_string(p + 1), 0);
        ++backgroundCount_;
        cueShown_ = cue;
    }
    FramePtr still;
    AVFrame* frame;
    if (speaker_) {
        // One picture kept from frame to frame: the background is copied
        // into it when it changes, the speaker's box drawn anew each time
        // (the encoder has taken its own copy of the last one).
        if (!composed_)
            composed_.reset(BlankCanvas(options_.width, options_.height));
        if (!composed_ || av_frame_make_writable(composed_.get()) < 0)
            return fail(err, "out of memory", 0);
        const AVFrame* picture = speaker_->At(t);
        // A speaker picture of another size covers another part of its box.
        const std::pair<int, int> size = picture ? std::make_pair(picture->width, picture->height) : speakerSize_;
        if (composedBackground_ != backgroundCount_ || size != speakerSize_)
            av_frame_copy(composed_.get(), background_.get());
        composedBackground_ = backgroundCount_;
        speakerSize_ = size;
        if (picture)
            ScaleInto(speakerSws_, picture, composed_.get(), boxes_.speaker, SWS_BILINEAR);
        frame = composed_.get();
    } else {
        still.reset(av_frame_clone(background_.get()));  // the same still again: no copy
        if (!still)
            return fail(err, "out of memory", 0);
        frame = still.get();
    }
    const bool slideChange = std::any_of(part.slides.begin(), part.slides.end(),
                                         [t](const VideoSlide& s) { return std::fabs(s.start - t) < kSameTime; });
    frame->pict_type = i == 0 || slideChange ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    frame->pts = std::llround((offsets_[p] + t) * kVideoTimeBase.den);
    const double next = i + 1 < times.size() ? times[i + 1] : lengths_[p];
    durations_[frame->pts] = std::max<int64_t>(1, std::llround((offsets_[p] + next) * kVideoTimeBase.den) - frame->pts);
    return sendVideo(frame, err);
}

bool LectureVideoWriter::writePart(size_t p, std::string& err)
{
    const VideoPartSource& part = parts_[p];
    speaker_.reset();
    burner_.reset();
    if (!part.video.empty()) {
        speaker_ = std::make_unique<SpeakerVideo>();
        if (!speaker_->Open(part.video, err))
            return false;
    }
    const VideoLayout layout = speaker_ ? options_.layout.value_or(VideoLayout::Side) : VideoLayout::Slides;
    if (layout == VideoLayout::Slides)
        speaker_.reset();
    boxes_ = LayoutBoxes(layout, options_.width, options_.height);
    cues_ = partCues_[p];
    std::vector<double> changes;
    for (const VideoSlide& s : part.slides)
        changes.push_back(s.start);
    if (options_.burnCaptions && !part.captions.empty()) {
        burner_ = std::make_unique<CaptionBurner>();
        if (!burner_->Open(part.captions, options_.width, options_.height, err))
            return false;
        if (cues_.empty()) {
            std::vector<EncodedCue> read;
            AVCodecContext* enc = OpenCaptionsEncoder(err);
            const bool ok = enc && EncodeCaptions(part.captions, enc, read, err);
            avcodec_free_context(&enc);
            if (!ok)
                return false;
            cues_ = std::move(read);
        }
        for (const EncodedCue& c : cues_) {
            changes.push_back(c.start);
            changes.push_back(c.end);
        }
    }
    slideShown_ = SIZE_MAX;
    cueShown_ = -2;
    const std::vector<double> times
        = frameTimes(lengths_[p], speaker_ ? 1.0 / speaker_->FrameRate() : kStillRepeat, changes);
    PartSound sound;
    if (!sound.Open(part.audio, kSampleRate, err) || !speakDescriptions(p, err))
        return false;
    const int64_t partStart = std::llround(offsets_[p] * kSampleRate);
    const int64_t partEnd = std::llround((offsets_[p] + lengths_[p]) * kSampleRate);
    size_t i = 0;
    for (;;) {
        if (cancel_)
            return fail(err, "cancelled", 0);
        const double audioAt = static_cast<double>(samplesQueued_) / kSampleRate - offsets_[p];
        const bool videoLeft = i < times.size(), audioLeft = samplesQueued_ < partEnd;
        if (!videoLeft && !audioLeft)
            break;
        if (videoLeft && (!audioLeft || times[i] <= audioAt)) {
            if (!videoFrame(p, times, i, err))
                return false;
            report(offsets_[p] + times[i]);
            ++i;
        } else {
            const int64_t read = sound.Read(fifo_, std::min<int64_t>(4096, partEnd - samplesQueued_));
            if (described_)
                describe(samplesQueued_ - partStart, static_cast<int>(read));
            samplesQueued_ += read;
            if (!sendAudio(false, err))
                return false;
        }
    }
    return true;
}

bool LectureVideoWriter::Write(const std::string& path, std::string& err)
{
    path_ = path;
    if (!PartLengths(parts_, lengths_, err))
        return false;
    for (double l : lengths_) {
        offsets_.push_back(total_);
        total_ += l;
    }
    if (!open(path, err))
        return false;
    for (size_t p = 0; p < parts_.size(); ++p)
        if (!writePart(p, err))
            return false;
    if (!sendVideo(nullptr, err) || !sendAudio(true, err))
        return false;
    int rc = av_write_trailer(out_);
    if (rc >= 0 && out_->pb->error < 0)
        rc = out_->pb->error;
    const int closed = avio_closep(&out_->pb);
    if (rc >= 0)
        rc = closed;
    return rc >= 0 || fail(err, "cannot write " + path, rc);
}

// The written file's length against the lecture's.
bool checkLength(const std::string& path, double expected, std::string& err)
{
    std::string ignored;
    const auto written = FfmpegMediaFile::Open(path, ignored);
    const double length = written ? written->DurationSeconds() : 0;
    if (std::fabs(length - expected) <= kLengthTolerance)
        return true;
    err = "the video written lasts " + std::to_string(length) + " s, not the lecture's " + std::to_string(expected)
        + " s";
    return false;
}

}  // namespace

bool PartLengths(const std::vector<VideoPartSource>& parts, std::vector<double>& lengths, std::string& err)
{
    lengths.clear();
    for (const VideoPartSource& part : parts) {
        double length = 0;
        for (const std::string& file : {part.video, part.audio}) {
            if (file.empty())
                continue;
            const auto media = FfmpegMediaFile::Open(file, err);
            if (!media)
                return false;
            length = std::max(length, media->DurationSeconds());
        }
        if (length <= 0) {
            err = "the recording " + (part.audio.empty() ? part.video : part.audio) + " has no length";
            return false;
        }
        lengths.push_back(length);
    }
    return true;
}

bool WriteLectureVideo(const std::vector<VideoPartSource>& parts, const LectureVideoOptions& options,
                       const std::string& output, const std::function<void(int percent)>& progress,
                       const std::atomic<bool>& cancel, std::string& err)
{
    if (parts.empty()) {
        err = "the lecture has no part";
        return false;
    }
    // Written beside the output under a name of its own, renamed once
    // checked.
    const TavPathParts where = Tav_SplitPath(output);
    const std::string temporary = where.leading + "." + where.last + ".pellucor-" + std::to_string(::getpid());
    bool ok;
    {
        LectureVideoWriter writer(parts, options, progress, cancel);
        ok = writer.Write(temporary, err);
    }
    std::vector<double> lengths;
    double total = 0;
    if (ok && PartLengths(parts, lengths, err))
        for (double l : lengths)
            total += l;
    ok = ok && total > 0 && CheckMediaPlays(temporary, err) && checkLength(temporary, total, err);
    if (ok && std::rename(temporary.c_str(), output.c_str()) != 0) {
        err = "cannot rename the video to " + output + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok)
        std::remove(temporary.c_str());
    else if (progress)
        progress(100);
    return ok;
}

bool ParseVideoLayout(const std::string& name, VideoLayout& layout)
{
    static const std::map<std::string, VideoLayout> kNames
        = {{"side", VideoLayout::Side}, {"slides", VideoLayout::Slides}, {"pip", VideoLayout::Pip}};
    const auto it = kNames.find(name);
    if (it == kNames.end())
        return false;
    layout = it->second;
    return true;
}

}  // namespace pellucor
