// How two looks at the slide region of a recording compare, for finding
// the distinct slides of a recording without their images: each look is
// the region cut out of the frame and brought to one small size in grey
// (so that looks at the same slide in two recordings of different layout
// compare), and two looks differ by the share of the region whose picture
// changed, where a change the size of a mouse pointer and the pixels that
// change all the time anyway (a camera tile) do not count. A look that only
// adds ink on rows that are background in another (a bullet point
// appearing) is a build of it.
#pragma once

#include <opencv2/core.hpp>

namespace pellucor {

class SlidePicture {
public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 192;

    // The region (pixels of frame) of a grey frame as a look.
    static cv::Mat Look(const cv::Mat& grey, const cv::Rect& region);

    // Pixels (0 or 255) of a look to leave out of every comparison; empty:
    // none.
    void SetIgnored(cv::Mat mask) { ignored_ = std::move(mask); }
    // A pixel differs only from all pixels next to it in the other look:
    // two looks of a camera's that lie a pixel apart differ nowhere.
    void SetTolerant(bool tolerant) { tolerant_ = tolerant; }

    // The share of the look that differs, 0 to 1.
    double Differ(const cv::Mat& a, const cv::Mat& b) const;
    // The pixels that differ, changes of any size (a digit changed; less
    // specks of a pixel or two), 0 or 255.
    cv::Mat Marks(const cv::Mat& a, const cv::Mat& b) const;
    // Whether changes of any size take `least` pixels or more.
    bool Marked(const cv::Mat& a, const cv::Mat& b, int least) const;
    // Whether b is a with ink added on rows where a showed background only
    // (a point appearing below the others).
    bool Builds(const cv::Mat& a, const cv::Mat& b) const;
    // Whether what differs between a and b is one solid box (a
    // notification, a window laid over the slide) of at most maxShare of
    // the look.
    bool Overlay(const cv::Mat& a, const cv::Mat& b, double maxShare) const;
    // The share of the look that is not flat background.
    static double Ink(const cv::Mat& look);
    // The pixels of a look that are flat (0 or 255): no stroke within two
    // pixels.
    static cv::Mat Flat(const cv::Mat& look);

private:
    // The changes that count, as a mask.
    cv::Mat changed(const cv::Mat& a, const cv::Mat& b) const;
    // Each pixel's difference, allowing for the looks lying a pixel apart
    // when tolerant.
    cv::Mat difference(const cv::Mat& a, const cv::Mat& b) const;
    cv::Mat ignored_;
    bool tolerant_ = false;
};

}  // namespace pellucor
