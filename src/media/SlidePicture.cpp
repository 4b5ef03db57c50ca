#include "media/SlidePicture.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

namespace pellucor {

namespace {

constexpr int kChangedBy = 40;           // grey levels a pixel must change by
constexpr double kPointerWidth = 0.08;   // changes at most this share of the width ...
constexpr double kPointerHeight = 0.15;  // ... and of the height are a pointer
constexpr int kFlatRange = 24;           // grey levels within 5x5 pixels of background
constexpr double kBuildShare = 0.9;      // share of a build's change on former background
constexpr double kBoxFill = 0.8;         // share of its bounding box an overlay fills (words fill less)
constexpr int kSolid = 7;                // pixels across the thinnest part of an overlay
constexpr int kEdgeShare = 25;           // 1/this of the width at each side is left out of a row's blankness
constexpr double kInBox = 0.6;           // share of the change an overlay's box holds at least

}  // namespace

cv::Mat SlidePicture::Flat(const cv::Mat& look)
{
    const cv::Mat k = cv::getStructuringElement(cv::MORPH_RECT, {5, 5});
    cv::Mat hi, lo;
    cv::dilate(look, hi, k);
    cv::erode(look, lo, k);
    return (hi - lo) < kFlatRange;
}

cv::Mat SlidePicture::Look(const cv::Mat& grey, const cv::Rect& region)
{
    cv::Mat look;
    cv::resize(grey(region & cv::Rect(0, 0, grey.cols, grey.rows)), look, {kWidth, kHeight}, 0, 0, cv::INTER_AREA);
    cv::GaussianBlur(look, look, {3, 3}, 0);
    return look;
}

cv::Mat SlidePicture::difference(const cv::Mat& a, const cv::Mat& b) const
{
    cv::Mat diff;
    if (!tolerant_) {
        cv::absdiff(a, b, diff);
        return diff;
    }
    // How far each pixel lies outside the range of the other look's pixels
    // around it, either way.
    const cv::Mat k = cv::getStructuringElement(cv::MORPH_RECT, {3, 3});
    const auto outside = [&](const cv::Mat& of, const cv::Mat& from) {
        cv::Mat lo, hi, below, above;
        cv::erode(from, lo, k);
        cv::dilate(from, hi, k);
        cv::subtract(lo, of, below);
        cv::subtract(of, hi, above);
        return cv::Mat(cv::max(below, above));
    };
    cv::max(outside(a, b), outside(b, a), diff);
    return diff;
}

cv::Mat SlidePicture::Marks(const cv::Mat& a, const cv::Mat& b) const
{
    cv::Mat mask = difference(a, b) > kChangedBy;
    if (!ignored_.empty())
        mask.setTo(0, ignored_);
    cv::morphologyEx(mask, mask, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, {2, 2}));
    return mask;
}

bool SlidePicture::Marked(const cv::Mat& a, const cv::Mat& b, int least) const
{
    return cv::countNonZero(Marks(a, b)) >= least;
}

cv::Mat SlidePicture::changed(const cv::Mat& a, const cv::Mat& b) const
{
    cv::Mat mask = difference(a, b) > kChangedBy;
    if (!ignored_.empty())
        mask.setTo(0, ignored_);
    // Letters near each other make one change; a pointer stays small.
    cv::Mat joined;
    cv::dilate(mask, joined, cv::getStructuringElement(cv::MORPH_RECT, {3, 3}));
    cv::Mat labels, stats, centroids;
    const int n = cv::connectedComponentsWithStats(joined, labels, stats, centroids, 8, CV_32S);
    std::vector<uchar> keep(static_cast<size_t>(n), 0);
    for (int i = 1; i < n; ++i)
        keep[static_cast<size_t>(i)] = stats.at<int>(i, cv::CC_STAT_WIDTH) > kPointerWidth * a.cols
            || stats.at<int>(i, cv::CC_STAT_HEIGHT) > kPointerHeight * a.rows;
    for (int y = 0; y < mask.rows; ++y) {
        uchar* m = mask.ptr<uchar>(y);
        const int* l = labels.ptr<int>(y);
        for (int x = 0; x < mask.cols; ++x)
            if (m[x] && !keep[static_cast<size_t>(l[x])])
                m[x] = 0;
    }
    return mask;
}

double SlidePicture::Differ(const cv::Mat& a, const cv::Mat& b) const
{
    return cv::countNonZero(changed(a, b)) / static_cast<double>(a.total());
}

bool SlidePicture::Builds(const cv::Mat& a, const cv::Mat& b) const
{
    const cv::Mat mask = changed(a, b);
    const int all = cv::countNonZero(mask);
    if (all == 0)
        return false;
    // What a build adds lies on rows a shows nothing on (a point of its
    // own): words changed or added beside words already there are an edit.
    // (The edge of the look may show a bit of what lies around the slide.)
    const int margin = a.cols / kEdgeShare;
    cv::Mat blankRows;
    cv::reduce(Flat(a)(cv::Rect(margin, 0, a.cols - 2 * margin, a.rows)), blankRows, 1, cv::REDUCE_MIN);
    cv::Mat onBlank = mask.clone();
    for (int y = 0; y < onBlank.rows; ++y)
        if (!blankRows.at<uchar>(y))
            onBlank.row(y).setTo(0);
    return cv::countNonZero(onBlank) >= kBuildShare * all;
}

bool SlidePicture::Overlay(const cv::Mat& a, const cv::Mat& b, double maxShare) const
{
    const cv::Mat mask = changed(a, b);
    const int all = cv::countNonZero(mask);
    if (all == 0)
        return false;
    // A solid box stays when thin strokes (words, a pointer's outline)
    // are opened away; most of the change must be in it.
    cv::Mat solid;
    cv::morphologyEx(mask, solid, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, {kSolid, kSolid}));
    const int inBox = cv::countNonZero(solid);
    if (inBox < kInBox * all)
        return false;
    const cv::Rect box = cv::boundingRect(solid);
    return box.area() <= maxShare * static_cast<double>(a.total()) && inBox >= kBoxFill * box.area();
}

double SlidePicture::Ink(const cv::Mat& look)
{
    return 1.0 - cv::countNonZero(Flat(look)) / static_cast<double>(look.total());
}

}  // namespace pellucor
