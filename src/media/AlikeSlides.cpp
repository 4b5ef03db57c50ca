#include "media/AlikeSlides.h"

#include <algorithm>
#include <vector>

namespace pellucor {

namespace {

constexpr double kAlike = 0.97;   // likeness of two slides from which they are told apart where they differ
constexpr double kClose = 0.03;   // likeness behind the best from which a slide may still be the one shown
constexpr double kMargin = 0.03;  // the lead of the slide settled on over the others

// The one of top and its rivals the frame shows where they differ, or -1:
// the one each rival is told apart from (a rival the frame cannot tell
// from it is left for now, as the best in the whole frame may be a
// look-alike of the one shown), then told apart from all of them.
int shownAmong(const cv::Mat& frame, SlideMatcher& matcher, int top, const std::vector<int>& rivals)
{
    int shown = top;
    std::vector<int> apart;   // told apart from the one shown so far
    std::vector<int> untold;  // not told apart from it
    for (int j : rivals) {
        const SlideVerdict v = matcher.TellApart(frame, shown, j);
        if (!v.settled) {
            untold.push_back(j);
            continue;
        }
        if (v.lead > 0) {
            apart.assign(1, shown);
            untold.clear();
            shown = j;
        } else {
            apart.push_back(j);
        }
    }
    if (!untold.empty())  // compared with the one shown already, in vain
        return -1;
    std::vector<int> all = rivals;
    all.push_back(top);
    for (int j : all) {
        if (j == shown || std::find(apart.begin(), apart.end(), j) != apart.end())
            continue;
        const SlideVerdict v = matcher.TellApart(frame, shown, j);
        if (!v.settled || v.lead > 0)
            return -1;
    }
    return shown;
}

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
    const int shown = Visibility(sample, model) >= 1.0 ? shownAmong(frame, matcher, top, rivals) : -1;
    rivals.push_back(top);
    for (int j : rivals)
        s[static_cast<size_t>(j)] = shown < 0 || j == shown ? best : best - static_cast<float>(kMargin);
}

}  // namespace pellucor
