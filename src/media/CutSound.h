// The sound of a cut copy: the recording's main sound decoded, its kept
// stretches joined with a short crossfade (SoundSplicer), run through the
// copy's sound filters where it has any, and encoded into the copy's own
// sound stream. Its packets count from the copy's start.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/CutList.h"

struct AVFormatContext;
struct AVPacket;
struct AVStream;

namespace pellucor {

struct CutSoundPlan {
    std::vector<CutStretch> kept;  // seconds of the recording, in order
    double length = 0;             // the recording's seconds
    std::string codec;             // encoder name
    int bitRate = 0;               // 0: the encoder's own
    std::string filter;            // a chain of sound filters; "" for none
};

class CutSound {
public:
    CutSound();
    ~CutSound();
    CutSound(const CutSound&) = delete;
    CutSound& operator=(const CutSound&) = delete;

    // Opens the main sound of input and adds the copy's sound stream to
    // out (before its header is written). False with err.
    bool Open(const std::string& input, AVFormatContext* out, const CutSoundPlan& plan, std::string& err);
    AVStream* Stream() const;

    // Decodes, joins and encodes the whole sound; each packet, timed in
    // the stream's time base once the header is written, goes to sink,
    // which returns false to stop. False with err on a failure or a stop.
    bool Run(const std::function<bool(AVPacket*)>& sink, const std::atomic<bool>& cancel, std::string& err);

    // Seconds of the copy's sound encoded so far.
    double Done() const { return done_; }

private:
    struct State;
    std::unique_ptr<State> s_;
    std::atomic<double> done_ {0};
};

}  // namespace pellucor
