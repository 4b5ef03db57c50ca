#include "media/SlideSequence.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace pellucor {

namespace {

float best(const SlideSample& s) { return s.scores.empty() ? 0.f : *std::max_element(s.scores.begin(), s.scores.end()); }

// The lead of slide j over every other slide in sample s (negative when
// another one is more alike).
double lead(const SlideSample& s, int j)
{
    float other = -1;
    for (size_t i = 0; i < s.scores.size(); ++i)
        if (static_cast<int>(i) != j)
            other = std::max(other, s.scores[i]);
    return s.scores[static_cast<size_t>(j)] - other;
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
            const bool changes = change < stay;
            from[k][j] = static_cast<int32_t>(changes ? argmin : j);
            const double emit = w * std::min(m.maxCost, (top - s.scores[j]) / m.scoreScale);
            next[j] = (changes ? change : stay) + emit;
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
    const std::vector<int> path = viterbi(samples, m);
    const auto seen = [&](size_t k) { return Visibility(samples[k], m) >= 0.5; };
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
        bool any = false;
        for (size_t k = spans[i].first; k <= spans[i].last && !any; ++k)
            any = seen(k);
        if (any || spans.size() == 1) {
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
        // How far the slide leads the others where it is seen (the median
        // of its first sightings), and how closely the change is placed.
        std::vector<double> leads;
        for (size_t k = firstSeen; k <= span.last && leads.size() < 12; ++k)
            if (seen(k))
                leads.push_back(lead(samples[k], span.slide));
        double margin = 0;
        if (!leads.empty()) {
            std::nth_element(leads.begin(), leads.begin() + static_cast<std::ptrdiff_t>(leads.size() / 2), leads.end());
            margin = leads[leads.size() / 2];
        }
        const double sureOfSlide = std::clamp(margin / m.sureMargin, 0.0, 1.0);
        const double sureOfTime = gap <= m.sureGap ? 1.0 : std::clamp(m.sureGap * 2 / gap, 0.0, 1.0);
        span.confidence = std::min(sureOfSlide, sureOfTime);
    }
    return spans;
}

}  // namespace pellucor
