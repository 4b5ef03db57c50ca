#include "media/SlideSync.h"

#include <algorithm>
#include <cmath>

#include "core/DebugLog.h"
#include "media/AlikeSlides.h"
#include "media/FrameSampler.h"
#include "media/SlideMatcher.h"

namespace pellucor {

namespace {

constexpr int kLooks = 12;                 // frames the placement is found from
constexpr double kLongestGap = 12.0;       // keyframes further apart are looked between anyway
constexpr int kRounds = 3;                 // fine passes at most
constexpr int kPlainlyEnough = 4;          // samples in a row that settle which slide a stretch ends with
constexpr double kBurstRatio = 6.0;        // a picture this many times larger than those around it ...
constexpr double kBurstWindow = 1.5;       // ... within this many seconds either side ...
constexpr double kBurstOfKeyframe = 0.02;  // ... and this share of a keyframe at least may be a change
constexpr double kMostlyLooked = 0.5;      // share of the recording from which all of it is looked at
constexpr double kFewestBetweenBursts
    = 2.0;  // seconds between such pictures, on average, below which they tell nothing

// A stretch of the recording to look at closely. Where it holds one
// change to a known slide, looking can stop once that slide is plainly
// there (the keyframe at its end showed it already).
struct Stretch {
    double from = 0, to = 0;
    int endSlide = -1;  // -1: look at the whole stretch
};
using Stretches = std::vector<Stretch>;

// Joins stretches that overlap or nearly touch (a seek costs more than
// decoding a second or two).
Stretches joined(Stretches s)
{
    std::sort(s.begin(), s.end(), [](const Stretch& x, const Stretch& y) { return x.from < y.from; });
    Stretches out;
    for (const Stretch& x : s) {
        if (!out.empty() && x.from <= out.back().to + 2.0) {
            out.back().to = std::max(out.back().to, x.to);
            out.back().endSlide = -1;
        } else {
            out.push_back(x);
        }
    }
    return out;
}

// Where the samples do not yet tell when the slide changes: between two
// samples that are not yet close together and either show different
// slides, disagree with the chosen sequence, or lie far apart; before the
// first and after the last sample.
Stretches toLookAt(const std::vector<SlideSample>& samples, const std::vector<SlideSpan>& spans, double duration,
                   const SequenceModel& m)
{
    Stretches out;
    const double close = SlideSync::kFineStep * 1.6;
    std::vector<int> path(samples.size());
    for (const SlideSpan& span : spans)
        for (size_t k = span.first; k <= span.last; ++k)
            path[k] = span.slide;
    const auto argmax = [&](size_t k) {
        const auto& s = samples[k].scores;
        return static_cast<int>(std::max_element(s.begin(), s.end()) - s.begin());
    };
    const auto seen = [&](size_t k) { return Visibility(samples[k], m) >= 0.5; };
    for (size_t k = 0; k + 1 < samples.size(); ++k) {
        const double a = samples[k].time;
        const double b = samples[k + 1].time;
        if (b - a <= close)
            continue;
        const bool doubtful = (seen(k) && argmax(k) != path[k]) || (seen(k + 1) && argmax(k + 1) != path[k + 1]);
        const bool change = path[k] != path[k + 1];
        if (change || doubtful || b - a > kLongestGap)
            out.push_back({a, b, change && !doubtful && seen(k + 1) && b - a <= kLongestGap ? path[k + 1] : -1});
    }
    // A change hidden while no slide was seen: the whole unseen stretch.
    for (size_t i = 1; i < spans.size(); ++i) {
        size_t from = spans[i - 1].last;
        while (from > spans[i - 1].first && !seen(from))
            --from;
        size_t to = spans[i].first;
        while (to < spans[i].last && !seen(to))
            ++to;
        bool sparse = false;
        for (size_t k = from; k < to && !sparse; ++k)
            sparse = samples[k + 1].time - samples[k].time > close && (!seen(k) || !seen(k + 1));
        if (sparse)
            out.push_back({samples[from].time, samples[to].time, -1});
    }
    if (!samples.empty() && samples.front().time > close)
        out.push_back({0.0, samples.front().time, -1});
    if (!samples.empty() && duration - samples.back().time > close)
        out.push_back({samples.back().time, duration, -1});
    return joined(std::move(out));
}

// Where a picture is stored much larger than those around it, the slide
// may have changed between two keyframes: a stretch around each such
// picture. Nothing where pictures are large all the time (a noisy camera
// picture), or where such pictures are so many that they tell nothing.
Stretches bursts(std::vector<FrameSampler::Packet> packets, double duration)
{
    std::sort(packets.begin(), packets.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    std::vector<int> keys;
    for (const auto& p : packets)
        if (p.key)
            keys.push_back(p.size);
    if (keys.empty())
        return {};
    std::nth_element(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(keys.size() / 2), keys.end());
    const double least = kBurstOfKeyframe * keys[keys.size() / 2];
    Stretches out;
    size_t lo = 0, hi = 0;
    std::vector<int> around;
    for (const auto& p : packets) {
        while (packets[lo].time < p.time - kBurstWindow)
            ++lo;
        while (hi < packets.size() && packets[hi].time <= p.time + kBurstWindow)
            ++hi;
        if (p.key || p.size < least)
            continue;
        around.clear();
        for (size_t i = lo; i < hi; ++i)
            if (!packets[i].key)
                around.push_back(packets[i].size);
        std::nth_element(around.begin(), around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2), around.end());
        if (p.size < kBurstRatio * around[around.size() / 2])
            continue;
        out.push_back({p.time - 1.0, p.time + 1.5, -1});
    }
    return out.size() * kFewestBetweenBursts > duration ? Stretches {} : out;
}

void sortSamples(std::vector<SlideSample>& samples)
{
    std::sort(samples.begin(), samples.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    samples.erase(std::unique(samples.begin(), samples.end(),
                              [](const auto& a, const auto& b) { return b.time - a.time < 0.01; }),
                  samples.end());
}

}  // namespace

SlideSync::SlideSync(std::vector<std::string> slideImages, SequenceModel model)
    : slides_(std::move(slideImages)), model_(std::move(model))
{ }

namespace {

// One sync: the recording, the slides compared with it and the samples
// taken so far, coarse then fine.
class SyncRun {
public:
    SyncRun(const std::vector<cv::Mat>& slides, SequenceModel model, const SlideSync::Progress& progress,
            const std::atomic<bool>& cancel)
        : matcher_(slides), model_(std::move(model)), progress_(progress), cancel_(cancel)
    {
        model_.alike = [this](int a, int b) { return matcher_.Alike(a, b); };
    }

