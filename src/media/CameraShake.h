// How far the picture of a camera that shakes (held in the hand, or on a
// stand that a step sets trembling) lies from where it showed the room: the
// shift of a frame against the room's picture (the median of frames over
// the recording) found by phase correlation of their edges around the
// projected slide: the screen's border and the room's, which stay while
// the slide's text changes (the slide's inside is left out) and people
// pass. A frame that shows something else (the camera turned to the
// lecturer) has no shift.
#pragma once

#include <vector>

#include <opencv2/core.hpp>

namespace pellucor {

class CameraShake {
public:
    // room: grey; corners: the slide's in pixels of it.
    CameraShake(const cv::Mat& room, const std::vector<cv::Point2f>& corners);

    // The shift of grey (a frame of the room's size) from the room in
    // pixels (what lay at p lies at p + shift); false when the frame does
    // not show the room.
    bool Shift(const cv::Mat& grey, cv::Point2f& shift) const;

private:
    cv::Mat edges(const cv::Mat& grey) const;

    cv::Rect around_;
    cv::Mat outside_;  // CV_32F: 1 around the slide, 0 in it
    cv::Mat room_;
};

}  // namespace pellucor
