#include "media/SlideSync.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <memory>

#include "core/DebugLog.h"
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
    = 2.0;                            // seconds between such pictures, on average, below which they tell nothing
constexpr int kDecoders = 2;          // stretches looked at side by side, one decoder each (both cores)
constexpr double kSplitAbove = 20.0;  // seconds: a stretch this long may be shared out between decoders

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

// The stretches shared out among n decoders in shares of about equal
// length, each in time order: a long stretch is cut where a share is full.
std::vector<Stretches> sharedOut(const Stretches& todo, int n)
{
    double total = 0;
    for (const Stretch& x : todo)
        total += x.to - x.from;
    const double each = total / n;
    std::vector<Stretches> out(static_cast<size_t>(n));
    size_t share = 0;
    double filled = 0;
    for (Stretch x : todo) {
        while (share + 1 < out.size() && x.to - x.from > kSplitAbove && filled + (x.to - x.from) > each) {
            const double cut = x.from + std::max(0.0, each - filled);
            if (cut > x.from + 1.0)
                out[share].push_back({x.from, cut, -1});
            x.from = cut;
            ++share;
            filled = 0;
        }
        out[share].push_back(x);
        filled += x.to - x.from;
        if (share + 1 < out.size() && filled >= each) {
            ++share;
            filled = 0;
        }
    }
    return out;
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
        recording_ = recording;
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
        for (const SlideMatcher::NearPair& p : matcher_.NearPairs())
            Tav_DebugLog("Slide sync: slides " + std::to_string(p.a + 1) + " and " + std::to_string(p.b + 1)
                         + " differ in little: "
                         + (p.difference.Visible() ? "told apart where they differ"
                                                   : "too finely for the recording, their changes are unsure"));
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

    // Samples a few frames a second in each stretch, the stretches shared
    // out among decoders that work side by side; progress from `from` to
    // `to` percent.
    bool lookAt(const Stretches& todo, double from, double to, std::string& err)
    {
        double total = 0;
        for (const Stretch& x : todo)
            total += x.to - x.from;
        const std::vector<Stretches> shares = sharedOut(todo, kDecoders);
        struct Share {
            std::vector<SlideSample> samples;
            std::atomic<double> done {0};
            std::string err;
        };
        std::vector<Share> out(shares.size());
        std::vector<std::future<bool>> running;
        for (size_t i = 0; i < shares.size(); ++i) {
            if (shares[i].empty())
                continue;
            if (decoders_.size() <= i) {
                decoders_.push_back(std::make_unique<FrameSampler>(FrameSampler::kFullSize));
                decoders_.back()->SetThreads(1);
                if (!decoders_.back()->Open(recording_, err))
                    return false;
                if (i == 0)
                    skipB_ = decoders_.back()->BFramesHarmlessToSkip(shares[i].front().from);
                decoders_.back()->SkipBFrames(skipB_);
            }
            running.push_back(std::async(std::launch::async, [this, &shares, &out, i] {
                return lookAtShare(*decoders_[i], shares[i], out[i].samples, out[i].done, out[i].err);
            }));
        }
        for (bool busy = true; busy;) {
            busy = false;
            for (auto& r : running)
                busy = busy || r.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready;
            double done = 0;
            for (const Share& s : out)
                done += s.done.load();
            report(from + (to - from) * std::min(1.0, done / total));
        }
        bool ok = true;
        for (auto& r : running)
            ok = r.get() && ok;
        for (Share& s : out) {
            if (!ok && err.empty() && !s.err.empty())
                err = s.err;
            samples_.insert(samples_.end(), s.samples.begin(), s.samples.end());
        }
        return ok;
    }

    // One decoder's share: done counts the seconds gone through.
    bool lookAtShare(FrameSampler& sampler, const Stretches& share, std::vector<SlideSample>& samples,
                     std::atomic<double>& done, std::string& err) const
    {
        double before = 0;
        for (const Stretch& x : share) {
            const auto moved = [&](double t) { done = before + std::clamp(t - x.from, 0.0, x.to - x.from); };
            int plainly = 0;  // samples in a row that show the slide the stretch ends with
            const auto look = [&](double time, const cv::Mat& grey) {
                SlideSample s {time, {}};
                matcher_.Score(grey, s.scores);
                const bool shows = x.endSlide >= 0 && Visibility(s, model_) >= 1.0
                    && std::max_element(s.scores.begin(), s.scores.end()) - s.scores.begin() == x.endSlide;
                samples.push_back(std::move(s));
                plainly = shows ? plainly + 1 : 0;
                return plainly < kPlainlyEnough;
            };
            if (!sampler.Stretch(x.from, x.to, SlideSync::kFineStep, look, moved, cancel_, err))
                return false;
            before += x.to - x.from;
            done = before;
        }
        return true;
    }

    FrameSampler sampler_ {FrameSampler::kFullSize};       // fine differences need every pixel
    std::vector<std::unique_ptr<FrameSampler>> decoders_;  // for the stretches, one per share
    std::string recording_;
    bool skipB_ = false;  // the stretches' decoders leave B-frames out
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
