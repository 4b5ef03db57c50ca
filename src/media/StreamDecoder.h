// Opening a file's main stream of one kind with its decoder, and feeding
// that decoder its packets: what each reader of the lecture video (slide
// pictures, the speaker's video, the sound, the captions) starts with.
#pragma once

#include <string>

extern "C" {
#include <libavutil/avutil.h>
}

struct AVCodec;
struct AVCodecContext;
struct AVFormatContext;
struct AVPacket;

namespace pellucor {

// Opens path, finds its best stream of the type and opens a decoder for it
// (threads: 0 for one per core). Returns the stream's index, or a negative
// FFmpeg error code (in and dec are then what was opened, to be freed by
// the caller either way).
int OpenStreamDecoder(const std::string& path, AVMediaType type, AVFormatContext*& in, AVCodecContext*& dec,
                      int threads = 1);

// Sends the decoder the stream's next packet, or the end of the stream
// once the file has no more. Returns false at the end.
bool FeedDecoder(AVFormatContext* in, int stream, AVCodecContext* dec, AVPacket* pkt);

// The sample rate an encoder takes: wanted where it can, else the nearest
// above it (or its highest).
int PickSampleRate(const AVCodec* codec, int wanted);

// Opens a sound encoder for rate (PickSampleRate) and channels (1 or 2) in
// its first sample format, its time base one sample, at bitRate (0: its
// own); globalHeader where the container keeps the codec's header apart.
// Returns an FFmpeg code; enc is set either way, for the caller to free.
int OpenSoundEncoder(const AVCodec* codec, int rate, int channels, int bitRate, bool globalHeader,
                     AVCodecContext*& enc);

}  // namespace pellucor
