#include "media/SlideDifference.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "media/ProjectedSlide.h"

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
constexpr double kLeastShown = 0.5;  // share of a place nothing may hide for it to count
constexpr double kLightShare = 0.85;  // share of a picture darker than its background
constexpr double kGroup = 0.025;     // share of the slide's width within which differing pixels make one place
constexpr size_t kMostPlaces = 16;   // places compared at most (those that differ most)

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

// The likeness of picture with the part of seen where it fits best, where
// mask is set.
double likeness(const cv::Mat& seen, const cv::Mat& picture, const cv::Mat& mask = {})
{
    cv::Mat out;
    cv::matchTemplate(seen, picture, out, cv::TM_CCOEFF_NORMED, mask);
    double best = 0;
    cv::minMaxLoc(out, nullptr, &best);
    return std::isfinite(best) ? best : 0;
}

// The background level of a grey picture (most of a slide is background).
double backgroundOf(const cv::Mat& grey)
{
    std::vector<uchar> v(grey.begin<uchar>(), grey.end<uchar>());
    const auto k = v.begin() + static_cast<std::ptrdiff_t>(kLightShare * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), k, v.end());
    return std::max<double>(*k, 16);
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
    // The places where they differ: differing pixels near each other (a
    // word, a number) make one, the frame compared with each on its own.
    const cv::Mat differs = diff > kInk;
    const int group = std::max(shift_, static_cast<int>(std::lround(kGroup * shown.width)));
    cv::Mat grouped, labels;
    cv::dilate(differs, grouped, cv::getStructuringElement(cv::MORPH_RECT, {2 * group + 1, 2 * group + 1}));
    const int found = cv::connectedComponents(grouped, labels, 8, CV_32S);
    struct Differing {
        double energy;  // how much they differ there
        int pixels;     // how many pixels differ
        cv::Rect at;
    };
    std::vector<Differing> places;
    const cv::Mat squares = diff.mul(diff);
    for (int i = 1; i < found; ++i) {
        const cv::Mat in = (labels == i) & differs;
        const int pixels = cv::countNonZero(in);
        places.push_back({cv::mean(squares, in)[0] * pixels, pixels, cv::boundingRect(in)});
    }
    std::sort(places.begin(), places.end(), [](const auto& x, const auto& y) { return x.energy > y.energy; });
    places.resize(std::min(places.size(), kMostPlaces));
    for (const Differing& place : places) {
        const cv::Rect& differ = place.at;
        // The difference and enough around it that neither slide is plain
        // there (a line one of them lacks: the lines next to it).
        for (int margin = shift_; margin < 2 * std::max(shown.width, shown.height); margin *= 2) {
            const cv::Rect box
                = cv::Rect(differ.x - margin, differ.y - margin, differ.width + 2 * margin, differ.height + 2 * margin)
                & inner;
            if (box.empty() || spreadOf(sa(box)) < kPlain || spreadOf(sb(box)) < kPlain)
                continue;
            Place p {box, sa(box).clone(), sb(box).clone(), 1, place.pixels};
            p.alike = likeness(p.a, p.b);
            if (p.alike <= 0.999) {
                places_.push_back(std::move(p));
                box_ |= box;
            }
            break;
        }
    }
    if (box_.empty())
        return;
    sa(Needs()).convertTo(nearA_, CV_8U);
    sb(Needs()).convertTo(nearB_, CV_8U);
    background_ = backgroundOf(nearA_);
}

cv::Rect SlideDifference::Needs() const
{
    return {box_.x - shift_, box_.y - shift_, box_.width + 2 * shift_, box_.height + 2 * shift_};
}

cv::Mat SlideDifference::hiddenIn(const cv::Mat& part) const
{
    // The frame's light brought to the slides' (by their background), so
    // that what differs from both in solid patches is what hides them.
    cv::Mat lit;
    part.convertTo(lit, CV_8U, background_ / backgroundOf(part));
    const cv::Mat hidden = ProjectedSlide::Hidden(nearA_, lit) & ProjectedSlide::Hidden(nearB_, lit);
    cv::Mat out;
    cv::dilate(hidden, out, cv::getStructuringElement(cv::MORPH_RECT, {2 * shift_ + 1, 2 * shift_ + 1}));
    return out(cv::Rect(shift_, shift_, box_.width, box_.height)).clone();
}

SlideVerdict SlideDifference::Compare(const cv::Mat& part) const
{
    SlideVerdict v;
    if (!Visible() || part.size() != Needs().size())
        return v;
    v.visible = true;
    const cv::Mat hidden = hiddenIn(part);
    // The frame near each place, each slide where it fits best, where
    // nothing hides them: the frame's light and contrast do not count, nor
    // its lying a pixel or two off.
    cv::Mat seen;
    part.convertTo(seen, CV_32F);
    cv::GaussianBlur(seen, seen, {0, 0}, kSoften);
    // Each place that is mostly shown counts by the pixels that differ in
    // it: one plainly seen tells even while something hides another.
    double la = 0, lb = 0, apart = 0, weight = 0;
    for (const Place& p : places_) {
        const cv::Rect at = p.box - box_.tl();
        const cv::Mat h = hidden(at);
        const int shown = at.area() - cv::countNonZero(h);
        if (shown < kLeastShown * at.area())
            continue;
        const cv::Mat mask = shown < at.area() ? cv::Mat(~h) : cv::Mat();
        const cv::Mat near = seen(cv::Rect(at.x, at.y, at.width + 2 * shift_, at.height + 2 * shift_));
        // Were the frame exactly one of them, its likeness with the other
        // would be the two slides' own there.
        const double own = 1 - (mask.empty() ? p.alike : likeness(p.a, p.b, mask));
        if (own < 1e-3)
            continue;
        const double w = p.pixels * shown / static_cast<double>(at.area());
        la += w * likeness(near, p.a, mask);
        lb += w * likeness(near, p.b, mask);
        apart += w * own;
        weight += w;
    }
    if (weight <= 0)
        return v;
    la /= weight;
    lb /= weight;
    apart /= weight;
    v.lead = std::clamp((lb - la) / apart, -1.0, 1.0);
    v.misfit = std::max(0.0, 1 - std::max(la, lb)) / apart;
    v.settled = std::fabs(v.lead) >= kLeads && v.misfit <= kFits;
    return v;
}

}  // namespace pellucor