    bool Run(const std::string& recording, SyncResult& result, std::string& err)
    {
        if (!sampler_.Open(recording, err))
            return false;
        duration_ = result.duration = sampler_.Duration();
        if (!place(recording, err))
            return false;
        const auto add = [this](double time, const cv::Mat& grey) { return sample(time, grey); };
        const double whole = std::max(duration_, 1.0);
        if (!sampler_.Keyframes(
                add, [&](double done) { report(3 + 27 * done / whole); }, cancel_, err))
            return false;
        sortSamples(samples_);
        double from = 30;
        for (int round = 0; round < kRounds; ++round) {
            const Stretches todo = stretches(round);
            if (todo.empty())
                break;
            Tav_DebugLog("Slide sync: looking closely at " + std::to_string(todo.size()) + " stretches, round "
                         + std::to_string(round + 1));
            const double to = round == 0 ? 97 : from + (100 - from) / 2;
            if (!lookAt(todo, from, to, err))
                return false;
            from = to;
            sortSamples(samples_);
        }
        const std::vector<SlideSpan> spans = ChooseSlides(samples_, model_);
        if (spans.empty()) {
            err = "none of the slides was found in the recording";
            return false;
        }
        for (const SlideSpan& span : spans)
            result.changes.push_back({span.start, span.slide, span.confidence});
        result.samples = static_cast<int>(samples_.size());
        report(100);
        return true;
    }

private:
    void report(double percent)
    {
        const int p = std::clamp(static_cast<int>(percent), 0, 100);
        if (p != shown_ && progress_)
            progress_(shown_ = p);
    }

