#include "media/SlideSequence.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace pellucor {

namespace {

float best(const SlideSample& s)
{
    return s.scores.empty() ? 0.f : *std::max_element(s.scores.begin(), s.scores.end());
}

// How sure sample s is that it shows slide j rather than any other, 0 to
// 1: by its lead over the most alike other slide, both as it stands and as
// a share of the most that slide could lead by.
double sureOf(const SlideSample& s, int j, const SequenceModel& m)
{
    int rival = -1;
    for (size_t i = 0; i < s.scores.size(); ++i)
        if (static_cast<int>(i) != j && (rival < 0 || s.scores[i] > s.scores[static_cast<size_t>(rival)]))
            rival = static_cast<int>(i);
    if (rival < 0)
        return 1;
    const double own = s.scores[static_cast<size_t>(j)];
    const double lead = own - s.scores[static_cast<size_t>(rival)];
    double sure = lead / m.sureMargin;
    if (m.alike) {
        const double most = (1 - m.alike(j, rival)) * std::max(own, 0.0);
        if (most > 1e-6)
            sure = std::max(sure, lead / most / m.sureShare);
    }
    return std::clamp(sure, 0.0, 1.0);
}

// The slide of every sample along the cheapest path.
std::vector<int> viterbi(const std::vector<SlideSample>& samples, const SequenceModel& m)
{
    const size_t n = samples.front().scores.size();
    std::vector<double> cost(n, 0.0), next(n);
    std::vector<std::vector<int32_t>> from(samples.size(), std::vector<int32_t>(n));
    for (size_t k = 0; k < samples.size(); ++k) {
        const SlideSample& s = samples[k];
        const double w = Visibility(s, m);
        const float top = best(s);
        // The cheapest slide so far, for a change into any other.
        size_t argmin = 0;
        for (size_t j = 1; j < n; ++j)
            if (cost[j] < cost[argmin])
                argmin = j;
        for (size_t j = 0; j < n; ++j) {
            const double stay = cost[j];
            const double change = k == 0 ? stay : cost[argmin] + m.changeCost;
            // Where the samples cannot tell (nothing seen, or slides
            // alike scored alike) the slide before stays: a change that
            // costs no more comes as late as it can.
            const bool changes = k > 0 && j != argmin && change <= stay;
            from[k][j] = static_cast<int32_t>(changes ? argmin : j);
            const double unlike = w * std::min(m.maxCost, (top - s.scores[j]) / m.scoreScale);
            next[j] = (changes ? change : stay) + unlike;
        }
        cost.swap(next);
    }
    std::vector<int> path(samples.size());
    int j = static_cast<int>(std::min_element(cost.begin(), cost.end()) - cost.begin());
    for (size_t k = samples.size(); k-- > 0;) {
        path[k] = j;
        j = from[k][static_cast<size_t>(j)];
    }
    return path;
}

}  // namespace

double Visibility(const SlideSample& sample, const SequenceModel& model)
{
    return std::clamp((best(sample) - model.unseen) / (model.seen - model.unseen), 0.0, 1.0);
}

std::vector<SlideSpan> ChooseSlides(const std::vector<SlideSample>& samples, const SequenceModel& m)
{
    std::vector<SlideSpan> spans;
    if (samples.empty() || samples.front().scores.empty())
        return spans;
    const auto seen = [&](size_t k) { return Visibility(samples[k], m) >= 0.5; };
    bool any = false;
    for (size_t k = 0; k < samples.size() && !any; ++k)
        any = seen(k);
    if (!any)
        return spans;
    const std::vector<int> path = viterbi(samples, m);
    for (size_t k = 0; k < samples.size(); ++k) {
        if (!spans.empty() && spans.back().slide == path[k]) {
            spans.back().last = k;
            continue;
        }
        spans.push_back({0, path[k], 0, k, k});
    }
    // A span in which the slide is never seen says nothing: its time goes
    // to the span before (or after, at the start).
    for (size_t i = 0; i < spans.size();) {
        bool shown = false;
        for (size_t k = spans[i].first; k <= spans[i].last && !shown; ++k)
            shown = seen(k);
        if (shown) {
            ++i;
            continue;
        }
        if (i > 0)
            spans[i - 1].last = spans[i].last;
        else
            spans[1].first = spans[0].first;
        spans.erase(spans.begin() + static_cast<std::ptrdiff_t>(i));
        if (i > 0 && i < spans.size() && spans[i - 1].slide == spans[i].slide) {
            spans[i - 1].last = spans[i].last;
            spans.erase(spans.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    for (size_t i = 0; i < spans.size(); ++i) {
        SlideSpan& span = spans[i];
        // The change lies between the last sight of the old slide and the
        // first sight of the new one.
        size_t firstSeen = span.first;
        while (firstSeen < span.last && !seen(firstSeen))
            ++firstSeen;
        double gap = 0;
        if (i > 0) {
            size_t lastSeen = spans[i - 1].last;
            while (lastSeen > spans[i - 1].first && !seen(lastSeen))
                --lastSeen;
            span.start = (samples[lastSeen].time + samples[firstSeen].time) / 2;
            gap = samples[firstSeen].time - samples[lastSeen].time;
        }
        // How sure its first sightings are of the slide (their median),
        // and how closely the change is placed.
        std::vector<double> sure;
        for (size_t k = firstSeen; k <= span.last && sure.size() < 12; ++k)
            if (seen(k))
                sure.push_back(sureOf(samples[k], span.slide, m));
        double sureOfSlide = 0;
        if (!sure.empty()) {
            std::nth_element(sure.begin(), sure.begin() + static_cast<std::ptrdiff_t>(sure.size() / 2), sure.end());
            sureOfSlide = sure[sure.size() / 2];
        }
        const double sureOfTime = gap <= m.sureGap ? 1.0 : std::clamp(m.sureGap * 2 / gap, 0.0, 1.0);
        span.confidence = std::min(sureOfSlide, sureOfTime);
    }
    return spans;
}

}  // namespace pellucor
