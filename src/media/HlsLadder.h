// Adaptive streaming (HLS) of a part's browser copy, for pages served over
// the web: beside NAME.mp4 a master playlist NAME.m3u8 and a folder
// NAME.hls/ holding, for each quality, a playlist, an init section and
// fMP4 (CMAF) segments of about four seconds (longer only where the
// copy's keyframes are further apart) that start at the same times in
// every quality. The top quality is the copy's own H.264 packets, never
// encoded again; the lower ones (360p, and 540p or 720p where the copy is
// higher) are encoded once each from a single decode of it, their
// keyframes where the top's segments start. The sound is a rendition of
// its own (the copy's AAC packets), which is all a part with sound only
// has. Captions and the slides' chapters are listed as WebVTT renditions
// pointing at the files published beside it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/MediaFile.h"

namespace pellucor {

// One quality of the picture as written.
struct HlsQuality {
    int width = 0, height = 0;
    int64_t peakBitRate = 0;     // of its busiest segment, with the sound
    int64_t averageBitRate = 0;  // over the whole part, with the sound
    std::string codecs;          // "avc1.64001f,mp4a.40.2"
    std::string playlist;        // relative to the master: "talk1.hls/720.m3u8"
};

struct HlsPresentation {
    std::string master;              // the master playlist's path
    std::vector<HlsQuality> video;   // the top quality first; none for sound only
    bool sound = false;              // a sound rendition was written
    std::vector<double> segmentStarts;  // seconds into the part, shared by every quality
};

class HlsLadder {
public:
    // Called with rising percentages from the thread running Write.
    std::function<void(int percent)> onProgress;
    // The segments' length aimed at, in seconds.
    double segmentSeconds = 4;
    // When set and true (from any thread), Write stops and fails.
    const std::atomic<bool>* stop = nullptr;

    // Writes the presentation of copy (H.264 with AAC in MP4, or AAC sound
    // only) into dir as name.m3u8 and name.hls/. False with err when the
    // copy cannot be streamed so or writing fails; nothing written is then
    // left.
    bool Write(const std::string& copy, const std::string& dir, const std::string& name,
               const std::vector<HlsTextTrack>& text, HlsPresentation& out, std::string& err);

    // From any thread: Write stops and fails.
    void Cancel() { cancelled_ = true; }

    // The heights of the lower qualities of a picture this high, highest
    // first.
    static std::vector<int> LowerHeights(int height);

private:
    std::atomic<bool> cancelled_ {false};
};

}  // namespace pellucor
