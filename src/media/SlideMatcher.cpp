#include "media/SlideMatcher.h"

#include <algorithm>
#include <cmath>

#include <opencv2/calib3d.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

namespace pellucor {

namespace {

constexpr int kCompareWidth = 256;  // width of the pictures compared
constexpr int kFeatureWidth = 640;  // width of the slides whose features are matched
constexpr int kSlideFeatures = 600;
constexpr int kFrameFeatures = 1500;
constexpr int kMinInliers = 10;        // pairs of features that make a placement
constexpr int kStrongInliers = 40;     // pairs that make a placement beyond doubt
constexpr int kPlacementsWanted = 3;   // as many of those are enough
constexpr double kPlainlySeen = 0.75;  // likeness at which the whole frame is taken as it is
constexpr double kExactlySeen = 0.9;   // likeness that needs no finer alignment
constexpr int kAlignWidth = 320;       // width of the slide aligned finely

// Fractions of a w x h picture -> its pixels.
cv::Matx33d pixels(double w, double h) { return {w, 0, 0, 0, h, 0, 0, 0, 1}; }

std::vector<cv::Point2f> unitCorners() { return {{0, 0}, {1, 0}, {1, 1}, {0, 1}}; }

// A placement worth trying: the slide's corners land inside (or near) the
// frame, in order, covering a fair part of it.
bool plausible(const cv::Matx33d& placement)
{
    std::vector<cv::Point2f> c;
    cv::perspectiveTransform(unitCorners(), c, cv::Mat(placement));
    for (const auto& p : c)
        if (p.x < -0.1f || p.y < -0.1f || p.x > 1.1f || p.y > 1.1f)
            return false;
    std::vector<cv::Point2f> hull;
    cv::convexHull(c, hull);
    return hull.size() == 4 && cv::contourArea(c) > 0.04;
}

}  // namespace

SlideMatcher::SlideMatcher(const std::vector<cv::Mat>& slides) : placement_(cv::Matx33d::eye())
{
    if (slides.empty())
        return;
    const cv::Mat& first = slides.front();
    size_
        = {kCompareWidth, std::max(16, static_cast<int>(std::lround(kCompareWidth * first.rows / double(first.cols))))};
    refs_.create(static_cast<int>(slides.size()), size_.area(), CV_32F);
    for (size_t i = 0; i < slides.size(); ++i) {
        cv::Mat small;
        cv::resize(slides[i], small, size_, 0, 0, cv::INTER_AREA);
        describe(small).reshape(1, 1).copyTo(refs_.row(static_cast<int>(i)));
        const double scale = kFeatureWidth / double(slides[i].cols);
        cv::Mat big;
        cv::resize(slides[i], big, {}, scale, scale, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
        slides_.push_back({big, {}, {}, false});
    }
}

const SlideMatcher::Features& SlideMatcher::features(size_t slide)
{
    Features& f = slides_[slide];
    if (!f.found) {
        std::vector<cv::KeyPoint> keys;
        cv::SIFT::create(kSlideFeatures)->detectAndCompute(f.picture, cv::noArray(), keys, f.desc);
        for (const auto& k : keys)
            f.pts.emplace_back(k.pt.x / f.picture.cols, k.pt.y / f.picture.rows);
        f.found = true;
    }
    return f;
}

cv::Mat SlideMatcher::describe(const cv::Mat& grey) const
{
    cv::Mat f, low;
    grey.convertTo(f, CV_32F);
    // Band-pass: without the slow changes of light across the picture, and
    // without the finest detail, where blur and noise differ most.
    cv::GaussianBlur(f, low, {0, 0}, size_.width / 32.0);
    f -= low;
    cv::GaussianBlur(f, f, {0, 0}, 1.0);
    f -= cv::mean(f)[0];
    const double norm = cv::norm(f);
    if (norm > 1e-6)
        f /= norm;
    return f;
}

cv::Mat SlideMatcher::straighten(const cv::Mat& frame, const cv::Matx33d& placement, cv::Size size, cv::Rect part) const
{
    if (part.empty())
        part = {{0, 0}, size};
    // Compared picture -> slide fractions -> frame fractions -> frame pixels.
    const cv::Matx33d toFrame = pixels(frame.cols, frame.rows) * placement * pixels(1.0 / size.width, 1.0 / size.height)
        * cv::Matx33d(1, 0, part.x, 0, 1, part.y, 0, 0, 1);
    // Where the slide spans many more frame pixels than are compared, the
    // frame is smoothed first so that fine detail does not alias.
    std::vector<cv::Point2f> c;
    cv::perspectiveTransform(unitCorners(), c, cv::Mat(pixels(frame.cols, frame.rows) * placement));
    const double span = std::max(cv::norm(c[1] - c[0]), cv::norm(c[2] - c[3])) / size.width;
    cv::Mat src = frame;
    if (span > 1.3)
        cv::GaussianBlur(frame, src, {0, 0}, 0.45 * span);
    cv::Mat out;
    cv::warpPerspective(src, out, cv::Mat(toFrame), part.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                        cv::BORDER_REPLICATE);
    return out;
}

void SlideMatcher::Score(const cv::Mat& frame, std::vector<float>& scores) const
{
    scores.assign(static_cast<size_t>(refs_.rows), 0.f);
    if (refs_.empty())
        return;
    const cv::Mat d = describe(straighten(frame, placement_, size_)).reshape(1, 1);
    cv::Mat out;
    cv::gemm(refs_, d, 1.0, cv::noArray(), 0.0, out, cv::GEMM_2_T);
    for (int i = 0; i < refs_.rows; ++i)
        scores[static_cast<size_t>(i)] = out.at<float>(i, 0);
}

double SlideMatcher::bestMean(const std::vector<cv::Mat>& frames, const cv::Matx33d& placement) const
{
    double sum = 0;
    for (const cv::Mat& frame : frames) {
        const cv::Mat d = describe(straighten(frame, placement, size_)).reshape(1, 1);
        cv::Mat out;
        cv::gemm(refs_, d, 1.0, cv::noArray(), 0.0, out, cv::GEMM_2_T);
        double best = 0;
        cv::minMaxLoc(out, nullptr, &best);
        sum += best;
    }
    return frames.empty() ? 0 : sum / frames.size();
}

void SlideMatcher::FindPlacement(const std::vector<cv::Mat>& frames)
{
    if (refs_.empty() || frames.empty())
        return;
    // The whole frame, and the slide's proportions centred in it: a screen
    // recording needs no more.
    const cv::Mat& f0 = frames.front();
    const double slideAspect = size_.width / double(size_.height);
    const double frameAspect = f0.cols / double(f0.rows);
    const double fw = std::min(1.0, slideAspect / frameAspect);
    const double fh = std::min(1.0, frameAspect / slideAspect);
    double bestScore = -2;
    const auto consider = [&](const cv::Matx33d& c) {
        const double score = bestMean(frames, c);
        if (score > bestScore) {
            bestScore = score;
            placement_ = c;
        }
    };
    consider(cv::Matx33d::eye());
    consider({fw, 0, (1 - fw) / 2, 0, fh, (1 - fh) / 2, 0, 0, 1});
    if (bestScore >= kPlainlySeen)
        return bestScore >= kExactlySeen ? void() : refine(frames);

    // Else where the features of a slide are found in a frame: the slides
    // most like the frame first, a few placements from different frames.
    // A camera's picture is soft: features of lower contrast count too.
    auto sift = cv::SIFT::create(kFrameFeatures, 3, 0.01);
    int strong = 0;
    for (const cv::Mat& frame : frames) {
        std::vector<cv::KeyPoint> keys;
        cv::Mat desc;
        sift->detectAndCompute(frame, cv::noArray(), keys, desc);
        if (desc.rows < kMinInliers)
            continue;
        cv::FlannBasedMatcher matcher;
        matcher.add(desc);
        matcher.train();
        std::vector<float> scores;
        Score(frame, scores);
        std::vector<size_t> order(scores.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return scores[a] > scores[b]; });
        for (size_t s : order) {
            const Features& f = features(s);
            if (f.desc.rows < kMinInliers)
                continue;
            std::vector<std::vector<cv::DMatch>> knn;
            matcher.knnMatch(f.desc, knn, 2);
            // Unambiguous pairs, the closest one where several slide
            // features point at the same frame feature.
            std::vector<const cv::DMatch*> closest(keys.size(), nullptr);
            for (const auto& m : knn) {
                if (m.size() < 2 || m[0].distance >= 0.8f * m[1].distance)
                    continue;
                const cv::DMatch*& c = closest[static_cast<size_t>(m[0].trainIdx)];
                if (!c || m[0].distance < c->distance)
                    c = &m[0];
            }
            std::vector<cv::Point2f> from, to;
            for (const cv::DMatch* m : closest)
                if (m) {
                    from.push_back(f.pts[static_cast<size_t>(m->queryIdx)]);
                    const cv::Point2f p = keys[static_cast<size_t>(m->trainIdx)].pt;
                    to.emplace_back(p.x / frame.cols, p.y / frame.rows);
                }
            if (static_cast<int>(from.size()) < kMinInliers)
                continue;
            cv::Mat inliers;
            const cv::Mat h = cv::findHomography(from, to, cv::RANSAC, 3.0 / frame.cols, inliers);
            const int n = h.empty() ? 0 : cv::countNonZero(inliers);
            if (n < kMinInliers || !plausible(cv::Matx33d(h)))
                continue;
            consider(cv::Matx33d(h));
            strong += n >= kStrongInliers ? 1 : 0;
        }
        if (strong >= kPlacementsWanted)
            break;
    }
    refine(frames);
}

void SlideMatcher::refine(const std::vector<cv::Mat>& frames)
{
    // The frame where a slide is seen best, and that slide.
    double best = -2;
    size_t frameIdx = 0;
    int slide = 0;
    std::vector<float> scores;
    for (size_t i = 0; i < frames.size(); ++i) {
        Score(frames[i], scores);
        const auto top = std::max_element(scores.begin(), scores.end());
        if (*top > best) {
            best = *top;
            frameIdx = i;
            slide = static_cast<int>(top - scores.begin());
        }
    }
    // Align the slide's picture with the frame, starting from the placement.
    const cv::Mat& frame = frames[frameIdx];
    const Features& f = slides_[static_cast<size_t>(slide)];
    cv::Mat templ;
    const double scale = std::min(1.0, kAlignWidth / double(f.picture.cols));
    cv::resize(f.picture, templ, {}, scale, scale, cv::INTER_AREA);
    cv::Mat warp(pixels(frame.cols, frame.rows) * placement_ * pixels(1.0 / templ.cols, 1.0 / templ.rows));
    warp.convertTo(warp, CV_32F);
    warp /= warp.at<float>(2, 2);
    try {
        cv::findTransformECC(templ, frame, warp, cv::MOTION_HOMOGRAPHY,
                             {cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 40, 1e-4}, cv::noArray(), 5);
    } catch (const cv::Exception&) {
        return;  // no alignment: the placement stays as it is
    }
    cv::Mat w64;
    warp.convertTo(w64, CV_64F);
    const cv::Matx33d refined
        = pixels(1.0 / frame.cols, 1.0 / frame.rows) * cv::Matx33d(w64) * pixels(templ.cols, templ.rows);
    if (plausible(refined) && bestMean(frames, refined) > bestMean(frames, placement_))
        placement_ = refined;
}

SlideVerdict SlideMatcher::TellApart(const cv::Mat& frame, int a, int b)
{
    if (a == b || a < 0 || b < 0 || a >= Count() || b >= Count())
        return {};
    // The slide's size in the frame: its longer sides, at most the size of
    // the slide's picture.
    std::vector<cv::Point2f> c;
    cv::perspectiveTransform(unitCorners(), c, cv::Mat(pixels(frame.cols, frame.rows) * placement_));
    const cv::Mat& first = slides_[static_cast<size_t>(std::min(a, b))].picture;
    const cv::Size shown(
        std::min(first.cols, static_cast<int>(std::lround(std::max(cv::norm(c[1] - c[0]), cv::norm(c[2] - c[3]))))),
        std::min(first.rows, static_cast<int>(std::lround(std::max(cv::norm(c[3] - c[0]), cv::norm(c[2] - c[1]))))));
    std::unique_ptr<SlideDifference>& d = differences_[{std::min(a, b), std::max(a, b)}];
    if (!d || d->Shown() != shown) {
        cv::Mat second;
        cv::resize(slides_[static_cast<size_t>(std::max(a, b))].picture, second, first.size(), 0, 0, cv::INTER_AREA);
        d = std::make_unique<SlideDifference>(first, second, shown);
    }
    SlideVerdict v = d->Visible() ? d->Compare(straighten(frame, placement_, shown, d->Needs())) : SlideVerdict {};
    if (a > b)
        v.lead = -v.lead;
    return v;
}

std::vector<cv::Point2f> SlideMatcher::Corners() const
{
    std::vector<cv::Point2f> c;
    cv::perspectiveTransform(unitCorners(), c, cv::Mat(placement_));
    return c;
}

}  // namespace pellucor
