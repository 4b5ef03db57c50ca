#include "media/RecordingSlides.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

#include <opencv2/imgproc.hpp>

#include "core/DebugLog.h"
#include "core/TavUtils.h"
#include "media/FrameSampler.h"

namespace pellucor {

namespace {

constexpr int kSampleWidth = 640;       // width of the frames looked at
constexpr int kPlaceLooks = 12;         // stretches of a long recording looked at for the region
constexpr double kPlaceStretch = 3.0;   // seconds each
constexpr int kMovedBy = 25;            // grey levels by which a pixel of the frame moved
constexpr double kMovingShare = 0.5;    // share of looks in which a pixel moves that always moves
constexpr double kMeetingShare = 0.08;  // share of the frame always moving that makes a meeting layout
constexpr double kCameraNoise = 1.0;    // mean grey levels of noise between still frames of a camera
constexpr double kNoisyPixel = 1.5;     // mean grey levels by which a pixel of a camera tile flickers
constexpr double kUnsettled = 0.15;     // share of the frame moving in most looks of a video
constexpr double kSmallestSlide = 0.2;  // share of the frame a slide beside camera tiles takes at least
constexpr int kPadRange = 6;            // grey levels across a row or column of a black bar
constexpr double kStill = 0.003;        // share of the look that may differ within a still stretch
constexpr double kNotStill = 0.008;     // share that differs when the slide changed
constexpr double kSame = 0.003;         // share that may differ between two looks at the same slide
constexpr double kOverlayShare = 0.15;  // largest overlay, share of the slide
constexpr double kLongestOverlay = 20;  // seconds
constexpr double kNoSlideGap = 2.0;     // seconds without a still picture that are reported
constexpr double kStillShare = 0.2;     // share of the recording that must be still
constexpr size_t kLooksKept = 8;        // looks each slide is known by
constexpr int kShift = 2;               // pixels two recordings' looks may lie apart

struct RegionStats {
    cv::Mat moved;  // CV_32F: times each pixel moved
    cv::Mat noise;  // CV_32F: each pixel's change summed over the pairs it did not move in
    int pairs = 0, frames = 0;
    std::vector<double> movedShares;  // per pair: the share of the frame that moved
    cv::Mat prev;
    std::vector<cv::Mat> kept;  // some of the frames, for the typical picture
    static constexpr size_t kKept = 15;

    void add(const cv::Mat& grey)
    {
        cv::Mat g;
        cv::GaussianBlur(grey, g, {5, 5}, 0);
        if (moved.empty() || moved.size() != g.size()) {
            moved = cv::Mat::zeros(g.size(), CV_32F);
            noise = cv::Mat::zeros(g.size(), CV_32F);
            prev.release();
        }
        if (frames % 4 == 0 && kept.size() < kKept)
            kept.push_back(grey.clone());  // sharp, for the edges of black bars
        ++frames;
        if (!prev.empty()) {
            cv::Mat diff;
            cv::absdiff(g, prev, diff);
            const cv::Mat mv = diff > kMovedBy;
            cv::accumulate(mv / 255, moved);
            cv::accumulate(diff, noise, ~mv);
            movedShares.push_back(cv::countNonZero(mv) / static_cast<double>(mv.total()));
            ++pairs;
        }
        prev = g;
    }
    void gap() { prev.release(); }