    bool sample(double time, const cv::Mat& grey)
    {
        SlideSample s {time, {}};
        matcher_.Score(grey, s.scores);
        TellAlikeSlides(grey, matcher_, model_, s);
        samples_.push_back(std::move(s));
        return true;
    }

    // Where the slide lies in the frame, from keyframes spread over the
    // recording.
    bool place(const std::string& recording, std::string& err)
    {
        std::vector<cv::Mat> looks;
        double lastLook = -1;
        for (int i = 0; i < kLooks && duration_ > 0; ++i) {
            std::string ignored;  // a look that fails is one look fewer
            sampler_.KeyframeBefore(
                duration_ * (i + 0.5) / kLooks,
                [&](double time, const cv::Mat& grey) {
                    if (time > lastLook + 0.1)
                        looks.push_back(grey.clone());
                    lastLook = time;
                    return false;
                },
                ignored);
            if (cancel_.load()) {
                err = "Cancelled";
                return false;
            }
        }
        matcher_.FindPlacement(looks);
        std::string corners;
        for (const cv::Point2f& c : matcher_.Corners())
            corners += " " + std::to_string(c.x) + "," + std::to_string(c.y);
        Tav_DebugLog("Slide sync: " + recording + ", the slide's corners in the frame:" + corners);
        report(3);
        return true;
    }

    // What to look at closely in a round: where the samples do not tell
    // yet; in the first also where pictures stored large hint at a change,
    // or all of it when that is most of it anyway (a slide shown and left
    // between two keyframes may hide in the rest).
    Stretches stretches(int round) const
    {
        Stretches todo = toLookAt(samples_, ChooseSlides(samples_, model_), duration_, model_);
        if (round > 0)
            return todo;
        for (const Stretch& x : bursts(sampler_.Packets(), duration_))
            todo.push_back(x);
        todo = joined(std::move(todo));
        double length = 0;
        for (const Stretch& x : todo)
            length += x.to - x.from;
        return length > kMostlyLooked * duration_ ? Stretches {{0.0, duration_, -1}} : todo;
    }

    // Samples a few frames a second in each stretch; progress from `from`
    // to `to` percent.
    bool lookAt(const Stretches& todo, double from, double to, std::string& err)
    {
        double total = 0;
        for (const Stretch& x : todo)
            total += x.to - x.from;
        double before = 0;
        for (const Stretch& x : todo) {
            const auto moved = [&](double done) {
                report(from + (to - from) * (before + std::clamp(done - x.from, 0.0, x.to - x.from)) / total);
            };
            int plainly = 0;  // samples in a row that show the slide the stretch ends with
            const auto look = [&](double time, const cv::Mat& grey) {
                sample(time, grey);
                const SlideSample& s = samples_.back();
                const bool shows = x.endSlide >= 0 && Visibility(s, model_) >= 1.0
                    && std::max_element(s.scores.begin(), s.scores.end()) - s.scores.begin() == x.endSlide;
                plainly = shows ? plainly + 1 : 0;
                return plainly < kPlainlyEnough;
            };
            if (!sampler_.Stretch(x.from, x.to, SlideSync::kFineStep, look, moved, cancel_, err))
                return false;
            before += x.to - x.from;
        }
        return true;
    }

    FrameSampler sampler_;
    SlideMatcher matcher_;
    SequenceModel model_;
    const SlideSync::Progress& progress_;
    const std::atomic<bool>& cancel_;
    std::vector<SlideSample> samples_;
    double duration_ = 0;
    int shown_ = -1;
};

}  // namespace

bool SlideSync::Run(const std::string& recording, SyncResult& result, const Progress& progress,
                    const std::atomic<bool>& cancel, std::string& err)
{
    result = {};
    if (slides_.empty()) {
        err = "no slide images";
        return false;
    }
    std::vector<cv::Mat> pictures;
    for (const std::string& path : slides_) {
        cv::Mat grey;
        if (!FrameSampler::ReadPicture(path, grey, err))
            return false;
        pictures.push_back(std::move(grey));
    }
    return SyncRun(pictures, model_, progress, cancel).Run(recording, result, err);
}

}  // namespace pellucor
