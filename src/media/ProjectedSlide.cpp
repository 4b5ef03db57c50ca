#include "media/ProjectedSlide.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "media/SlidePicture.h"

namespace pellucor {

namespace {

constexpr double kSmallestLight = 0.1;   // share of the frame the light area takes at least
constexpr double kEdgeStep = 0.005;   // steps, as shares of the slide's height or width, an edge is grown by
constexpr double kEdgeGrowth = 0.35;   // share an edge is grown by at most
constexpr double kBandApart = 5;        // grey levels a band at the edge stands apart from the room by
constexpr int kEdgeSamples = 96;        // points along an edge looked at
constexpr int kLookBackground = 225;  // grey level the background of a look is brought to
constexpr double kBackgroundShare = 0.85;  // share of a look darker than its background
constexpr int kHiddenBy = 40;       // grey levels a hidden pixel differs by
constexpr int kHidingWidth = 7;   // pixels across the thinnest part of what hides the slide
constexpr int kHidingHeight = 25; // and at least as tall: taller than a line of text

double levelAlong(const cv::Mat& room, cv::Point2f a, cv::Point2f b)
{
    std::vector<uchar> v;
    v.reserve(kEdgeSamples);
    for (int i = 0; i < kEdgeSamples; ++i) {
        const float f = 0.1f + 0.8f * static_cast<float>(i) / (kEdgeSamples - 1);
        const cv::Point p(cvRound(a.x + f * (b.x - a.x)), cvRound(a.y + f * (b.y - a.y)));
        if (p.x >= 0 && p.y >= 0 && p.x < room.cols && p.y < room.rows)
            v.push_back(room.at<uchar>(p));
    }
    if (v.size() < kEdgeSamples / 2)
        return -1;  // out of the frame
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Grows the edge from corner i to the next outward along the sides
// beside it while the band it passes over stands apart from the room.
void grow(const cv::Mat& room, double roomLevel, std::vector<cv::Point2f>& c, size_t i)
{
    const size_t j = (i + 1) % 4, bi = (i + 3) % 4, bj = (i + 2) % 4;
    const cv::Point2f a = c[i], b = c[j], da = c[i] - c[bi], db = c[j] - c[bj];
    double reached = 0;
    for (double s = kEdgeStep; s <= kEdgeGrowth; s += kEdgeStep) {
        const auto f = static_cast<float>(s);
        const double level = levelAlong(room, a + f * da, b + f * db);
        if (level < 0 || std::fabs(level - roomLevel) < kBandApart)
            break;
        reached = s;
    }
    if (reached < 2 * kEdgeStep)
        return;
    const auto f = static_cast<float>(reached);
    c[i] = a + f * da;
    c[j] = b + f * db;
}

// Four corners in the order top left, top right, bottom right, bottom left.
std::vector<cv::Point2f> ordered(std::vector<cv::Point2f> c)
{
    cv::Point2f mid(0, 0);
    for (const cv::Point2f& p : c)
        mid += p * 0.25f;
    std::sort(c.begin(), c.end(), [&](const cv::Point2f& p, const cv::Point2f& q) {
        return std::atan2(p.y - mid.y, p.x - mid.x) < std::atan2(q.y - mid.y, q.x - mid.x);
    });
    // From -pi: top left first (the image's y points down).
    return c;
}

double length(cv::Point2f a, cv::Point2f b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

bool ProjectedSlide::Find(const cv::Mat& room, std::vector<cv::Point2f>& corners)
{
    cv::Mat soft, light;
    cv::GaussianBlur(room, soft, {5, 5}, 0);
    cv::threshold(soft, light, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    cv::morphologyEx(light, light, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, {5, 5}));
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(light, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    const auto largest = std::max_element(contours.begin(), contours.end(), [](const auto& a, const auto& b) {
        return cv::contourArea(a) < cv::contourArea(b);
    });
    if (largest == contours.end() || cv::contourArea(*largest) < kSmallestLight * static_cast<double>(room.total()))
        return false;
    std::vector<cv::Point> hull, quad;
    cv::convexHull(*largest, hull);
    const double around = cv::arcLength(hull, true);
    for (double eps = 0.01; eps <= 0.1 && quad.size() != 4; eps += 0.005)
        cv::approxPolyDP(hull, quad, eps * around, true);
    if (quad.size() != 4)
        return false;
    std::vector<cv::Point2f> c;
    for (const cv::Point& p : quad)
        c.emplace_back(static_cast<float>(p.x), static_cast<float>(p.y));
    c = ordered(c);
    // The room: what lies around the light area.
    cv::Mat near;
    cv::dilate(light, near, cv::getStructuringElement(cv::MORPH_RECT, {room.cols / 8 | 1, room.cols / 8 | 1}));
    cv::Mat rest = ~near;
    if (cv::countNonZero(rest) == 0)
        rest = ~light;
    const double roomLevel = cv::mean(soft, rest)[0];
    for (size_t i = 0; i < 4; ++i)
        grow(soft, roomLevel, c, i);
    corners = c;
    return true;
}

ProjectedSlide::ProjectedSlide(const std::vector<cv::Point2f>& corners)
    : toLook_(Into(corners, {2 * SlidePicture::kWidth, 2 * SlidePicture::kHeight}))
{
}

cv::Mat ProjectedSlide::Into(const std::vector<cv::Point2f>& corners, cv::Size to)
{
    const std::vector<cv::Point2f> rect {{0, 0},
                                         {static_cast<float>(to.width), 0},
                                         {static_cast<float>(to.width), static_cast<float>(to.height)},
                                         {0, static_cast<float>(to.height)}};
    return cv::getPerspectiveTransform(corners, rect);
}

cv::Size ProjectedSlide::Straightened(const std::vector<cv::Point2f>& c)
{
    return {static_cast<int>(std::lround(std::max(length(c[0], c[1]), length(c[3], c[2])))),
            static_cast<int>(std::lround(std::max(length(c[0], c[3]), length(c[1], c[2]))))};
}

cv::Mat ProjectedSlide::Look(const cv::Mat& grey) const
{
    cv::Mat big, look;
    cv::warpPerspective(grey, big, toLook_, {2 * SlidePicture::kWidth, 2 * SlidePicture::kHeight}, cv::INTER_LINEAR,
                        cv::BORDER_REPLICATE);
    cv::resize(big, look, {SlidePicture::kWidth, SlidePicture::kHeight}, 0, 0, cv::INTER_AREA);
    cv::GaussianBlur(look, look, {3, 3}, 0);
    // The light of the room and the camera's exposure drift: the
    // background (most of a slide) to a fixed level (not the darkest ink,
    // which someone dark in front would set).
    std::vector<uchar> v(look.begin<uchar>(), look.end<uchar>());
    auto k = v.begin() + static_cast<std::ptrdiff_t>(kBackgroundShare * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), k, v.end());
    look.convertTo(look, CV_8U, kLookBackground / std::max(32.0, static_cast<double>(*k)));
    return look;
}

cv::Mat ProjectedSlide::Hidden(const cv::Mat& ref, const cv::Mat& look)
{
    cv::Mat diff;
    cv::absdiff(ref, look, diff);
    cv::Mat hidden = diff > kHiddenBy;
    cv::morphologyEx(hidden, hidden, cv::MORPH_OPEN,
                     cv::getStructuringElement(cv::MORPH_RECT, {kHidingWidth, kHidingHeight}));
    cv::dilate(hidden, hidden, cv::getStructuringElement(cv::MORPH_RECT, {kHidingWidth, kHidingWidth}));
    return hidden;
}

}  // namespace pellucor