    // Each pixel's median over the frames kept: what the picture mostly
    // shows, without a pointer passing.
    cv::Mat typical() const
    {
        cv::Mat out(kept.front().size(), CV_8U);
        std::vector<uchar> v(kept.size());
        for (int y = 0; y < out.rows; ++y)
            for (int x = 0; x < out.cols; ++x) {
                for (size_t i = 0; i < kept.size(); ++i)
                    v[i] = kept[i].at<uchar>(y, x);
                std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
                out.at<uchar>(y, x) = v[v.size() / 2];
            }
        return out;
    }
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Rows (or columns) at the edges of box that are one flat colour, the same
// at both ends: black bars around the slide.
void trimBars(const cv::Mat& mean, cv::Rect& box, bool rows)
{
    const auto line = [&](int i) {
        const cv::Mat l = rows ? mean(cv::Rect(box.x, i, box.width, 1)) : mean(cv::Rect(i, box.y, 1, box.height));
        double lo = 0, hi = 0;
        cv::minMaxLoc(l, &lo, &hi);
        return std::pair {hi - lo <= kPadRange, cv::mean(l)[0]};
    };
    int a = rows ? box.y : box.x;
    int b = (rows ? box.y + box.height : box.x + box.width) - 1;
    const auto [flatA, valueA] = line(a);
    const auto [flatB, valueB] = line(b);
    if (!flatA || !flatB || std::fabs(valueA - valueB) > kPadRange / 2.0)
        return;
    const auto bar = [&](int i) {
        const auto [f, v] = line(i);
        return f && std::fabs(v - valueA) <= kPadRange / 2.0;
    };
    while (a < b && bar(a))
        ++a;
    while (b > a && bar(b))
        --b;
    if (b - a < (rows ? box.height : box.width) / 4)
        return;  // a flat picture, not bars
    if (rows) {
        box.y = a;
        box.height = b - a + 1;
    } else {
        box.x = a;
        box.width = b - a + 1;
    }
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
    RegionStats stats;
    double lookedTo = 0;  // a stretch may start earlier, not before the one before ended
    const auto add = [&](double t, const cv::Mat& grey) {
        stats.add(grey);
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
    // A picture that keeps moving in large parts (a video) has no slide.
    const double unsettled = median(stats.movedShares);
    const cv::Mat share = stats.moved / stats.pairs;
    cv::Mat calm = stats.pairs - stats.moved;
    cv::max(calm, 1, calm);
    const cv::Mat noisy = stats.noise / calm;  // each pixel's mean change while it did not move
    const cv::Mat mean = stats.typical();
    // A camera tile moves or at least flickers all the time; a slide only
    // changes now and then.
    const cv::Mat moving = (share >= kMovingShare) | (noisy > kNoisyPixel);
    const double movingShare = cv::countNonZero(moving) / static_cast<double>(moving.total());
    const cv::Size size = share.size();
    cv::Rect box({}, size);
    rec.meeting = false;
    if (options_.layout == RecordingLayout::Meeting
        || (options_.layout == RecordingLayout::Auto && movingShare > kMeetingShare)) {
        // The largest still rectangle, when it is large enough for a slide
        // (a camera's picture flickers all over: none is).
        cv::Mat still = ~moving;
        const cv::Mat k = cv::getStructuringElement(cv::MORPH_RECT, {9, 9});
        cv::morphologyEx(still, still, cv::MORPH_OPEN, k);
        cv::Mat labels, boxes, centroids;
        const int n = cv::connectedComponentsWithStats(still, labels, boxes, centroids, 8, CV_32S);
        int best = 0;
        for (int i = 1; i < n; ++i)
            if (best == 0 || boxes.at<int>(i, cv::CC_STAT_AREA) > boxes.at<int>(best, cv::CC_STAT_AREA))
                best = i;
        if (best > 0 && boxes.at<int>(best, cv::CC_STAT_AREA) >= kSmallestSlide * static_cast<double>(still.total())) {
            rec.meeting = true;
            box = {boxes.at<int>(best, cv::CC_STAT_LEFT), boxes.at<int>(best, cv::CC_STAT_TOP),
                   boxes.at<int>(best, cv::CC_STAT_WIDTH), boxes.at<int>(best, cv::CC_STAT_HEIGHT)};
        }
    }
    trimBars(mean, box, false);
    trimBars(mean, box, true);
    rec.region = {box.x / double(size.width), box.y / double(size.height), box.width / double(size.width),
                  box.height / double(size.height)};
    // Sensor noise all over the slide: a camera, not a screen.
    const double level = cv::mean(noisy(box))[0];
    Tav_DebugLog("Slides from recording: " + rec.path + (rec.meeting ? " meeting" : " screen") + " layout, slide at "
                 + std::to_string(box.x) + "," + std::to_string(box.y) + " " + std::to_string(box.width) + "x"
                 + std::to_string(box.height) + " of " + std::to_string(size.width) + "x" + std::to_string(size.height)
                 + ", moving " + std::to_string(movingShare) + ", unsettled " + std::to_string(unsettled) + ", noise "
                 + std::to_string(level));
    if (unsettled > kUnsettled) {
        err = kNoStablePicture;
        return false;
    }
    if (level > kCameraNoise) {
        err = kCameraRefused;
        return false;
    }
    cv::Mat ignored;
    cv::resize(moving(box), ignored, {SlidePicture::kWidth, SlidePicture::kHeight}, 0, 0, cv::INTER_NEAREST);
    cv::dilate(ignored, ignored, cv::getStructuringElement(cv::MORPH_RECT, {5, 5}));
    compare_.SetIgnored(cv::countNonZero(ignored) > 0 ? ignored : cv::Mat());
    return true;
}

bool RecordingSlides::stills(const RecordingFound& rec, std::vector<Still>& out,
                             const std::function<void(double)>& moved, const std::atomic<bool>& cancel,
                             std::string& err)
{
    FrameSampler sampler(kSampleWidth);
    if (!sampler.Open(rec.path, err))
        return false;
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
    const bool ran = sampler.Stretch(
        0, rec.duration + 1, options_.step,
        [&](double t, const cv::Mat& grey) {
            if (region.empty())
                region = pixelsOf(rec.region, grey.size());
            cv::Mat look = SlidePicture::Look(grey, region);
            // Two places of a moving pointer may lie close enough to look
            // like more: still when like either the look before or the
            // first of the stretch, and not far from the other.
            const double toPrev = open ? compare_.Differ(prev, look) : 1;
            const double toAnchor = open ? compare_.Differ(anchor, look) : 1;
            if (std::min(toPrev, toAnchor) < kStill && std::max(toPrev, toAnchor) < kNotStill) {
                run.to = t;
            } else {
                close();
                run = {t, t, {}};
                anchor = look;
                open = true;
            }
            prev = look;
            return true;
        },
        [&](double t) { moved(t / std::max(rec.duration, 1.0)); }, cancel, err);
    close();
    return ran;
}

int RecordingSlides::known(size_t index, const cv::Mat& look) const
{
    int best = -1;
    double bestDiffer = kSame;
    for (size_t s = 0; s < known_.size(); ++s) {
        const Known& k = known_[s];
        for (size_t m = 0; m < k.looks.size(); ++m) {
            double d = compare_.Differ(k.looks[m], look);
            // A look from another recording may lie a pixel or two aside.
            if (d >= bestDiffer && k.recordings[m] != index && d < 20 * kSame) {
                for (int dy = -kShift; dy <= kShift; ++dy)
                    for (int dx = -kShift; dx <= kShift; ++dx) {
                        cv::Mat moved;
                        const cv::Matx23d shift(1, 0, dx, 0, 1, dy);
                        cv::warpAffine(look, moved, shift, look.size(), cv::INTER_NEAREST, cv::BORDER_REPLICATE);
                        d = std::min(d, compare_.Differ(k.looks[m], moved));
                    }
            }
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
    // An overlay that comes and goes over one slide is no change.
    std::vector<Still> kept;
    for (size_t i = 0; i < stills.size(); ++i) {
        if (!kept.empty() && i + 1 < stills.size() && stills[i].to - stills[i].from <= kLongestOverlay
            && compare_.Differ(kept.back().look, stills[i + 1].look) < kSame
            && compare_.Overlay(kept.back().look, stills[i].look, kOverlayShare)) {
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
            && !(i + 2 < stills.size() && compare_.Differ(stills[i].look, stills[i + 2].look) < kSame)) {
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
    const cv::Mat* lastLook = nullptr;
    for (Still& s : kept) {
        Tav_DebugLog("Slides from recording: still from " + seconds(s.from) + " s to " + seconds(s.to) + " s");
        if (s.from - lastTo > kNoSlideGap)
            rec.noSlide.push_back({lastTo == 0 ? 0 : lastTo + options_.step, s.from});
        int slide = known(index, s.look);
        const double ink = SlidePicture::Ink(s.look);
        bool fuller = false;
        if (slide < 0 && current >= 0 && lastLook && compare_.Builds(*lastLook, s.look))
            slide = current;
        if (slide >= 0) {
            Known& k = known_[static_cast<size_t>(slide)];
            fuller = ink > k.ink && compare_.Builds(k.fullest, s.look);
            if (k.looks.size() < kLooksKept) {
                k.looks.push_back(s.look);
                k.recordings.push_back(index);
            }
        } else {
            slide = static_cast<int>(known_.size());
            known_.push_back({{s.look}, {index}, s.look, ink});
            slides_.push_back({});
            fuller = true;
        }
        if (fuller) {
            Known& k = known_[static_cast<size_t>(slide)];
            k.fullest = s.look;
            k.ink = ink;
            // Its picture from where no overlay covers it.
            slides_[static_cast<size_t>(slide)]
                = {index, s.clearTo > 0 ? s.clearFrom : s.from, s.clearTo > 0 ? s.clearTo : s.to};
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
        lastLook = &s.look;
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
    std::vector<cv::Mat> frames;
    const double span = s.to - s.from;
    if (!sampler.ColourFramesAt({s.from + span * 0.2, s.from + span * 0.5, s.from + span * 0.8}, frames, err))
        return false;
    for (cv::Mat& frame : frames)
        frame = frame(pixelsOf(rec.region, frame.size())).clone();
    // The median of three: max(min(a, b), min(max(a, b), c)).
    cv::Mat lo = cv::min(frames[0], frames[1]), hi = cv::max(frames[0], frames[1]);
    bgra = cv::max(lo, cv::min(hi, frames[2]));
    return true;
}

}  // namespace pellucor
