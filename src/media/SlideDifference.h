// Two slides that look alike as a whole (a word changed: a typo fixed, a
// quiz and its answer, numbers that differ all over) told apart in a frame
// where they differ: the places where their pictures differ at the size the
// recording shows the slide (each a box with enough around it that neither
// slide is plain there), and the likeness of the frame there with each of
// them, each place where it fits best nearby. Neither the light nor the
// contrast of the frame count, nor its lying a pixel or two off the slide
// (each place on its own, as a camera's slightly bent picture lies), nor
// what hides part of the places (a person or a pointer in front of a
// projected slide).
#pragma once

#include <vector>

#include <opencv2/core.hpp>

namespace pellucor {

// What a frame shows where two slides differ.
struct SlideVerdict {
    bool visible = false;  // the recording's size can show the difference at all
    double lead = 0;       // -1: plainly the first slide, 1: plainly the second
    double misfit = 1;     // how far the frame is from the closer one there, as a
                           // share of how far the two are apart (0: exactly it)
    bool settled = false;  // the frame plainly shows the one its lead points to
};

class SlideDifference {
public:
    // a, b: the two slides in grey, at the same size; shown: the size of
    // the slide in the frames.
    SlideDifference(const cv::Mat& a, const cv::Mat& b, cv::Size shown);

    cv::Size Shown() const { return shown_; }
    bool Visible() const { return !box_.empty(); }

    // The part of the slide, at the size shown, that Compare needs.
    cv::Rect Needs() const;
    // part: that part of the frame straightened into the slide's
    // rectangle at the size shown.
    SlideVerdict Compare(const cv::Mat& part) const;

private:
    // Where something in front hides the slides in part (0 or 255), at
    // the size of the box, allowing for the frame's lying off.
    cv::Mat hiddenIn(const cv::Mat& part) const;

    // One place where the slides differ.
    struct Place {
        cv::Rect box;       // in the slide at the size shown
        cv::Mat a, b;       // the two slides there (float, softened)
        double alike = 1;   // their likeness with each other there
        int pixels = 0;     // how many pixels differ there
    };

    cv::Size shown_;
    int shift_ = 2;     // pixels the frame may lie off the slide
    cv::Rect box_;      // around all places, in the slide at the size shown
    std::vector<Place> places_;
    cv::Mat nearA_, nearB_;  // the two slides in the part Compare needs (grey)
    double background_ = 0;  // the first one's background level there
};

}  // namespace pellucor
