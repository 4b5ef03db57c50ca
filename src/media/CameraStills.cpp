#include "media/CameraStills.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include <opencv2/imgproc.hpp>

#include "core/DebugLog.h"
#include "media/CameraShake.h"
#include "media/FrameSampler.h"
#include "media/PictureMedian.h"
#include "media/ProjectedSlide.h"

namespace pellucor {

namespace {

constexpr double kCameraStill = 0.003;  // share of the look that may differ within a still stretch
constexpr double kMostlyHidden = 0.5;   // share of a look hidden that shows no slide
constexpr double kEdge = 0.02;          // share of the slide's width and height at its edges left out of comparing
constexpr int kNearHidden = 21;         // pixels across what is left out of comparing around what hides the slide
constexpr int kShaken = 5;              // pixels across the place a small change may show at in the next look
constexpr int kStale = 25;              // looks after which what keeps hiding the same part of a slide is taken as it
constexpr double kHiddenMoved = 0.01;   // share of a hidden part new in a look when someone moves at all
constexpr size_t kSeenMost = 32;        // looks of a still kept for its look and clear frames
constexpr size_t kClearest = 7;         // frames a slide's picture is made from
constexpr int kShownEnough = 3;         // of those, how many are to show each pixel

std::vector<cv::Point2f> inPixels(const std::vector<cv::Point2f>& corners, cv::Size size)
{
    std::vector<cv::Point2f> px;
    for (const cv::Point2f& c : corners)
        px.emplace_back(c.x * static_cast<float>(size.width), c.y * static_cast<float>(size.height));
    return px;
}

cv::Mat square(int side) { return cv::getStructuringElement(cv::MORPH_RECT, {side, side}); }

}  // namespace

CameraStills::CameraStills(const RecordingFound& rec, const RecordingSlidesOptions& options)
    : rec_(rec), options_(options)
{
    compare_.SetTolerant(true);  // the shake is followed to a fraction of a pixel
}

CameraStills::~CameraStills() = default;

bool CameraStills::Run(std::vector<RecordingSlides::Still>& out, const std::function<void(double)>& moved,
                       const std::atomic<bool>& cancel, std::string& err)
{
    FrameSampler sampler(RecordingSlides::kSampleWidth);
    if (!sampler.Open(rec_.path, err))
        return false;
    sampler.SetColour(true);  // a laser's dot is told by its colour
    out_ = &out;
    const bool ran = sampler.Stretch(
        0, rec_.duration + 1, options_.step,
        [&](double t, const cv::Mat& grey) {
            frame(t, grey, sampler.Colour());
            return true;
        },
        [&](double t) { moved(t / std::max(rec_.duration, 1.0)); }, cancel, err);
    close();
    return ran;
}

void CameraStills::firstFrame(const cv::Mat& grey)
{
    const std::vector<cv::Point2f> corners = inPixels(rec_.corners, grey.size());
    const cv::Size size(kFine * SlidePicture::kWidth, kFine * SlidePicture::kHeight);
    projected_ = std::make_unique<ProjectedSlide>(corners, size);
    // Where someone leaving the slide shows in a sliver too thin to tell,
    // and the corners found may be a pixel off.
    edge_ = cv::Mat(size, CV_8U, cv::Scalar(255));
    const int ex = static_cast<int>(kEdge * size.width), ey = static_cast<int>(kEdge * size.height);
    edge_(cv::Rect(ex, ey, size.width - 2 * ex, size.height - 2 * ey)).setTo(0);
    if (rec_.room.size() == grey.size()) {
        shake_ = std::make_unique<CameraShake>(rec_.room, corners);
        ref_ = projected_->Look(rec_.room);
    }
}

void CameraStills::frame(double time, const cv::Mat& grey, const cv::Mat& bgr)
{
    if (!projected_)
        firstFrame(grey);
    Seen now {time, {}, {}, {}};
    if (shake_)
        shake_->Shift(grey, now.shift);
    now.look = projected_->Look(grey, now.shift);
    if (ref_.empty())
        ref_ = now.look.clone();
    now.hidden = ProjectedSlide::InFront(ref_, now.look) | projected_->Pointer(bgr, now.shift, now.look);
    if (cv::countNonZero(now.hidden) > kMostlyHidden * static_cast<double>(now.hidden.total())) {
        // Someone right before the camera, or it turned away: this look
        // tells nothing. The still stays open, so that what it showed
        // before is what the next looks are compared with (a still begun
        // anew would take what the slide shows as it comes out from
        // behind them as its own, even when it changed meanwhile).
        pending_.reset();
    } else if (!open_) {
        start(now);
    } else if (!differs(now)) {
        keep(std::move(now));
    }
}

bool CameraStills::differs(const Seen& now)
{
    // What differs where the still has shown the slide and nothing hides
    // it now, as a share of that (the edges of someone moving in front
    // show beside where they are hidden), and small changes that stay
    // where they are (a number changed; a laser's dot hides the slide).
    cv::Mat unseen;
    cv::dilate(now.hidden, unseen, square(kNearHidden));
    unseen |= ~known_ | edge_;
    const double shown = 1 - cv::countNonZero(unseen) / static_cast<double>(unseen.total());
    compare_.SetIgnored(unseen);
    const double differ = shown > 0 ? compare_.Differ(ref_, now.look) / shown : 0;
    const cv::Mat marks = compare_.Marks(ref_, now.look);
    if (differ < kCameraStill && cv::countNonZero(marks) < kSmallChange) {
        pending_.reset();
        return false;
    }
    // A change that stays (not someone stepping in at the edge).
    if (pending_ && (differ >= kCameraStill || cv::countNonZero(marks & pendingMarks_) >= kSmallChange / 2)) {
        Tav_DebugLog("Slides from recording: the slide changed at " + std::to_string(pending_->time) + " s, "
                     + std::to_string(differ));
        start(*pending_);
        pending_.reset();
        return true;
    }
    pending_ = now;
    cv::dilate(marks, pendingMarks_, square(kShaken));
    return true;
}

void CameraStills::start(const Seen& s)
{
    // What hides the slide in s stays as it was known before, and
    // unknown.
    close();
    run_ = {};
    run_.from = run_.to = s.time;
    s.look.copyTo(ref_, ~s.hidden);
    known_ = ~s.hidden;
    stale_ = cv::Mat::zeros(ref_.size(), CV_8U);
    lastHidden_ = s.hidden.clone();
    seen_ = {s};
    looked_ = 0;
    seenEvery_ = 1;
    open_ = true;
}

void CameraStills::keep(Seen now)
{
    run_.to = now.time;
    now.look.copyTo(ref_, ~now.hidden);
    known_ |= ~now.hidden;
    settle(now);
    if (++looked_ % seenEvery_ == 0)
        seen_.push_back(std::move(now));
    if (seen_.size() == kSeenMost) {  // every other one, and half as many from now on
        for (size_t i = 1; i < kSeenMost / 2; ++i)
            seen_[i] = std::move(seen_[2 * i]);
        seen_.resize(kSeenMost / 2);
        seenEvery_ *= 2;
    }
}

void CameraStills::settle(const Seen& s)
{
    // It changed behind someone standing before it, or someone stood there
    // from the start. Someone walking by is not: the part hidden grows
    // where they go.
    const cv::Mat& hidden = s.hidden;
    stale_.setTo(0, ~hidden);
    cv::Mat parts;
    const int n = cv::connectedComponents(hidden, parts, 8, CV_32S);
    std::vector<int> area(static_cast<size_t>(n), 0), grown(static_cast<size_t>(n), 0);
    for (int y = 0; y < parts.rows; ++y)
        for (int x = 0; x < parts.cols; ++x) {
            const auto p = static_cast<size_t>(parts.at<int>(y, x));
            ++area[p];
            grown[p] += lastHidden_.at<uchar>(y, x) == 0;
        }
    for (int y = 0; y < parts.rows; ++y)
        for (int x = 0; x < parts.cols; ++x) {
            const auto p = static_cast<size_t>(parts.at<int>(y, x));
            uchar& st = stale_.at<uchar>(y, x);
            if (p != 0)
                st = grown[p] > kHiddenMoved * area[p] ? 0 : static_cast<uchar>(std::min(255, st + 1));
        }
    lastHidden_ = hidden;
    const cv::Mat settled = stale_ >= kStale;
    s.look.copyTo(ref_, settled);
    known_ |= settled;
    stale_.setTo(0, settled);
}

void CameraStills::close()
{
    if (open_ && run_.to - run_.from + options_.step >= options_.minDwell - 1e-6) {
        std::vector<cv::Mat> looks, hidden;
        for (const Seen& s : seen_) {
            looks.push_back(s.look);
            hidden.push_back(s.hidden);
        }
        run_.look = MedianOf(looks, hidden);
        run_.unseen = ~known_;
        ref_.copyTo(run_.look, run_.unseen);  // as known before, not as what hid it
        run_.clear = clearest(run_.look);
        out_->push_back(run_);
    }
    open_ = false;
    seen_.clear();
}

std::vector<ClearFrame> CameraStills::clearest(const cv::Mat& look) const
{
    // The frames seen that show each pixel of look in at least a few of
    // them, as far as they can: the one that hides least first, then each
    // time the one that shows most of what too few have shown yet.
    std::vector<cv::Mat> shows;
    for (const Seen& s : seen_)
        shows.push_back(~ProjectedSlide::InFront(look, s.look));
    cv::Mat shown = cv::Mat::zeros(look.size(), CV_8U);
    std::vector<ClearFrame> chosen;
    std::vector<bool> taken(seen_.size(), false);
    while (chosen.size() < std::min(kClearest, seen_.size())) {
        const cv::Mat wanted = shown < kShownEnough;
        size_t best = 0;
        int most = -1;
        for (size_t i = 0; i < seen_.size(); ++i)
            if (!taken[i])
                if (const int n = cv::countNonZero(shows[i] & wanted); n > most)
                    std::tie(most, best) = std::pair {n, i};
        taken[best] = true;
        cv::add(shown, shows[best] / 255, shown);
        chosen.push_back({seen_[best].time, seen_[best].shift});
    }
    std::sort(chosen.begin(), chosen.end(), [](const ClearFrame& a, const ClearFrame& b) { return a.time < b.time; });
    return chosen;
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
    // The shifts were found in the frames scaled down to be looked at.
    const float scale
        = static_cast<float>(full.width) / static_cast<float>(std::min(RecordingSlides::kSampleWidth, full.width));
    std::vector<cv::Mat> hidden;
    for (size_t i = 0; i < frames.size(); ++i) {
        cv::Mat straight, grey, h;
        cv::warpPerspective(frames[i], straight, ProjectedSlide::Into(corners, size, clear[i].shift * scale), size,
                            cv::INTER_CUBIC, cv::BORDER_REPLICATE);
        frames[i] = straight;
        if (slide.look.empty())
            continue;
        // What hides the slide in this frame, at the picture's size.
        cv::cvtColor(straight, grey, cv::COLOR_BGRA2GRAY);
        cv::resize(ProjectedSlide::InFront(slide.look, ProjectedSlide::LookOf(grey, slide.look.size())), h, size, 0,
                   0, cv::INTER_NEAREST);
        hidden.push_back(h);
    }
    bgra = MedianOf(frames, hidden);
    return true;
}

}  // namespace pellucor
