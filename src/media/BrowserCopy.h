// The copy of a recording that the published pages play. Streams that
// current browsers already play are passed on as they are (never encoded
// again): H.264 (8-bit 4:2:0) with AAC in MP4, VP8/VP9/AV1 with Opus or
// Vorbis in WebM, MP3, AAC. Whatever else is encoded once, on every core:
// into H.264/AAC MP4 (AAC .m4a for sound only), or into VP9/Opus WebM when
// that is preferred. MP4 files carry their index at the front so that they
// start playing before they are whole, and every copy carries the slides
// as chapters. Normalised loudness (EBU R128) means encoding the sound.
#pragma once

#include <string>

#include "media/FfmpegTranscoder.h"

extern "C" {
#include <libavutil/avutil.h>
}

struct AVFormatContext;
struct AVStream;

namespace pellucor {

struct BrowserCopyPlan {
    std::string extension;  // "mp4", "webm", "m4a" or "mp3", without the dot
    TranscodeOptions options;
    // Whether every stream is passed on as it is.
    bool Remux() const;
};

// Decides how the copy of the opened media is made.
BrowserCopyPlan PlanBrowserCopy(const AVFormatContext* in, const BrowserCopySettings& settings);

// The main stream of a kind; nullptr when there is none (cover art is no
// video).
const AVStream* MainStream(const AVFormatContext* in, AVMediaType type);
// H.264 as browsers decode it: 8 bits in 4:2:0 (screen grabs come out in
// 4:4:4, some cameras write 10 bits).
bool IsBrowserH264(const AVStream* st);

// The EBU R128 loudness the normalised sound is brought to.
inline constexpr const char* kLoudnessFilter = "loudnorm=I=-23:LRA=7:TP=-1";

}  // namespace pellucor
