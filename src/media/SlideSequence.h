// Which slide the recording shows when: from the likeness of sampled frames
// with every slide, the sequence of slides over time that explains the
// samples best while paying for every change (a Viterbi search). A frame
// that resembles no slide (the camera on the lecturer, a person in front)
// carries little weight, so the slide before it stays; going back to an
// earlier slide, skipping slides and a slide built up point by point come
// out as any other change.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace pellucor {

// One look at the recording: when, and its likeness with each slide.
struct SlideSample {
    double time = 0;
    std::vector<float> scores;
};

// A stretch of the recording that shows one slide.
struct SlideSpan {
    double start = 0;       // seconds; the first span starts at 0
    int slide = 0;          // index into the slides
    double confidence = 0;  // 0 to 1: how sure the slide and its start are
    size_t first = 0;       // its samples, first to last
    size_t last = 0;
};

struct SequenceModel {
    double changeCost = 8;     // the price of one change
    double scoreScale = 0.01;  // a likeness difference worth one unit of cost
    double maxCost = 12;       // the most one sample can cost a slide
    double unseen = 0.15;      // best likeness at or below which no slide is seen
    double seen = 0.35;        // best likeness from which a slide is fully seen
    double sureMargin = 0.06;  // lead over the next slide that is beyond doubt
    // The likeness of two slides with each other (1: the same picture):
    // slides that differ in little can only lead each other by little, so
    // a lead is also measured against the most it could be.
    std::function<double(int, int)> alike;
    double sureShare = 0.6;  // share of that most that is beyond doubt
    double sureGap = 1.0;    // seconds between the last sight of the old slide
                             // and the first of the new one beyond doubt
};

// How clearly a slide is seen in a sample, 0 to 1.
double Visibility(const SlideSample& sample, const SequenceModel& model);

// The spans in time order; samples must be in time order. Empty when there
// are no samples or no slide is ever seen.
std::vector<SlideSpan> ChooseSlides(const std::vector<SlideSample>& samples, const SequenceModel& model = {});

}  // namespace pellucor
