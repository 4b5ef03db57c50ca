#include "media/BrowserCopy.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace pellucor {

namespace {

AVCodecID codecOf(const AVStream* st) { return st ? st->codecpar->codec_id : AV_CODEC_ID_NONE; }

bool isWebmVideo(AVCodecID c) { return c == AV_CODEC_ID_VP8 || c == AV_CODEC_ID_VP9 || c == AV_CODEC_ID_AV1; }
bool isWebmAudio(AVCodecID c) { return c == AV_CODEC_ID_OPUS || c == AV_CODEC_ID_VORBIS; }

// Encoding into MP4 (or .m4a): H.264 in 4:2:0 at a speed that keeps a
// lecture's encoding well ahead of real time on two cores, AAC sound.
void mp4Encoding(TranscodeOptions& o)
{
    o.videoCodec = "libx264";
    o.pixelFormat = "yuv420p";
    o.videoEncoderOptions = {{"preset", "superfast"}, {"crf", "23"}};
    o.audioCodec = "aac";
    o.audioBitRate = 128000;
    o.muxerOptions = {{"movflags", "+faststart"}};
}

// Encoding into WebM: VP9 at a fixed real-time speed with its rows spread
// over the cores, Opus sound.
void webmEncoding(TranscodeOptions& o)
{
    o.videoCodec = "libvpx-vp9";
    o.pixelFormat = "yuv420p";
    o.videoEncoderOptions = {{"deadline", "realtime"}, {"cpu-used", "8"}, {"row-mt", "1"}, {"crf", "32"}, {"b", "0"}};
    o.audioCodec = "libopus";
    o.audioBitRate = 96000;
}

}  // namespace

const AVStream* MainStream(const AVFormatContext* in, AVMediaType type)
{
    const int i = av_find_best_stream(const_cast<AVFormatContext*>(in), type, -1, -1, nullptr, 0);
    if (i < 0)
        return nullptr;
    const AVStream* st = in->streams[i];
    if (type == AVMEDIA_TYPE_VIDEO && (st->disposition & AV_DISPOSITION_ATTACHED_PIC))
        return nullptr;
    return st;
}

bool IsBrowserH264(const AVStream* st)
{
    const auto f = static_cast<AVPixelFormat>(st->codecpar->format);
    return codecOf(st) == AV_CODEC_ID_H264 && (f == AV_PIX_FMT_YUV420P || f == AV_PIX_FMT_YUVJ420P);
}

bool BrowserCopyPlan::Remux() const { return options.copyAudio && options.copyVideo; }

BrowserCopyPlan PlanBrowserCopy(const AVFormatContext* in, const BrowserCopySettings& settings)
{
    BrowserCopyPlan plan;
    TranscodeOptions& o = plan.options;
    o.mainStreamsOnly = true;
    const AVStream* video = MainStream(in, AVMEDIA_TYPE_VIDEO);
    const AVStream* audio = MainStream(in, AVMEDIA_TYPE_AUDIO);
    const AVCodecID v = codecOf(video);
    const AVCodecID a = codecOf(audio);
    // Sound that is normalised is encoded whatever it was.
    const bool keepSound = !(settings.loudness && audio);
    if (video) {
        // Video that plays is never encoded again: the container follows it.
        bool webm = settings.webm;
        const bool h264 = IsBrowserH264(video);
        if (h264)
            webm = false;
        else if (isWebmVideo(v))
            webm = true;
        o.copyVideo = h264 || isWebmVideo(v);
        o.copyAudio = !audio || (keepSound && (webm ? isWebmAudio(a) : a == AV_CODEC_ID_AAC));
        plan.extension = webm ? "webm" : "mp4";
        if (webm)
            webmEncoding(o);
        else
            mp4Encoding(o);
    } else {
        o.dropVideo = true;
        o.copyVideo = true;  // there is none
        if (keepSound && a == AV_CODEC_ID_AAC) {
            plan.extension = "m4a";
            o.copyAudio = true;
        } else if (keepSound && a == AV_CODEC_ID_MP3) {
            plan.extension = "mp3";
            o.copyAudio = true;
        } else if (keepSound && settings.webm && isWebmAudio(a)) {
            plan.extension = "webm";
            o.copyAudio = true;
        } else {
            plan.extension = settings.webm ? "webm" : "m4a";
        }
        if (plan.extension == "webm")
            webmEncoding(o);
        else if (plan.extension != "mp3")
            mp4Encoding(o);
    }
    if (!keepSound)
        o.audioFilter = kLoudnessFilter;
    return plan;
}

}  // namespace pellucor
