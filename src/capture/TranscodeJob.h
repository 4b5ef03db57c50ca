// The working state of one FfmpegTranscoder run, shared by the files that
// carry it out: the opened inputs, one lane per stream passed on or
// encoded, the output, and the thread that encodes each file's sound.
// Internal to the transcoder (FfmpegTranscoder.cpp, TranscodeSound.cpp).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/FfmpegAudioFilter.h"
#include "capture/FfmpegMediaFile.h"
#include "capture/FfmpegTranscoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace pellucor {

// One opened input and how far it has been read.
struct TranscodeSource {
    AVFormatContext* ctx = nullptr;
    int64_t startUs = AV_NOPTS_VALUE;  // first timestamp read (live mode)
    double clock = 0.0;                // seconds read so far
    bool ended = false;

    ~TranscodeSource() { avformat_close_input(&ctx); }
};

// Encodes the sound of one lane on a thread of its own, beside the
// picture's encoding instead of after it: decoded frames wait in a short
// queue (nullptr marks the end).
struct SoundWorker {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<AVFrame*> queue;
    bool failed = false;   // the worker stopped on an error (in the job's err)
    bool abandon = false;  // the job ends without the rest of the sound
    static constexpr size_t kQueued = 32;

    ~SoundWorker()
    {
        {
            std::lock_guard lock(mutex);
            abandon = true;
        }
        changed.notify_all();
        if (thread.joinable())
            thread.join();
        for (AVFrame* f : queue)
            av_frame_free(&f);
    }
};

// One input stream being transcoded, or passed on as it is (copy), into
// one output stream.
struct TranscodeLane {
    bool video = false;
    bool copy = false;
    TranscodeSource* src = nullptr;
    int in = -1;  // stream index in src
    AVStream* out = nullptr;
    AVCodecContext* dec = nullptr;
    AVCodecContext* enc = nullptr;
    SwsContext* sws = nullptr;
    SwrContext* swr = nullptr;
    AVAudioFifo* fifo = nullptr;
    std::unique_ptr<FfmpegAudioFilter> filter;  // sound filters before the encoder
    AVFrame* filtered = nullptr;
    AVRational frameTimeBase {1, 1};  // of the frames the audio encoder is given
    bool started = false;             // the first sound frame was encoded
    int64_t nextPts = 0;
    int64_t lastVideoPts = AV_NOPTS_VALUE;
    double peak = 0;  // the loudest sample since the last level report
    std::chrono::steady_clock::time_point lastLevel {};
    AVPacket* pkt = av_packet_alloc();    // encoded, to be written
    std::unique_ptr<SoundWorker> worker;  // the thread encoding this lane's sound

    ~TranscodeLane()
    {
        worker.reset();  // stopped before what it works with goes
        av_packet_free(&pkt);
        avcodec_free_context(&dec);
        avcodec_free_context(&enc);
        sws_freeContext(sws);
        swr_free(&swr);
        if (fifo)
            av_audio_fifo_free(fifo);
        av_frame_free(&filtered);
    }
};

struct TranscodeJob {
    std::vector<std::unique_ptr<TranscodeSource>> sources;
    AVFormatContext* out = nullptr;
    std::vector<std::unique_ptr<TranscodeLane>> lanes;
    AVPacket* in = av_packet_alloc();  // read from an input
    AVFrame* frame = av_frame_alloc();
    // Held while writing the output and while setting err: sound workers
    // write beside the reading thread.
    std::mutex writing;
    const std::atomic<bool>* stopped = nullptr;
    const std::atomic<bool>* cancelled = nullptr;
    std::string err;
    int code = -1;
    bool created = false;  // the output file was opened for writing
    bool keep = false;     // a failed job's output is kept all the same
    bool live = false;
    int64_t lastEndUs = 0;  // the end of the last packet read, for telling a file cut short
    // The live preview.
    std::function<void(const PreviewFrame&)> preview;
    std::chrono::milliseconds previewEvery {200};
    int previewWidth = 320;
    std::chrono::steady_clock::time_point lastPreview {};
    SwsContext* previewSws = nullptr;
    // The sound level: the loudest sample, reported every levelEvery.
    std::function<void(double)> level;
    std::chrono::milliseconds levelEvery {100};

    ~TranscodeJob()
    {
        sws_freeContext(previewSws);
        lanes.clear();
        av_packet_free(&in);
        av_frame_free(&frame);
        if (out) {
            if (!(out->oformat->flags & AVFMT_NOFILE))
                avio_closep(&out->pb);
            avformat_free_context(out);
        }
        sources.clear();
    }

    bool fail(const std::string& what, int rc)
    {
        std::lock_guard lock(writing);
        err = what + (rc < 0 ? ": " + FfmpegErrorText(rc) : std::string());
        code = rc < 0 ? rc : -1;
        return false;
    }

    bool interrupted() const { return *stopped || *cancelled; }
};

namespace transcode {

using Job = TranscodeJob;
using Lane = TranscodeLane;

// Sends a frame (nullptr: the end) to the lane's encoder and writes what
// comes out.
bool Encode(Job& job, Lane& lane, AVFrame* frame);

// The sound side (TranscodeSound.cpp).
bool OpenAudioEncoder(Job& job, Lane& lane, const AVCodec* codec, const TranscodeOptions& o);
// Encodes a decoded sound frame of the lane, through its filters; nullptr
// ends the sound and flushes the encoder.
bool EncodeSound(Job& job, Lane& lane, AVFrame* in);
// The thread of a lane's SoundWorker.
void SoundWorkerLoop(Job& job, Lane& lane, SoundWorker& worker);
// Hands a decoded frame (nullptr: the end) to the lane's sound worker,
// waiting while its queue is full; false once the worker failed.
bool QueueSound(Lane& lane, const AVFrame* frame);
// Waits for the lane's sound worker to finish the sound it was given.
bool FinishSound(Lane& lane);

}  // namespace transcode

}  // namespace pellucor
