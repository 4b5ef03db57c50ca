// A slide projected on a screen as a camera in the room sees it: the
// quadrilateral it lies in (the light area the screen shows, grown over a
// dark band at its edge, such as a title bar, as far as it stands apart
// from the room), each frame straightened into the slide's own rectangle as
// a look, and what in a look hides the slide (a person or a pointer in
// front of it: solid patches that differ, where a change of slide differs
// in strokes of text).
#pragma once

#include <vector>

#include <opencv2/core.hpp>

namespace pellucor {

class ProjectedSlide {
public:
    // Where the slide lies in a grey picture of the room (the median of
    // frames over the recording, so that no one passing shows): its corners
    // in pixels (top left, top right, bottom right, bottom left); false
    // when no light quadrilateral large enough is there.
    static bool Find(const cv::Mat& room, std::vector<cv::Point2f>& corners);

    // corners: in pixels of the frames given to Look.
    explicit ProjectedSlide(const std::vector<cv::Point2f>& corners);

    // The slide in a grey frame straightened into the size of a look
    // (SlidePicture), its light and contrast evened out.
    cv::Mat Look(const cv::Mat& grey) const;

    // The parts of look that hide what ref shows (0 or 255).
    static cv::Mat Hidden(const cv::Mat& ref, const cv::Mat& look);

    // The size of the slide straightened at the scale the corners show it.
    static cv::Size Straightened(const std::vector<cv::Point2f>& corners);
    // The homography from a frame into the rectangle of size `to`.
    static cv::Mat Into(const std::vector<cv::Point2f>& corners, cv::Size to);

private:
    cv::Mat toLook_;  // the homography into twice the look's size
};

}  // namespace pellucor
