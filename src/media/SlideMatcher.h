// Compares the pictures of a recording with the lecture's slide images.
// First it finds where the slide lies in the recording's frames (the whole
// frame, a part of it beside a camera strip, or a quadrilateral seen by a
// camera at an angle): features of the slides are matched with features of
// a few frames, and of the placements this yields (besides the whole frame
// and the slide's proportions centred in it) the one under which the
// frames resemble a slide best is kept. Each frame is then straightened
// into the slide's own rectangle and compared with every slide by the
// correlation of their band-passed pictures, which neither the brightness,
// the contrast, mild blur, noise, compression nor scaling changes much.
// Two slides that this hardly tells apart are compared with the frame
// where they differ, at the size the frame shows the slide.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <opencv2/core.hpp>

#include "media/SlideDifference.h"

namespace pellucor {

class SlideMatcher {
public:
    // slides: grey pictures, each at its own size.
    explicit SlideMatcher(const std::vector<cv::Mat>& slides);

    int Count() const { return refs_.rows; }

    // Chooses where the slide lies from some frames of the recording.
    void FindPlacement(const std::vector<cv::Mat>& frames);
    // The corners of the slide in the frame (fractions of its width and
    // height: top left, top right, bottom right, bottom left).
    std::vector<cv::Point2f> Corners() const;

    // The likeness of frame with each slide, from -1 to 1 (1: the same).
    void Score(const cv::Mat& frame, std::vector<float>& scores) const;
    // The likeness of two slides with each other, measured the same way.
    double Alike(int a, int b) const { return refs_.row(a).dot(refs_.row(b)); }
    // What frame shows where slides a and b differ (lead > 0: b).
    SlideVerdict TellApart(const cv::Mat& frame, int a, int b);

private:
    // A slide's picture for feature matching and its features, found
    // when first needed.
    struct Features {
        cv::Mat picture;
        cv::Mat desc;
        std::vector<cv::Point2f> pts;  // fractions of the slide
        bool found = false;
    };
    const Features& features(size_t slide);
    // Aligns the placement finely with the frame that shows a slide best.
    void refine(const std::vector<cv::Mat>& frames);
    // The frame straightened into the slide's rectangle at size (only part
    // of it, where given).
    cv::Mat straighten(const cv::Mat& frame, const cv::Matx33d& placement, cv::Size size, cv::Rect part = {}) const;
    cv::Mat describe(const cv::Mat& grey) const;
    double bestMean(const std::vector<cv::Mat>& frames, const cv::Matx33d& placement) const;

    cv::Size size_;  // the pictures compared
    cv::Mat refs_;   // one described slide per row
    std::vector<Features> slides_;
    cv::Matx33d placement_;  // slide fractions -> frame fractions
    // Where pairs of slides differ (the first the lower), made when first needed.
    std::map<std::pair<int, int>, std::unique_ptr<SlideDifference>> differences_;
};

}  // namespace pellucor
