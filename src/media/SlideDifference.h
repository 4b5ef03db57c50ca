// Two slides that differ in little (a word corrected, the answer under a
// quiz question): where they differ, and which of the two a frame of the
// recording shows there. The comparison keeps to the region around the
// difference and is made at the finest resolution both the slide images and
// the recording give, so that a difference too small to move the likeness
// of the whole slide still decides; where the recording is too coarse to
// show the difference at all, it says so.
#pragma once

#include <opencv2/core.hpp>

namespace pellucor {

class SlideDifference {
public:
    // a, b: the two slides' grey pictures (b is scaled to a's size).
    SlideDifference(const cv::Mat& a, const cv::Mat& b);

    // Whether the pictures differ anywhere.
    bool Differs() const { return !box_.empty(); }

    // Prepares the comparison for a recording in which the slide spans
    // slideWidth pixels of the frame (as decoded, at full size).
    void Resolve(double slideWidth);
    // Whether the recording, at that resolution, can show the difference.
    bool Visible() const { return visible_; }

    // Which of the two the frame shows where they differ: 1 for a, -1 for
    // b, 0 when it cannot be told (values between: leaning that way).
    // toFrame maps fractions of the slide to the frame's pixels.
    double Lean(const cv::Mat& frame, const cv::Matx33d& toFrame) const;

private:
    cv::Mat a_, b_;        // the slides at their own size
    cv::Rect box_;         // around the difference, in their pixels
    double scale_ = 1;     // compared pixels per slide pixel
    cv::Mat pa_, pb_;      // the box of each, compared: zero mean, unit norm
    double expected_ = 0;  // the lead a frame of one slide has at best
    bool visible_ = false;
};

}  // namespace pellucor
