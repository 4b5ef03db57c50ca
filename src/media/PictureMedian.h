// The median of pictures taken of one thing (frames of a slide), pixel by
// pixel: what most of them show, without what passed in some (a pointer, a
// person), and with less of the camera's noise.
#pragma once

#include <vector>

#include <opencv2/core.hpp>

namespace pellucor {

// Each byte's median over pictures of one size and type; with hidden (a
// mask, 0 or 255, per picture), over those pictures that show the pixel,
// and over all where none does.
cv::Mat MedianOf(const std::vector<cv::Mat>& pictures, const std::vector<cv::Mat>& hidden = {});

}  // namespace pellucor
