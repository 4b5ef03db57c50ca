#include "publish/PublishPlan.h"

#include <algorithm>

namespace pellucor {

namespace {

// Seconds of work on a two-core machine: per second of recording, per
// slide, and once. Only their proportions matter.
constexpr double kCaptionsPerSecond = 0.05;  // speech recognised on every core
constexpr double kTimesPerSecond = 0.03;     // a camera's 720p picture compared with the slides
constexpr double kHlsPerSecond = 0.1;        // a 720p picture decoded, two lower qualities encoded
constexpr double kMediaPerSecond = 0.004;    // the recording checked and copied
constexpr double kEncodePerSecond = 0.3;     // a browser copy encoded anew
constexpr double kReadPerSlide = 0.6;        // OCR
constexpr double kDescribePerSlide = 0.3;    // a slide's description spoken
constexpr double kPagesPerSlide = 0.05;      // its pages written
constexpr double kOnce = 0.3;                // any step, however little it has to do

// The steps in the order they run: those before the targets once, then
// each target's own.
constexpr PublishStep kBefore[]
    = {PublishStep::SlideTimes, PublishStep::SlideText, PublishStep::Captions, PublishStep::Convert, PublishStep::Load};
constexpr PublishStep kEachTarget[]
    = {PublishStep::Media, PublishStep::Descriptions, PublishStep::Hls, PublishStep::Style, PublishStep::Script};

}  // namespace

double PublishPlan::cost(PublishStep step, size_t target) const
{
    const double seconds = work_.recordingSeconds;
    const double slides = work_.slides;
    const PublishWork::Target t = target < work_.targets.size() ? work_.targets[target] : PublishWork::Target {};
    switch (step) {
    case PublishStep::SlideTimes: return work_.slideTimes ? kTimesPerSecond * seconds : 0;
    case PublishStep::SlideText: return kReadPerSlide * toRead_;
    case PublishStep::Captions: return work_.captions ? kOnce + kCaptionsPerSecond * seconds : 0;
    case PublishStep::Convert:
    case PublishStep::Load:
    case PublishStep::Script: return kOnce;
    case PublishStep::Media: return kOnce + kMediaPerSecond * seconds + kEncodePerSecond * work_.encodedSeconds;
    case PublishStep::Descriptions: return work_.describe ? kDescribePerSlide * slides : 0;
    case PublishStep::Hls: return t.hls ? kHlsPerSecond * seconds : 0;
    case PublishStep::Style: return kOnce + kPagesPerSlide * slides;
    case PublishStep::Video:  // after the publication, with its own bar
    case PublishStep::FollowLog: return 0;
    }
    return 0;
}

template <class Visit> void PublishPlan::walk(const Visit& visit) const
{
    const size_t targets = std::max<size_t>(work_.targets.size(), 1);
    for (PublishStep s : kBefore)
        visit(s, targets, cost(s, targets));
    for (size_t t = 0; t < targets; ++t)
        for (PublishStep s : kEachTarget)
            visit(s, t, cost(s, t));
}

double PublishPlan::totalCost() const
{
    double sum = 0;
    walk([&](PublishStep, size_t, double c) { sum += c; });
    return sum;
}

double PublishPlan::PreparedPercent(double times, double text, double captions) const
{
    const double all = totalCost();
    const auto part = [&](PublishStep s, double f) { return cost(s, 0) * std::clamp(f, 0.0, 1.0); };
    const double done = part(PublishStep::SlideTimes, times) + part(PublishStep::SlideText, text)
        + part(PublishStep::Captions, captions);
    return all > 0 ? 100 * done / all : 0;
}

double PublishPlan::Percent(PublishStep step, size_t target, double fraction) const
{
    // The steps before the targets are shared by all of them (their
    // target is past the last).
    const size_t shared = std::max<size_t>(work_.targets.size(), 1);
    double sum = 0, reached = -1;
    walk([&](PublishStep s, size_t t, double c) {
        if (reached < 0 && s == step && (t == target || t == shared))
            reached = sum + c * std::clamp(fraction, 0.0, 1.0);
        sum += c;
    });
    if (reached < 0)  // following the scripts' logs: the plan is done
        return 100;
    return sum > 0 ? 100 * reached / sum : 0;
}

}  // namespace pellucor
