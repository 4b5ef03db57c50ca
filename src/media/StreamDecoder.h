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

}  // namespace pellucor
