// Captions cut from the words a recogniser heard: a cue ends at a pause or
// a sentence's end, holds at most two lines of 42 characters and lasts
// from 1 to 7 seconds; each starts when its first word does.
#pragma once

#include <string>
#include <vector>

#include "speech/SpeechEngine.h"

namespace pellucor {

struct CaptionRules {
    size_t lineLength = 42;
    size_t lines = 2;
    double shortest = 1, longest = 7;  // seconds a cue is shown
    double pause = 0.5;                // a silence this long between words ends a cue
};

struct TimedCue {
    double start = 0, end = 0;
    std::vector<std::string> lines;
    std::vector<float> confidences;  // of its words, in order (0 to 1)
};

std::vector<TimedCue> MakeCaptionCues(const std::vector<SpokenWord>& words, const CaptionRules& rules = {});

// The lines of words (joined by blanks) within the rules, balanced when it
// takes two; empty when they do not fit.
std::vector<std::string> CaptionLines(const std::vector<std::string>& words, const CaptionRules& rules = {});

// WebVTT text of the cues, machine-made: the NOTE that says so (naming
// what made them, the language of the words where it is known, and the
// language spoken where they were translated from it) first, and before
// each cue with confidences the note of its words' (CaptionReview).
std::string MachineCaptionsText(const std::vector<TimedCue>& cues, const std::string& madeBy,
                                const std::string& language = "", const std::string& translatedFrom = "");

}  // namespace pellucor
