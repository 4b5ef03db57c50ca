#include "media/AlikeSlides.h"

#include <algorithm>
#include <vector>

namespace pellucor {

namespace {

constexpr double kAlike = 0.97;   // likeness of two slides from which they are told apart where they differ
constexpr double kClose = 0.03;   // likeness behind the best from which a slide may still be the one shown
constexpr double kMargin = 0.03;  // the lead of the slide settled on over the others

}  // namespace

void TellAlikeSlides(const cv::Mat& frame, SlideMatcher& matcher, const SequenceModel& model, SlideSample& sample)
{
    std::vector<float>& s = sample.scores;
    if (s.size() < 2)
        return;
    const int top = static_cast<int>(std::max_element(s.begin(), s.end()) - s.begin());
    const float best = s[static_cast<size_t>(top)];
    std::vector<int> rivals;
    for (int j = 0; j < static_cast<int>(s.size()); ++j)
        if (j != top && s[static_cast<size_t>(j)] >= best - kClose && matcher.Alike(top, j) >= kAlike)
            rivals.push_back(j);
    if (rivals.empty())
        return;
    // The one the frame shows, where each rival differs from the best so
    // far; -1 once one of them cannot be told.
    int shown = top;
    const bool plain = Visibility(sample, model) >= 1.0;
    for (int j : rivals) {
        const SlideVerdict v = plain && shown >= 0 ? matcher.TellApart(frame, shown, j) : SlideVerdict {};
        if (!v.settled)
            shown = -1;
        else if (v.lead > 0)
            shown = j;
    }
    rivals.push_back(top);
    for (int j : rivals)
        s[static_cast<size_t>(j)] = shown < 0 || j == shown ? best : best - static_cast<float>(kMargin);
}

}  // namespace pellucor
