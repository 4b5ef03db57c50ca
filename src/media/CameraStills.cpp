#include "media/CameraStills.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>

#include <opencv2/imgproc.hpp>

#include "core/DebugLog.h"
#include "media/CameraShake.h"
#include "media/FrameSampler.h"
#include "media/PictureMedian.h"
#include "media/ProjectedSlide.h"
#include "media/SlidePicture.h"

namespace pellucor {

namespace {

constexpr double kCameraStill = 0.003;  // share of the look that may differ within a still stretch
constexpr double kMostlyHidden = 0.5;  // share of a look hidden that shows no slide
constexpr double kEdge = 0.02;         // share of the slide's width and height at its edges left out of comparing
constexpr int kNearHidden = 21;        // pixels across what is left out of comparing around what hides the slide
constexpr int kStale = 25;             // looks after which what keeps hiding the same part of a slide is taken as it
constexpr double kHiddenMoved = 0.01;  // share of a hidden part new in a look when someone moves at all
constexpr size_t kSeenMost = 32;       // looks of a still kept for its look and clear frames
constexpr size_t kClearest = 7;        // frames a slide's picture is made from
constexpr int kShownEnough = 3;        // of those, how many are to show each pixel

std::vector<cv::Point2f> inPixels(const std::vector<cv::Point2f>& corners, cv::Size size)
{
    std::vector<cv::Point2f> px;
    for (const cv::Point2f& c : corners)
        px.emplace_back(c.x * static_cast<float>(size.width), c.y * static_cast<float>(size.height));
    return px;
}

// A look at the slide as one frame shows it.
struct Seen {
    double time = 0;
    cv::Point2f shift;
    cv::Mat look, hidden;
};

}  // namespace

bool CameraStills::Run(std::vector<RecordingSlides::Still>& out, const std::function<void(double)>& moved,
                       const std::atomic<bool>& cancel, std::string& err)
{
    FrameSampler sampler(RecordingSlides::kSampleWidth);
    if (!sampler.Open(rec_.path, err))
        return false;
    std::unique_ptr<ProjectedSlide> projected;
    std::unique_ptr<CameraShake> shake;
    SlidePicture compare;
    compare.SetTolerant(true);  // the shake is followed to a fraction of a pixel
    // ref: the slide as the frames showed it where nothing hid it, made
    // only of what was seen clearly (at first the room's picture, in
    // which no one passing shows); known: the part of it the still open
    // has shown.
    // stale: the looks for which each pixel has been hidden by the same.
    cv::Mat ref, known, stale, lastHidden;
    std::optional<Seen> pending;
    RecordingSlides::Still run;
    bool open = false;
    std::vector<Seen> seen;
    size_t looked = 0, seenEvery = 1;
    // The frames seen that show each pixel of look in at least a few of
    // them, as far as they can: the one that hides least first, then each
    // time the one that shows most of what too few have shown yet.
    const auto clearest = [&](const cv::Mat& look) {
        std::vector<cv::Mat> shows;
        for (const Seen& s : seen)
            shows.push_back(~ProjectedSlide::InFront(look, s.look));
        cv::Mat shown = cv::Mat::zeros(look.size(), CV_8U);
        std::vector<ClearFrame> chosen;
        std::vector<bool> taken(seen.size(), false);
        while (chosen.size() < std::min(kClearest, seen.size())) {
            const cv::Mat wanted = shown < kShownEnough;
            size_t best = 0;
            int most = -1;
            for (size_t i = 0; i < seen.size(); ++i)
                if (!taken[i])
                    if (const int n = cv::countNonZero(shows[i] & wanted); n > most)
                        std::tie(most, best) = std::pair {n, i};
            taken[best] = true;
            cv::add(shown, shows[best] / 255, shown);
            chosen.push_back({seen[best].time, seen[best].shift});
        }
        std::sort(chosen.begin(), chosen.end(), [](const ClearFrame& a, const ClearFrame& b) { return a.time < b.time; });
        return chosen;
    };
    const auto close = [&] {
        if (open && run.to - run.from + options_.step >= options_.minDwell - 1e-6) {
            std::vector<cv::Mat> looks, hidden;
            for (const Seen& s : seen) {
                looks.push_back(s.look);
                hidden.push_back(s.hidden);
            }
            run.look = MedianOf(looks, hidden);
            run.unseen = ~known;
            ref.copyTo(run.look, run.unseen);  // as known before, not as what hid it
            run.clear = clearest(run.look);
            out.push_back(run);
        }
        open = false;
        seen.clear();
    };
    // A still from s on: what hides the slide in it stays as it was known
    // before, and unknown.
    const auto start = [&](const Seen& s) {
        close();
        run = {};
        run.from = run.to = s.time;
        s.look.copyTo(ref, ~s.hidden);
        known = ~s.hidden;
        stale = cv::Mat::zeros(ref.size(), CV_8U);
        lastHidden = s.hidden.clone();
        seen = {s};
        looked = 0;
        seenEvery = 1;
        open = true;
    };
    // What hides the same part of the slide a while is the slide (it
    // changed behind someone standing before it, or someone stood there
    // from the start); someone walking by is not: the part hidden grows
    // where they go.
    const auto settle = [&](const Seen& s) {
        const cv::Mat& hidden = s.hidden;
        stale.setTo(0, ~hidden);
        cv::Mat parts;
        const int n = cv::connectedComponents(hidden, parts, 8, CV_32S);
        std::vector<int> area(static_cast<size_t>(n), 0), grown(static_cast<size_t>(n), 0);
        for (int y = 0; y < parts.rows; ++y)
            for (int x = 0; x < parts.cols; ++x) {
                const auto p = static_cast<size_t>(parts.at<int>(y, x));
                ++area[p];
                grown[p] += lastHidden.at<uchar>(y, x) == 0;
            }
        for (int y = 0; y < parts.rows; ++y)
            for (int x = 0; x < parts.cols; ++x) {
                const auto p = static_cast<size_t>(parts.at<int>(y, x));
                uchar& st = stale.at<uchar>(y, x);
                if (p != 0)
                    st = grown[p] > kHiddenMoved * area[p] ? 0 : static_cast<uchar>(std::min(255, st + 1));
            }
        lastHidden = hidden;
        const cv::Mat settled = stale >= kStale;
        s.look.copyTo(ref, settled);
        known |= settled;
        stale.setTo(0, settled);
    };
    sampler.SetColour(true);  // a laser's dot is told by its colour
    cv::Mat grey, pointer, pendingMarks;
    // The edge of the slide: where someone leaving it shows in a sliver
    // too thin to tell, and the corners found may be a pixel off.
    cv::Mat edge;
    const bool ran = sampler.Stretch(
        0, rec_.duration + 1, options_.step,
        [&](double t, const cv::Mat& frame) {
            cv::cvtColor(frame, grey, cv::COLOR_BGR2GRAY);
            if (!projected) {
                const std::vector<cv::Point2f> corners = inPixels(rec_.corners, grey.size());
                const cv::Size size(kFine * SlidePicture::kWidth, kFine * SlidePicture::kHeight);
                projected = std::make_unique<ProjectedSlide>(corners, size);
                edge = cv::Mat(size, CV_8U, cv::Scalar(255));
                const int ex = static_cast<int>(kEdge * size.width), ey = static_cast<int>(kEdge * size.height);
                edge(cv::Rect(ex, ey, size.width - 2 * ex, size.height - 2 * ey)).setTo(0);
                if (rec_.room.size() == grey.size()) {
                    shake = std::make_unique<CameraShake>(rec_.room, corners);
                    ref = projected->Look(rec_.room);
                }
            }
            Seen now {t, {}, {}, {}};
            if (shake)
                shake->Shift(grey, now.shift);
            now.look = projected->Look(frame, now.shift, &pointer);
            if (ref.empty())
                ref = now.look.clone();
            now.hidden = ProjectedSlide::InFront(ref, now.look) | pointer;
            const double hiddenShare = cv::countNonZero(now.hidden) / static_cast<double>(now.hidden.total());
            if (hiddenShare > kMostlyHidden) {
                // The camera turned away, or someone right before it: no
                // still.
                pending.reset();
                close();
                return true;
            }
            if (!open) {
                start(now);
                return true;
            }
            // What differs where the still has shown the slide and nothing
            // hides it now, as a share of that. (The edges of someone
            // moving in front show beside where they are hidden.)
            cv::Mat unseen;
            cv::dilate(now.hidden, unseen, cv::getStructuringElement(cv::MORPH_RECT, {kNearHidden, kNearHidden}));
            unseen |= ~known | edge;
            const double shown = 1 - cv::countNonZero(unseen) / static_cast<double>(unseen.total());
            compare.SetIgnored(unseen);
            const double differ = shown > 0 ? compare.Differ(ref, now.look) / shown : 0;
            // And small changes that stay where they are (a number
            // changed; a laser's dot, told by its colour, hides the slide).
            compare.SetIgnored(unseen);
            const cv::Mat marks = compare.Marks(ref, now.look);
            const bool marked = cv::countNonZero(marks) >= kSmallChange;
            if (differ >= kCameraStill || marked) {
                // A change that stays (not someone stepping in at the edge).
                if (pending && (differ >= kCameraStill || cv::countNonZero(marks & pendingMarks) >= kSmallChange / 2)) {
                    Tav_DebugLog("Slides from recording: the slide changed at " + std::to_string(pending->time)
                                 + " s, " + std::to_string(differ));
                    start(*pending);
                    pending.reset();
                    return true;
                }
                pending = now;
                // (Where the camera shakes it may show a pixel or two off.)
                cv::dilate(marks, pendingMarks, cv::getStructuringElement(cv::MORPH_RECT, {5, 5}));
                return true;
            }
            pending.reset();
            run.to = t;
            now.look.copyTo(ref, ~now.hidden);
            known |= ~now.hidden;
            settle(now);
            if (++looked % seenEvery == 0)
                seen.push_back(now);
            if (seen.size() == kSeenMost) {  // every other one, and half as many from now on
                for (size_t i = 1; i < kSeenMost / 2; ++i)
                    seen[i] = std::move(seen[2 * i]);
                seen.resize(kSeenMost / 2);
                seenEvery *= 2;
            }
            return true;
        },
        [&](double t) { moved(t / std::max(rec_.duration, 1.0)); }, cancel, err);
    close();
    return ran;
}

bool CameraStills::Picture(const RecordingFound& rec, const FoundSlide& slide, FrameSampler& sampler, cv::Mat& bgra,
                           std::string& err)
{
    std::vector<ClearFrame> clear = slide.clear;
    if (clear.empty())
        clear.push_back({(slide.from + slide.to) / 2, {}});
    std::vector<double> times;
    for (const ClearFrame& c : clear)
        times.push_back(c.time);
    std::vector<cv::Mat> frames;
    if (!sampler.ColourFramesAt(times, frames, err))
        return false;
    const cv::Size full = frames.front().size();
    const std::vector<cv::Point2f> corners = inPixels(rec.corners, full);
    const cv::Size size = ProjectedSlide::Straightened(corners);
    // The frames were looked at scaled down to RecordingSlides::kSampleWidth: their shifts
    // at the recording's resolution.
    const float scale = static_cast<float>(full.width) / static_cast<float>(std::min(RecordingSlides::kSampleWidth, full.width));
    std::vector<cv::Mat> hidden;
    for (size_t i = 0; i < frames.size(); ++i) {
        cv::Mat straight, grey;
        cv::warpPerspective(frames[i], straight, ProjectedSlide::Into(corners, size, clear[i].shift * scale), size,
                            cv::INTER_CUBIC, cv::BORDER_REPLICATE);
        frames[i] = straight;
        if (slide.look.empty())
            continue;
        // What hides the slide in this frame, at the picture's size.
        cv::cvtColor(straight, grey, cv::COLOR_BGRA2GRAY);
        cv::Mat h;
        cv::resize(ProjectedSlide::InFront(slide.look, ProjectedSlide::LookOf(grey, slide.look.size())), h, size, 0, 0,
                   cv::INTER_NEAREST);
        hidden.push_back(h);
    }
    bgra = MedianOf(frames, hidden);
    return true;
}

}  // namespace pellucor
