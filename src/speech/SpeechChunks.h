// A long recording cut into the stretches a recogniser is given: the
// stretches where someone speaks, found by their loudness against the
// recording's own quiet, cut at silences and, for an engine whose every
// call costs alike, packed up to a longest length, so that the workers of
// both cores share them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellucor {

struct SpeechStretch {
    size_t from = 0, to = 0;  // samples
};

// The stretches of pcm (16 kHz mono) to recognise, at most longest seconds
// each; stretches of speech at most packGap seconds apart are given
// together (the silence between them too). Empty when it holds no sound
// above silence.
std::vector<SpeechStretch> SpeechStretches(const std::vector<int16_t>& pcm, double longest, double packGap = 2);

}  // namespace pellucor
