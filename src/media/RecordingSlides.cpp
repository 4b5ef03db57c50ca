#include "media/RecordingSlides.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>
#include <tuple>
#include <utility>

#include <opencv2/imgproc.hpp>

#include "core/DebugLog.h"
#include "core/TavUtils.h"
#include "media/CameraStills.h"
#include "media/FrameSampler.h"
#include "media/PictureMedian.h"
#include "media/ProjectedSlide.h"
#include "media/SlideRegion.h"

namespace pellucor {

namespace {

constexpr int kPlaceLooks = 12;         // stretches of a long recording looked at for the region
constexpr double kPlaceStretch = 3.0;   // seconds each
constexpr double kCameraNoise = 1.0;    // mean grey levels of noise between still frames of a camera
constexpr double kUnsettled = 0.15;     // share of the frame moving in most looks of a video
constexpr double kStill = 0.003;        // share of the look that may differ within a still stretch
constexpr double kNotStill = 0.008;     // share that differs when the slide changed
constexpr double kSame = 0.003;         // share that may differ between two looks at the same slide
constexpr double kOverlayShare = 0.15;  // largest overlay, share of the slide
constexpr double kLongestOverlay = 20;  // seconds
constexpr double kNoSlideGap = 2.0;     // seconds without a still picture that are reported
constexpr double kStillShare = 0.2;     // share of the recording that must be still
constexpr size_t kLooksKept = 8;        // looks each slide is known by
constexpr int kShift = 2;               // pixels two recordings' looks may lie apart
constexpr int kFlicker = 2;             // grey levels by which a pixel of a camera tile changes between looks
constexpr double kCalmShare = 0.1;      // share of looks in which a pixel changes that stays still
constexpr int kWindowPairs = 25;        // looks over which the moving parts of a meeting layout are told
constexpr double kJolt = 0.3;           // share of the frame that changes at once when the layout changes
constexpr double kLayoutMoved = 0.05;   // share of the frame whose moving or not changed with the layout
constexpr double kRefind = 6.0;         // seconds looked at to find the slide again
constexpr double kSameRegion = 0.9;     // overlap of two regions that are one
constexpr double kAsFull = 0.95;        // share of a slide's ink, or of its size, that is as much
constexpr size_t kRecentLooks = 3 * kWindowPairs;  // kept to cut a still at a change of layout
constexpr double kSeenMore = 0.02;                 // share of a camera's slide more of which a still shows than another

double unseenShare(const cv::Mat& unseen)
{
    return unseen.empty() ? 0 : cv::countNonZero(unseen) / static_cast<double>(unseen.total());
}

// Which parts of the frame keep moving from one few seconds to the next,
// against those that did at first: in a meeting layout the camera tiles,
// which lie elsewhere when the meeting tool lays the picture out anew.
struct LayoutWatch {
    cv::Mat prev, flicker, share, first;  // first: the share of looks each pixel changed in at first
    int pairs = 0;
    double windowFrom = -1, lastWindowFrom = -1, earlier = -1, jolt = -1;

