#include "media/SlideRegion.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include <opencv2/imgproc.hpp>

#include "media/PictureMedian.h"

namespace pellucor {

namespace {

constexpr double kMeetingShare = 0.08;  // share of the frame always moving that makes a meeting layout
constexpr double kNoisyPixel = 1.5;     // mean grey levels by which a pixel of a camera tile flickers
constexpr double kStripMoving = 0.005;  // share of the frame a person moving in a camera strip takes at least
constexpr double kStripWidest = 0.4;    // share of the frame's width or height a camera strip takes at most
constexpr double kSmallestSlide = 0.2;  // share of the frame a slide beside camera tiles takes at least
constexpr int kPadRange = 6;            // grey levels across a row or column of a black bar

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

// The box less the rows and columns at its edges that are not nearly all
// in the still rectangle (parts of a camera tile that keep still for a
// while, joined to it at a corner).
void trimToStill(const cv::Mat& still, cv::Rect& box)
{
    constexpr double kMostly = 0.9;
    const auto full = [&](const cv::Rect& line) {
        return cv::countNonZero(still(line)) >= kMostly * static_cast<double>(line.area());
    };
    while (box.width > 1 && !full({box.x, box.y, 1, box.height}))
        ++box.x, --box.width;
    while (box.width > 1 && !full({box.x + box.width - 1, box.y, 1, box.height}))
        --box.width;
    while (box.height > 1 && !full({box.x, box.y, box.width, 1}))
        ++box.y, --box.height;
    while (box.height > 1 && !full({box.x, box.y + box.height - 1, box.width, 1}))
        --box.height;
}

// A camera strip of a meeting tool in which only a person moves, the room
// behind them still: the moving pixels lie in a band along one side of the
// frame. The slide lies beside it, up to where the picture has the
// strongest straight edge between the band and the middle of the frame.
bool besideStrip(const cv::Mat& moving, const cv::Mat& mean, cv::Rect& box)
{
    cv::Mat solid;
    cv::morphologyEx(moving, solid, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, {5, 5}));
    if (cv::countNonZero(solid) < kStripMoving * static_cast<double>(solid.total()))
        return false;
    const cv::Rect band = cv::boundingRect(solid);
    const cv::Size size = moving.size();
    cv::Mat dx, dy;
    cv::Sobel(mean, dx, CV_32F, 1, 0);
    cv::Sobel(mean, dy, CV_32F, 0, 1);
    // The strongest edge along a column (or row) from `from` towards `to`.
    const auto edge = [&](bool columns, int from, int to) {
        const cv::Mat g = cv::abs(columns ? dx : dy);
        int best = from;
        double strongest = -1;
        for (int i = from; from < to ? i <= to : i >= to; i += from < to ? 1 : -1) {
            const double e = cv::mean(columns ? g.col(i) : g.row(i))[0];
            if (e > strongest)
                std::tie(strongest, best) = std::pair {e, i};
        }
        return best;
    };
    const int reachX = static_cast<int>(kStripWidest * size.width),
              reachY = static_cast<int>(kStripWidest * size.height);
    cv::Rect beside;
    if (band.br().x <= reachX) {
        const int x = edge(true, band.br().x, std::min(size.width / 2, band.br().x + reachX / 2));
        beside = {x + 1, 0, size.width - x - 1, size.height};
    } else if (band.x >= size.width - reachX) {
        const int x = edge(true, band.x, std::max(size.width / 2, band.x - reachX / 2));
        beside = {0, 0, x, size.height};
    } else if (band.y >= size.height - reachY) {
        const int y = edge(false, band.y, std::max(size.height / 2, band.y - reachY / 2));
        beside = {0, 0, size.width, y};
    } else if (band.br().y <= reachY) {
        const int y = edge(false, band.br().y, std::min(size.height / 2, band.br().y + reachY / 2));
        beside = {0, y + 1, size.width, size.height - y - 1};
    } else {
        return false;
    }
    if (beside.area() < kSmallestSlide * static_cast<double>(size.area()))
        return false;
    box = beside;
    return true;
}

}  // namespace

cv::Mat RegionStats::typical(bool colour) const
{
    const std::vector<cv::Mat>& from = colour ? keptColour : kept;
    std::vector<cv::Mat> same;  // of the latest size
    for (const cv::Mat& k : from)
        if (k.size() == from.back().size())
            same.push_back(k);
    return MedianOf(same);
}

RecordingSlides::Placed PlaceSlideIn(const RegionStats& stats, RecordingLayout layout)
{
    RecordingSlides::Placed at;
    // A picture that keeps moving in large parts (a video) has no slide.
    at.unsettled = median(stats.movedShares);
    const cv::Mat share = stats.moved / stats.pairs;
    cv::Mat calm = stats.pairs - stats.moved;
    cv::max(calm, 1, calm);
    const cv::Mat noisy = stats.noise / calm;  // each pixel's mean change while it did not move
    const cv::Mat mean = stats.typical();
    // A camera tile moves or at least flickers all the time; a slide only
    // changes now and then.
    const cv::Mat moving = (share >= kMovingShare) | (noisy > kNoisyPixel);
    at.movingShare = cv::countNonZero(moving) / static_cast<double>(moving.total());
    const cv::Size size = share.size();
    cv::Rect box({}, size);
    if (layout != RecordingLayout::Screen && at.movingShare <= kMeetingShare)
        at.meeting = besideStrip(moving, mean, box);
    if (!at.meeting
        && (layout == RecordingLayout::Meeting
            || (layout == RecordingLayout::Auto && at.movingShare > kMeetingShare))) {
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
            at.meeting = true;
            box = {boxes.at<int>(best, cv::CC_STAT_LEFT), boxes.at<int>(best, cv::CC_STAT_TOP),
                   boxes.at<int>(best, cv::CC_STAT_WIDTH), boxes.at<int>(best, cv::CC_STAT_HEIGHT)};
            trimToStill(labels == best, box);
        }
    }
    trimBars(mean, box, false);
    trimBars(mean, box, true);
    // Sensor noise all over the slide: a camera, not a screen.
    at.noise = cv::mean(noisy(box))[0];
    at.box = box;
    at.size = size;
    at.moving = moving;
    return at;
}

}  // namespace pellucor
