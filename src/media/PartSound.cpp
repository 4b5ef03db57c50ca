#include "media/PartSound.h"

#include <algorithm>
#include <vector>

#include "media/FfmpegMediaFile.h"
#include "media/StreamDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace pellucor {

namespace {

constexpr AVSampleFormat kFormat = AV_SAMPLE_FMT_FLTP;
constexpr int kChannels = 1;

// Moves count samples from one FIFO to another.
void move(AVAudioFifo* from, AVAudioFifo* to, int count)
{
    std::vector<float> samples(static_cast<size_t>(count));
    void* planes[1] = {samples.data()};
    const int got = av_audio_fifo_read(from, planes, count);
    if (got > 0)
        av_audio_fifo_write(to, planes, got);
}

}  // namespace

PartSound::~PartSound()
{
    av_audio_fifo_free(pending_);
    swr_free(&swr_);
    av_frame_free(&frame_);
    av_packet_free(&pkt_);
    avcodec_free_context(&dec_);
    avformat_close_input(&in_);
}

bool PartSound::Open(const std::string& path, int sampleRate, std::string& err)
{
    rate_ = sampleRate;
    pending_ = av_audio_fifo_alloc(kFormat, kChannels, 4096);
    ended_ = true;
    if (path.empty())
        return true;
    int rc = stream_ = OpenStreamDecoder(path, AVMEDIA_TYPE_AUDIO, in_, dec_);
    if (rc == AVERROR_STREAM_NOT_FOUND)
        return true;  // no sound: silence
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    if (rc >= 0) {
        AVChannelLayout inLayout {};
        if (dec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || dec_->ch_layout.nb_channels == 0)
            av_channel_layout_default(&inLayout, std::max(1, dec_->ch_layout.nb_channels));
        else
            av_channel_layout_copy(&inLayout, &dec_->ch_layout);
        rc = swr_alloc_set_opts2(&swr_, &mono, kFormat, rate_, &inLayout, dec_->sample_fmt, dec_->sample_rate, 0,
                                 nullptr);
        av_channel_layout_uninit(&inLayout);
    }
    if (rc >= 0)
        rc = swr_init(swr_);
    if (rc < 0) {
        err = "cannot read the sound of " + path + ": " + FfmpegErrorText(rc);
        return false;
    }
    pkt_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    ended_ = false;
    return true;
}

int64_t PartSound::decodeSome(AVAudioFifo* fifo, int64_t want)
{
    while (!ended_ && av_audio_fifo_size(pending_) < want) {
        const bool more = FeedDecoder(in_, stream_, dec_, pkt_);
        int rc;
        while ((rc = avcodec_receive_frame(dec_, frame_)) >= 0 || !more) {
            const bool flush = rc < 0;  // the decoder is drained: the resampler's last samples
            const int out = swr_get_out_samples(swr_, flush ? 0 : frame_->nb_samples);
            uint8_t** planes = nullptr;
            if (out > 0 && av_samples_alloc_array_and_samples(&planes, nullptr, kChannels, out, kFormat, 0) >= 0) {
                const int got = swr_convert(swr_, planes, out,
                                            flush ? nullptr : const_cast<const uint8_t**>(frame_->extended_data),
                                            flush ? 0 : frame_->nb_samples);
                if (got > 0)
                    av_audio_fifo_write(pending_, reinterpret_cast<void**>(planes), got);
                av_freep(&planes[0]);
                av_freep(&planes);
            }
            av_frame_unref(frame_);
            if (flush) {
                ended_ = true;
                break;
            }
        }
    }
    const int give = static_cast<int>(std::min<int64_t>(want, av_audio_fifo_size(pending_)));
    if (give > 0)
        move(pending_, fifo, give);
    return give;
}

int64_t PartSound::Read(AVAudioFifo* fifo, int64_t want)
{
    int64_t given = decodeSome(fifo, want);
    if (given < want && ended_ && av_audio_fifo_size(pending_) == 0) {
        const int silence = static_cast<int>(want - given);
        uint8_t** planes = nullptr;
        if (av_samples_alloc_array_and_samples(&planes, nullptr, kChannels, silence, kFormat, 0) >= 0) {
            av_samples_set_silence(planes, 0, silence, kChannels, kFormat);
            av_audio_fifo_write(fifo, reinterpret_cast<void**>(planes), silence);
            av_freep(&planes[0]);
            av_freep(&planes);
            given += silence;
        }
    }
    return given;
}

}  // namespace pellucor