    // True when the moving parts differ from the first few seconds'.
    bool add(double t, const cv::Mat& grey)
    {
        cv::Mat small;
        cv::resize(grey, small, {std::max(1, grey.cols / 2), std::max(1, grey.rows / 2)}, 0, 0, cv::INTER_AREA);
        if (windowFrom < 0)
            windowFrom = t;
        if (!prev.empty()) {
            cv::Mat diff;
            cv::absdiff(small, prev, diff);
            if (flicker.empty())
                flicker = cv::Mat::zeros(small.size(), CV_32F);
            cv::accumulate((diff > kFlicker) / 255, flicker);
            ++pairs;
            if (cv::countNonZero(diff > kMovedBy) > kJolt * static_cast<double>(diff.total()))
                jolt = t;
        }
        prev = small;
        if (pairs < kWindowPairs)
            return false;
        share = flicker / pairs;
        flicker.setTo(0);
        pairs = 0;
        earlier = std::exchange(lastWindowFrom, std::exchange(windowFrom, t));
        if (first.empty())
            first = share.clone();
        // Pixels that moved and are still now, or the other way round
        // (those that move now and then, as a pointer passes, do not tell).
        const cv::Mat changed
            = ((first >= kMovingShare) & (share < kCalmShare)) | ((first < kCalmShare) & (share >= kMovingShare));
        return cv::countNonZero(changed) > kLayoutMoved * static_cast<double>(changed.total());
    }
    // Since when the layout differs: when most of the frame changed at
    // once, else the few seconds that showed it.
    double since() const { return jolt >= 0 && jolt >= earlier ? jolt : lastWindowFrom; }
    // The layout as it is now is the one to hold to.
    void keep()
    {
        first = share.clone();
        prev.release();
    }
};

cv::Rect2d fractionsOf(const cv::Rect& box, const cv::Size& size)
{
    return {box.x / double(size.width), box.y / double(size.height), box.width / double(size.width),
            box.height / double(size.height)};
}

std::string describeBox(const cv::Rect& box, const cv::Size& size)
{
    return std::to_string(box.x) + "," + std::to_string(box.y) + " " + std::to_string(box.width) + "x"
        + std::to_string(box.height) + " of " + std::to_string(size.width) + "x" + std::to_string(size.height);
}

size_t layoutAt(const RecordingFound& rec, double time)
{
    return static_cast<size_t>(
        std::count_if(rec.moves.begin(), rec.moves.end(), [&](const LayoutChange& m) { return m.time <= time; }));
}

cv::Rect pixelsOf(const cv::Rect2d& r, const cv::Size& s)
{
    const int x = static_cast<int>(std::lround(r.x * s.width)), y = static_cast<int>(std::lround(r.y * s.height));
    const int w = static_cast<int>(std::lround(r.width * s.width)),
              h = static_cast<int>(std::lround(r.height * s.height));
    return cv::Rect(x, y, std::max(1, w), std::max(1, h)) & cv::Rect({}, s);
}

std::string seconds(double t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", t);
    return buf;
}

}  // namespace

cv::Rect2d RecordingFound::RegionAt(double time) const
{
    cv::Rect2d at = region;
    for (const LayoutChange& m : moves)
        if (m.time <= time)
            at = m.region;
    return at;
}

bool RecordingSlides::Run(const std::vector<std::string>& recordings, const Progress& progress,
                          const std::atomic<bool>& cancel, std::string& err)
{
    found_.clear();
    slides_.clear();
    known_.clear();
    const double n = static_cast<double>(recordings.size());
    for (size_t i = 0; i < recordings.size(); ++i) {
        RecordingFound rec;
        rec.path = recordings[i];
        const std::string name = Tav_SplitPath(rec.path).last;
        int shown = -1;
        const auto report = [&](double share, const std::string& status) {
            const int p = static_cast<int>((static_cast<double>(i) + std::clamp(share, 0.0, 1.0)) * 100 / n);
            if (p != shown && progress)
                progress(shown = p, status);
        };
        const std::string placing = "Finding the slide in " + name;
        report(0, placing);
        if (!place(
                i, rec, [&](double share) { report(0.1 * share, placing); }, cancel, err)) {
            if (err != "Cancelled")
                err = rec.path + " " + err;
            return false;
        }
        const std::string looking = "Finding the slides of " + name;
        std::vector<Still> found;
        if (!stills(
                rec, found, [&](double share) { report(0.1 + 0.9 * share, looking); }, cancel, err)) {
            if (err != "Cancelled")
                err = rec.path + ": " + err;
            return false;
        }
        double still = 0;
        for (const Still& s : found)
            still += s.to - s.from;
        if (found.empty() || still < kStillShare * rec.duration) {
            err = rec.path + " " + kNoStablePicture;
            return false;
        }
        assign(i, rec, std::move(found));
        found_.push_back(std::move(rec));
    }
    if (progress)
        progress(100, "Found " + std::to_string(slides_.size()) + " slides");
    return true;
}

bool RecordingSlides::place(size_t, RecordingFound& rec, const std::function<void(double)>& moved,
                            const std::atomic<bool>& cancel, std::string& err)
{
    FrameSampler sampler(kSampleWidth);
    if (!sampler.Open(rec.path, err)) {
        if (err == FrameSampler::kNoPicture)
            err = kNoPicture;
        return false;
    }
    rec.duration = sampler.Duration();
    sampler.SetColour(true);  // a camera's projected slide is told from the room by its colour too
    RegionStats stats;
    double lookedTo = 0;  // a stretch may start earlier, not before the one before ended
    const auto add = [&](double t, const cv::Mat& grey) {
        stats.add(grey, sampler.Colour());
        lookedTo = t;
        return true;
    };
    const int looks = rec.duration <= kPlaceLooks * kPlaceStretch ? 1 : kPlaceLooks;
    for (int i = 0; i < looks; ++i) {
        const double from = looks == 1 ? 0 : rec.duration * (i + 0.5) / looks - kPlaceStretch / 2;
        const double to = looks == 1 ? rec.duration : from + kPlaceStretch;
        stats.gap();
        if (!sampler.Stretch(
                from, to, options_.step, add,
                [&](double t) { moved((i + std::clamp((t - from) / (to - from), 0.0, 1.0)) / looks); }, cancel, err,
                lookedTo))
            return false;
    }
    if (stats.pairs < 2) {
        err = kNoStablePicture;
        return false;
    }
    const Placed at = PlaceSlideIn(stats, options_.layout);
    const cv::Rect& box = at.box;
    rec.meeting = at.meeting;
    rec.region = fractionsOf(box, at.size);
    Tav_DebugLog("Slides from recording: " + rec.path + (rec.meeting ? " meeting" : " screen") + " layout, slide at "
                 + describeBox(box, at.size) + ", moving " + std::to_string(at.movingShare) + ", unsettled "
                 + std::to_string(at.unsettled) + ", noise " + std::to_string(at.noise));
    // (A camera that shakes a little moves all over: its picture is
    // straightened, and whether it settles is told by its stills.)
    camera_ = at.noise > kCameraNoise;
    if (!camera_ && at.unsettled > kUnsettled) {
        err = kNoStablePicture;
        return false;
    }
    if (camera_) {
        std::vector<cv::Point2f> corners;
        if (!ProjectedSlide::Find(stats.typical(true), corners)) {
            err = kNoProjectedSlide;
            return false;
        }
        rec.camera = true;
        rec.meeting = false;
        rec.room = stats.typical();
        for (const cv::Point2f& c : corners)
            rec.corners.emplace_back(c.x / static_cast<float>(at.size.width), c.y / static_cast<float>(at.size.height));
        rec.region = fractionsOf(cv::boundingRect(corners) & cv::Rect({}, at.size), at.size);
        Tav_DebugLog("Slides from recording: a camera's recording, the projected slide at "
                     + describeBox(cv::boundingRect(corners), at.size));
        compare_.SetIgnored({});
        return true;
    }
    ignore(at);
    return true;
}

void RecordingSlides::ignore(const Placed& at)
{
    cv::Mat ignored;
    cv::resize(at.moving(at.box), ignored, {SlidePicture::kWidth, SlidePicture::kHeight}, 0, 0, cv::INTER_NEAREST);
    cv::dilate(ignored, ignored, cv::getStructuringElement(cv::MORPH_RECT, {5, 5}));
    compare_.SetIgnored(cv::countNonZero(ignored) > 0 ? ignored : cv::Mat());
}

bool RecordingSlides::refind(const RecordingFound& rec, double from, Placed& at, const std::atomic<bool>& cancel,
                             std::string& err) const
{
    FrameSampler sampler(kSampleWidth);
    RegionStats stats;
    const auto add = [&](double, const cv::Mat& grey) {
        stats.add(grey);
        return true;
    };
    if (!sampler.Open(rec.path, err)
        || !sampler.Stretch(
            from, from + kRefind, options_.step, add, [](double) {}, cancel, err))
        return false;
    if (stats.pairs < 2)
        return at.meeting = false, true;
    at = PlaceSlideIn(stats, RecordingLayout::Meeting);
    at.meeting = at.meeting && at.unsettled <= kUnsettled && at.noise <= kCameraNoise;
    return true;
}

namespace {

double overlapOf(const cv::Rect& a, const cv::Rect& b)
{
    const double both = (a & b).area();
    return both / std::max(1.0, a.area() + b.area() - both);
}

}  // namespace

bool RecordingSlides::stills(RecordingFound& rec, std::vector<Still>& out, const std::function<void(double)>& moved,
                             const std::atomic<bool>& cancel, std::string& err)
{
    if (rec.camera)
        return CameraStills(rec, options_).Run(out, moved, cancel, err);
    FrameSampler sampler(kSampleWidth);
    if (!sampler.Open(rec.path, err))
        return false;
    // In a meeting layout the slide lies where the first seconds show it
    // (the whole recording may show more than one layout) and is found
    // again where the layout changes.
    Placed at;
    if (rec.meeting && !refind(rec, 0, at, cancel, err))
        return false;
    if (rec.meeting && at.meeting && overlapOf(at.box, pixelsOf(rec.region, at.size)) >= 0.5) {
        rec.region = fractionsOf(at.box, at.size);
        ignore(at);
    }
    Still run;
    cv::Mat anchor, prev;
    bool open = false;
    const auto close = [&] {
        if (open && run.to - run.from + options_.step >= options_.minDwell - 1e-6) {
            run.look = prev.clone();
            out.push_back(run);
        }
        open = false;
    };
    cv::Rect region;
    LayoutWatch watch;
    std::deque<std::pair<double, cv::Mat>> recent;
    double from = 0, last = 0, done = 0;  // done: as far as the progress went, looked at again or not
    bool ran = true;
    for (;;) {
        double changed = -1;
        ran = sampler.Stretch(
            from, rec.duration + 1, options_.step,
            [&](double t, const cv::Mat& grey) {
                if (rec.meeting && watch.add(t, grey)) {
                    Tav_DebugLog("Slides from recording: the layout may have changed at " + seconds(watch.since())
                                 + " s");
                    changed = watch.since();
                    return false;
                }
                if (region.empty())
                    region = pixelsOf(rec.RegionAt(t), grey.size());
                cv::Mat look = SlidePicture::Look(grey, region);
                // Two places of a moving pointer may lie close enough to
                // look like more: still when like either the look before
                // or the first of the stretch, and not far from the other.
                const double toPrev = open ? compare_.Differ(prev, look) : 1;
                const double toAnchor = open ? compare_.Differ(anchor, look) : 1;
                if (std::min(toPrev, toAnchor) < kStill && std::max(toPrev, toAnchor) < kNotStill) {
                    run.to = t;
                } else {
                    close();
                    run = {};
                    run.from = run.to = t;
                    anchor = look;
                    open = true;
                }
                prev = look;
                last = t;
                if (rec.meeting) {
                    recent.emplace_back(t, look);
                    if (recent.size() > kRecentLooks)
                        recent.pop_front();
                }
                return true;
            },
            [&](double t) { moved((done = std::max(done, t)) / std::max(rec.duration, 1.0)); }, cancel, err);
        if (!ran || changed < 0)
            break;
        if (!refind(rec, changed, at, cancel, err))
            return false;
        if (!at.meeting || overlapOf(at.box, pixelsOf(rec.RegionAt(changed), at.size)) >= kSameRegion) {
            watch.keep();  // the same layout, its tiles moving otherwise
            from = last + options_.step / 2;
            continue;
        }
        Tav_DebugLog("Slides from recording: the layout changed at " + seconds(changed) + " s, slide at "
                     + describeBox(at.box, at.size));
        rec.moves.push_back({changed, fractionsOf(at.box, at.size)});
        ignore(at);
        // The stills up to the change, each as last seen before it.
        close();
        std::vector<Still> before;
        for (Still& still : out) {
            if (still.from >= changed)
                continue;
            if (still.to >= changed) {
                auto seen
                    = std::find_if(recent.rbegin(), recent.rend(), [&](const auto& r) { return r.first < changed; });
                if (seen == recent.rend() || seen->first < still.from)
                    continue;
                still.to = seen->first;
                still.look = seen->second.clone();
                if (still.to - still.from + options_.step < options_.minDwell - 1e-6)
                    continue;
            }
            before.push_back(std::move(still));
        }
        out = std::move(before);
        watch = {};
        recent.clear();
        region = {};
        from = changed;
    }
    close();
    return ran;
}

SlidePicture RecordingSlides::comparing(const cv::Mat& a, const cv::Mat& b, const cv::Mat& unseenA,
                                        const cv::Mat& unseenB) const
{
    if (!camera_ || a.size() != b.size())
        return compare_;
    SlidePicture unhidden = compare_;
    unhidden.SetTolerant(true);
    cv::Mat ignored = ProjectedSlide::Hidden(a, b);
    for (const cv::Mat& u : {unseenA, unseenB})
        if (!u.empty())
            ignored |= u;
    unhidden.SetIgnored(ignored);
    return unhidden;
}

double RecordingSlides::differ(const cv::Mat& a, const cv::Mat& unseenA, const cv::Mat& b, const cv::Mat& unseenB) const
{
    // A camera's look and one of another recording: at the size of the
    // smaller.
    if (a.size() != b.size()) {
        const bool smaller = a.cols < b.cols;
        cv::Mat resized;
        cv::resize(smaller ? b : a, resized, (smaller ? a : b).size(), 0, 0, cv::INTER_AREA);
        return smaller ? compare_.Differ(a, resized) : compare_.Differ(resized, b);
    }
    const SlidePicture c = comparing(a, b, unseenA, unseenB);
    const double d = c.Differ(a, b);
    // Two of a camera's looks, fine enough to see a digit changed.
    return camera_ && a.cols >= CameraStills::kFine * SlidePicture::kWidth && c.Marked(a, b, CameraStills::kSmallChange)
        ? std::max(d, kSame)
        : d;
}

double RecordingSlides::differAside(const cv::Mat& a, const cv::Mat& unseenA, const cv::Mat& b, const cv::Mat& unseenB,
                                    double d) const
{
    if (d >= 20 * kSame)
        return d;
    for (int dy = -kShift; dy <= kShift; ++dy)
        for (int dx = -kShift; dx <= kShift; ++dx) {
            cv::Mat moved;
            const cv::Matx23d shift(1, 0, dx, 0, 1, dy);
            cv::warpAffine(b, moved, shift, b.size(), cv::INTER_NEAREST, cv::BORDER_REPLICATE);
            d = std::min(d, differ(a, unseenA, moved, unseenB));
        }
    return d;
}

int RecordingSlides::known(const Source& source, const cv::Mat& look, const cv::Mat& unseen) const
{
    int best = -1;
    double bestDiffer = kSame;
    for (size_t s = 0; s < known_.size(); ++s) {
        const Known& k = known_[s];
        for (size_t m = 0; m < k.looks.size(); ++m) {
            double d = differ(k.looks[m], k.unseen[m], look, unseen);
            if (d >= bestDiffer && k.seenIn[m] != source)
                d = differAside(k.looks[m], k.unseen[m], look, unseen, d);
            if (d < bestDiffer) {
                bestDiffer = d;
                best = static_cast<int>(s);
            }
        }
    }
    return best;
}

void RecordingSlides::assign(size_t index, RecordingFound& rec, std::vector<Still> stills)
{
    // An overlay that comes and goes over one slide is no change. (Not in
    // a camera's: what passes before its slide is not in its stills.)
    std::vector<Still> kept;
    const auto same = [&](const Still& a, const Still& b) {  // in another layout, maybe a pixel or two aside
        const double d = compare_.Differ(a.look, b.look);
        return d < kSame
            || (layoutAt(rec, a.from) != layoutAt(rec, b.from) && differAside(a.look, {}, b.look, {}, d) < kSame);
    };
    for (size_t i = 0; i < stills.size(); ++i) {
        if (rec.camera) {
            kept.push_back(std::move(stills[i]));
            continue;
        }
        if (!kept.empty() && i + 1 < stills.size() && stills[i].to - stills[i].from <= kLongestOverlay
            && same(kept.back(), stills[i + 1]) && compare_.Overlay(kept.back().look, stills[i].look, kOverlayShare)) {
            Still& k = kept.back();
            if (k.clearTo == 0)
                std::tie(k.clearFrom, k.clearTo) = std::pair {k.from, k.to};
            if (stills[i + 1].to - stills[i + 1].from > k.clearTo - k.clearFrom)
                std::tie(k.clearFrom, k.clearTo) = std::pair {stills[i + 1].from, stills[i + 1].to};
            k.to = stills[i + 1].to;
            ++i;
            continue;
        }
        // A slide that came with an overlay over it already (a
        // notification that stays on a while): the slide since it came.
        // Not a slide that gets an overlay soon after it came and then
        // shows again as it was (the rule above, at the next still).
        if (i + 1 < stills.size() && stills[i].to - stills[i].from <= kLongestOverlay
            && compare_.Overlay(stills[i + 1].look, stills[i].look, kOverlayShare)
            && !(i + 2 < stills.size() && same(stills[i], stills[i + 2]))) {
            Still& next = stills[i + 1];
            if (next.clearTo == 0)
                std::tie(next.clearFrom, next.clearTo) = std::pair {next.from, next.to};
            next.from = stills[i].from;
            continue;
        }
        kept.push_back(std::move(stills[i]));
    }
    int current = -1;
    double lastTo = 0;
    const Still* last = nullptr;
    for (Still& s : kept) {
        Tav_DebugLog("Slides from recording: still from " + seconds(s.from) + " s to " + seconds(s.to) + " s");
        if (s.from - lastTo > kNoSlideGap)
            rec.noSlide.push_back({lastTo == 0 ? 0 : lastTo + options_.step, s.from});
        const Source source {index, layoutAt(rec, s.from)};
        int slide = known(source, s.look, s.unseen);
        const double ink = SlidePicture::Ink(s.look);
        bool fuller = false;
        if (slide < 0 && current >= 0 && last
            && comparing(last->look, s.look, last->unseen, s.unseen).Builds(last->look, s.look))
            slide = current;
        if (slide >= 0) {
            Known& k = known_[static_cast<size_t>(slide)];
            fuller = ink > k.ink && comparing(k.fullest, s.look, k.fullestUnseen, s.unseen).Builds(k.fullest, s.look);
            // As full, shown larger after the layout changed, or (a
            // camera's) seen more of.
            const FoundSlide& best = slides_[static_cast<size_t>(slide)];
            fuller = fuller
                || (best.recording == index && ink >= kAsFull * k.ink
                    && (rec.RegionAt(s.from).area() > rec.RegionAt(best.from).area() / kAsFull
                        || unseenShare(s.unseen) + kSeenMore < unseenShare(k.fullestUnseen)));
            if (k.looks.size() < kLooksKept) {
                k.looks.push_back(s.look);
                k.unseen.push_back(s.unseen);
                k.seenIn.push_back(source);
            }
        } else {
            slide = static_cast<int>(known_.size());
            known_.push_back({{s.look}, {s.unseen}, {source}, s.look, s.unseen, ink});
            slides_.push_back({});
            fuller = true;
        }
        if (fuller) {
            Known& k = known_[static_cast<size_t>(slide)];
            k.fullest = s.look;
            k.fullestUnseen = s.unseen;
            k.ink = ink;
            // Its picture from where no overlay covers it.
            slides_[static_cast<size_t>(slide)]
                = {index, s.clearTo > 0 ? s.clearFrom : s.from, s.clearTo > 0 ? s.clearTo : s.to, s.clear,
                   rec.camera ? s.look : cv::Mat()};
        }
        if (slide != current) {
            // Half a step after the last look at the slide before (the
            // looks between may be too short to be still, or covered);
            // after a stretch without a slide, when it came back.
            const double t = rec.changes.empty() ? 0
                : s.from - lastTo > kNoSlideGap  ? s.from - options_.step / 2
                                                 : lastTo + options_.step / 2;
            rec.changes.push_back({std::max(0.0, t), slide});
            current = slide;
        }
        lastTo = s.to;
        last = &s;
    }
    if (rec.duration - lastTo > kNoSlideGap)
        rec.noSlide.push_back({lastTo + options_.step, rec.duration});
    for (const NoSlideStretch& n : rec.noSlide)
        Tav_DebugLog("Slides from recording: no slide from " + seconds(n.from) + " s to " + seconds(n.to) + " s");
}

bool RecordingSlides::SlideImage(size_t slide, cv::Mat& bgra, std::string& err, int threads) const
{
    const FoundSlide& s = slides_.at(slide);
    const RecordingFound& rec = found_.at(s.recording);
    FrameSampler sampler(kSampleWidth, threads);
    if (!sampler.Open(rec.path, err))
        return false;
    if (rec.camera)
        return CameraStills::Picture(rec, s, sampler, bgra, err);
    std::vector<cv::Mat> frames;
    const double span = s.to - s.from;
    if (!sampler.ColourFramesAt({s.from + span * 0.2, s.from + span * 0.5, s.from + span * 0.8}, frames, err))
        return false;
    for (cv::Mat& frame : frames)
        frame = frame(pixelsOf(rec.RegionAt(s.from), frame.size())).clone();
    // The median of three: max(min(a, b), min(max(a, b), c)).
    cv::Mat lo = cv::min(frames[0], frames[1]), hi = cv::max(frames[0], frames[1]);
    bgra = cv::max(lo, cv::min(hi, frames[2]));
    return true;
}

}  // namespace pellucor
