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

#include "media/SlidePicture.h"

namespace pellucor {

class ProjectedSlide {
public:
    // Where the slide lies in a colour picture of the room (BGR: the
    // median of frames over the recording, so that no one passing shows):
    // its corners in pixels (top left, top right, bottom right, bottom
    // left); false when no light quadrilateral large enough is there.
    static bool Find(const cv::Mat& room, std::vector<cv::Point2f>& corners);

    // corners: in pixels of the frames given to Look; lookSize: of the
    // looks it makes.
    explicit ProjectedSlide(const std::vector<cv::Point2f>& corners,
                            cv::Size lookSize = {SlidePicture::kWidth, SlidePicture::kHeight});

    // The slide in a grey frame straightened into a look of the size
    // given, its light and contrast evened out; shift: how far the frame
    // lies from the one the corners were found in (CameraShake).
    cv::Mat Look(const cv::Mat& grey, cv::Point2f shift = {}) const;
    // Where in that look of the same frame in colour (BGR) a pointer's
    // light may be (0 or 255): a laser's dot.
    cv::Mat Pointer(const cv::Mat& bgr, cv::Point2f shift, const cv::Mat& look) const;
    // A straightened picture of the slide in grey, of any size, as a look
    // of the size given.
    static cv::Mat LookOf(const cv::Mat& straight, cv::Size size = {SlidePicture::kWidth, SlidePicture::kHeight});

    // The parts of look that hide what ref shows (0 or 255).
    static cv::Mat Hidden(const cv::Mat& ref, const cv::Mat& look);
    // The same told by flat patches of another light than the background
    // around them: a person's light face before lines of text is in front
    // all the same, the text of another slide (even large, on a title
    // bar) is not.
    static cv::Mat InFront(const cv::Mat& ref, const cv::Mat& look);

    // The size of the slide straightened at the scale the corners show it.
    static cv::Size Straightened(const std::vector<cv::Point2f>& corners);
    // The homography from a frame lying shift from the corners' into the
    // rectangle of size `to`.
    static cv::Mat Into(const std::vector<cv::Point2f>& corners, cv::Size to, cv::Point2f shift = {});

private:
    std::vector<cv::Point2f> corners_;
    cv::Size lookSize_;
};

}  // namespace pellucor
