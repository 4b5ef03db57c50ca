#include "media/SlideDifference.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace pellucor {

namespace {

constexpr int kDiffers = 40;          // grey levels apart (once smoothed) that make a difference
constexpr double kMargin = 0.04;      // of the slide's width, kept around the difference
constexpr double kSoftness = 1.0;     // the blur of a recording, in its own pixels
constexpr int kSeenStep = 24;         // grey levels apart that a recording shows as a difference ...
constexpr int kSeenPixels = 12;       // ... in this many of its pixels at least
constexpr double kSmoothAbove = 1.3;  // frame pixels per compared pixel from which the frame is smoothed
constexpr int kShift = 4;             // compared pixels the frame may be off by either way

// f as floats with zero mean and unit length (all zero when flat).
cv::Mat normalised(const cv::Mat& f)
{
    cv::Mat out;
    f.convertTo(out, CV_32F);
    out -= cv::mean(out)[0];
    const double norm = cv::norm(out);
    if (norm > 1e-6)
        out /= norm;
    else
        out = 0.f;
    return out;
}

}  // namespace

SlideDifference::SlideDifference(const cv::Mat& a, const cv::Mat& b) : a_(a)
{
    if (b.size() == a.size())
        b_ = b;
    else
        cv::resize(b, b_, a.size(), 0, 0, cv::INTER_AREA);
    cv::Mat sa, sb, diff;
    cv::GaussianBlur(a_, sa, {0, 0}, 1.0);
    cv::GaussianBlur(b_, sb, {0, 0}, 1.0);
    cv::absdiff(sa, sb, diff);
    const cv::Mat differs = diff > kDiffers;
    if (cv::countNonZero(differs) == 0)
        return;
    const cv::Rect r = cv::boundingRect(differs);
    const int m = std::max(4, static_cast<int>(std::lround(kMargin * a.cols)));
    box_ = cv::Rect(r.x - m, r.y - m, r.width + 2 * m, r.height + 2 * m) & cv::Rect(0, 0, a.cols, a.rows);
}

void SlideDifference::Resolve(double slideWidth)
{
    visible_ = false;
    if (box_.empty() || slideWidth <= 0)
        return;
    // Compared at the recording's resolution where it is coarser than the
    // slide images, else at theirs; both softened as a recording is.
    scale_ = std::min(1.0, slideWidth / a_.cols);
    const cv::Size size(std::max(2, static_cast<int>(std::lround(box_.width * scale_))),
                        std::max(2, static_cast<int>(std::lround(box_.height * scale_))));
    const double soft = kSoftness * std::min(1.0, scale_ * a_.cols / slideWidth);
    const auto seen = [&](const cv::Mat& slide) {
        cv::Mat small;
        cv::resize(slide(box_), small, size, 0, 0, cv::INTER_AREA);
        small.convertTo(small, CV_32F);
        cv::GaussianBlur(small, small, {0, 0}, soft);
        return small;
    };
    pa_ = seen(a_);
    pb_ = seen(b_);
    cv::Mat apart;
    cv::absdiff(pa_, pb_, apart);
    expected_ = std::max(1e-3, 1 - normalised(pa_).dot(normalised(pb_)));
    visible_ = cv::countNonZero(apart > kSeenStep) >= kSeenPixels;
    pa_.convertTo(pa_, CV_32F);
    pb_.convertTo(pb_, CV_32F);
}

double SlideDifference::Lean(const cv::Mat& frame, const cv::Matx33d& toFrame) const
{
    if (!visible_)
        return 0;
    // Compared pixels -> slide fractions -> frame pixels, for the box
    // and a margin around it: the placement may be a pixel or two off at
    // this resolution, so each slide is matched at the shift that fits it
    // best.
    const double w = a_.cols * scale_, h = a_.rows * scale_;
    const cv::Matx33d toSlide {
        1 / w, 0, (box_.x - kShift / scale_) / a_.cols, 0, 1 / h, (box_.y - kShift / scale_) / a_.rows, 0, 0, 1};
    cv::Matx33d map = toFrame * toSlide;
    const cv::Size size(pa_.cols + 2 * kShift, pa_.rows + 2 * kShift);
    // Only the part of the frame the box covers, smoothed first where the
    // frame is much finer than the compared pixels.
    const std::vector<cv::Point2f> corners {
        {0, 0}, {float(size.width), 0}, {float(size.width), float(size.height)}, {0, float(size.height)}};
    std::vector<cv::Point2f> c;
    cv::perspectiveTransform(corners, c, cv::Mat(map));
    const double span = std::max(cv::norm(c[1] - c[0]), cv::norm(c[2] - c[3])) / size.width;
    const int pad = 2 + static_cast<int>(std::ceil(span));
    const cv::Rect roi = (cv::boundingRect(c) + cv::Size(2 * pad, 2 * pad) - cv::Point(pad, pad))
        & cv::Rect(0, 0, frame.cols, frame.rows);
    if (roi.width < 2 || roi.height < 2)
        return 0;
    cv::Mat src;
    if (span > kSmoothAbove)
        cv::GaussianBlur(frame(roi), src, {0, 0}, 0.45 * span);
    else
        src = frame(roi);
    map = cv::Matx33d(1, 0, -roi.x, 0, 1, -roi.y, 0, 0, 1) * map;
    cv::Mat seen;
    cv::warpPerspective(src, seen, cv::Mat(map), size, cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    seen.convertTo(seen, CV_32F);
    const auto fit = [&](const cv::Mat& slide) {
        cv::Mat r;
        cv::matchTemplate(seen, slide, r, cv::TM_CCOEFF_NORMED);
        double best = 0;
        cv::minMaxLoc(r, nullptr, &best);
        return best;
    };
    return std::clamp((fit(pa_) - fit(pb_)) / expected_, -1.0, 1.0);
}

}  // namespace pellucor
