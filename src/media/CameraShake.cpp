#include "media/CameraShake.h"

#include <cmath>

#include <opencv2/imgproc.hpp>

namespace pellucor {

namespace {

constexpr double kAround = 0.15;         // share of the slide's size the part followed reaches beyond it
constexpr float kInside = 0.9f;          // share of the slide's size its inside, left out, takes
constexpr double kLeastResponse = 0.05;  // peak of the correlation a frame of the room shows at least
constexpr double kFarthest = 0.1;        // share of the part followed a shake moves it by at most

}  // namespace

CameraShake::CameraShake(const cv::Mat& room, const std::vector<cv::Point2f>& corners)
{
    const cv::Rect slide = cv::boundingRect(corners);
    const int dx = static_cast<int>(kAround * slide.width), dy = static_cast<int>(kAround * slide.height);
    around_ = cv::Rect(slide.x - dx, slide.y - dy, slide.width + 2 * dx, slide.height + 2 * dy)
        & cv::Rect({}, room.size());
    cv::Point2f mid(0, 0);
    for (const cv::Point2f& c : corners)
        mid += c * 0.25f;
    std::vector<cv::Point> inside;
    for (const cv::Point2f& c : corners) {
        const cv::Point2f p = mid + (c - mid) * kInside;
        inside.emplace_back(cvRound(p.x) - around_.x, cvRound(p.y) - around_.y);
    }
    outside_ = cv::Mat(around_.size(), CV_32F, cv::Scalar(1));
    cv::fillConvexPoly(outside_, inside, cv::Scalar(0));
    cv::GaussianBlur(outside_, outside_, {9, 9}, 0);
    room_ = edges(room);
}

cv::Mat CameraShake::edges(const cv::Mat& grey) const
{
    // Softened first: the sensor's noise is no edge.
    cv::Mat f, gx, gy;
    grey(around_).convertTo(f, CV_32F);
    cv::GaussianBlur(f, f, {5, 5}, 0);
    cv::Sobel(f, gx, CV_32F, 1, 0);
    cv::Sobel(f, gy, CV_32F, 0, 1);
    cv::magnitude(gx, gy, f);
    return f.mul(outside_);
}

bool CameraShake::Shift(const cv::Mat& grey, cv::Point2f& shift) const
{
    double response = 0;
    const cv::Point2d s = cv::phaseCorrelate(room_, edges(grey), cv::noArray(), &response);
    if (response < kLeastResponse || std::fabs(s.x) > kFarthest * around_.width
        || std::fabs(s.y) > kFarthest * around_.height)
        return false;
    shift = {static_cast<float>(s.x), static_cast<float>(s.y)};
    return true;
}

}  // namespace pellucor
