#include "media/SlideDifference.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace pellucor {

namespace {

constexpr double kInk = 32;          // grey levels from which two pictures differ at a pixel
constexpr double kFaintest = 64;     // the strongest difference must be at least this ...
constexpr double kFewestPixels = 4;  // ... and add up to as many pixels of full contrast
constexpr double kSoften = 1.0;      // blur of both sides, against noise and resampling
constexpr double kPlain = 12;        // grey levels of spread that give a picture something to match
constexpr double kShift = 0.012;     // share of the slide's width the frame may lie off it
constexpr double kLeads = 0.35;      // a lead that settles which slide it is ...
constexpr double kFits = 0.6;        // ... where the frame is at most this far from it

cv::Mat softened(const cv::Mat& grey, cv::Size size)
{
    cv::Mat out;
    cv::resize(grey, out, size, 0, 0, cv::INTER_AREA);
    out.convertTo(out, CV_32F);
    cv::GaussianBlur(out, out, {0, 0}, kSoften);
    return out;
}

double spreadOf(const cv::Mat& m)
{
    cv::Scalar mean, spread;
    cv::meanStdDev(m, mean, spread);
    return spread[0];
}

double likeness(const cv::Mat& a, const cv::Mat& b)
{
    cv::Mat out;
    cv::matchTemplate(a, b, out, cv::TM_CCOEFF_NORMED);
    return out.at<float>(0, 0);
}

}  // namespace

SlideDifference::SlideDifference(const cv::Mat& a, const cv::Mat& b, cv::Size shown)
    : shown_(shown), shift_(std::max(2, static_cast<int>(std::lround(kShift * shown.width))))
{
    if (shown.width < 4 * shift_ || shown.height < 4 * shift_)
        return;
    const cv::Mat sa = softened(a, shown), sb = softened(b, shown);
    cv::Mat diff;
    cv::absdiff(sa, sb, diff);
    double strongest = 0;
    cv::minMaxLoc(diff, nullptr, &strongest);
    const double energy = cv::sum(diff.mul(diff))[0] / (255.0 * 255.0);
    const cv::Rect inner(shift_, shift_, shown.width - 2 * shift_, shown.height - 2 * shift_);
    if (strongest < kFaintest || energy < kFewestPixels)
        return;
    // The difference and enough around it that neither slide is plain
    // there (a line one of them lacks: the lines next to it).
    const cv::Rect differ = cv::boundingRect(diff > kInk);
    for (int margin = shift_; margin < 2 * std::max(shown.width, shown.height); margin *= 2) {
        const cv::Rect box
            = cv::Rect(differ.x - margin, differ.y - margin, differ.width + 2 * margin, differ.height + 2 * margin)
            & inner;
        if (spreadOf(sa(box)) >= kPlain && spreadOf(sb(box)) >= kPlain) {
            box_ = box;
            break;
        }
    }
    if (box_.empty())
        return;
    a_ = sa(box_).clone();
    b_ = sb(box_).clone();
    alike_ = likeness(a_, b_);
    if (alike_ > 0.999)
        box_ = {};
}

cv::Rect SlideDifference::Needs() const
{
    return {box_.x - shift_, box_.y - shift_, box_.width + 2 * shift_, box_.height + 2 * shift_};
}

SlideVerdict SlideDifference::Compare(const cv::Mat& part) const
{
    SlideVerdict v;
    if (!Visible() || part.size() != Needs().size())
        return v;
    v.visible = true;
    // The frame near the box, each slide at the place it fits best: the
    // frame's light and contrast do not count, nor its lying a pixel or
    // two off.
    cv::Mat seen;
    part.convertTo(seen, CV_32F);
    cv::GaussianBlur(seen, seen, {0, 0}, kSoften);
    const auto fit = [&](const cv::Mat& picture) {
        cv::Mat out;
        cv::matchTemplate(seen, picture, out, cv::TM_CCOEFF_NORMED);
        double best = 0;
        cv::minMaxLoc(out, nullptr, &best);
        return best;
    };
    const double la = fit(a_), lb = fit(b_);
    // Were the frame exactly one of them, its likeness with the other
    // would be the two slides' own.
    const double apart = 1 - alike_;
    v.lead = std::clamp((lb - la) / apart, -1.0, 1.0);
    v.misfit = std::max(0.0, 1 - std::max(la, lb)) / apart;
    v.settled = std::fabs(v.lead) >= kLeads && v.misfit <= kFits;
    return v;
}

}  // namespace pellucor
