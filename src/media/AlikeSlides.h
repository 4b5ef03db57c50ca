// Slides that look alike as a whole (the same slide with one word changed:
// a typo fixed, a quiz and its answer) can lead each other in the likeness
// of a whole frame only by as little as noise does. Where such slides come
// close behind the one most like a frame, the frame is compared with them
// where they differ: where that settles which one it shows, that one leads
// the others by a margin; where it cannot (the place hidden, the slide not
// plainly seen, the difference too small for the recording's size), they
// are scored alike, so that nothing in the frame prefers either and a slide
// chosen from such frames alone is not sure.
#pragma once

#include <opencv2/core.hpp>

#include "media/SlideMatcher.h"
#include "media/SlideSequence.h"

namespace pellucor {

// sample: scored by matcher for frame; its scores of alike slides change.
void TellAlikeSlides(const cv::Mat& frame, SlideMatcher& matcher, const SequenceModel& model, SlideSample& sample);

}  // namespace pellucor
