#include "media/ProjectedSlide.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "media/SlidePicture.h"

namespace pellucor {

namespace {

constexpr double kSmallestLight = 0.1;   // share of the frame the light area takes at least
constexpr double kEdgeStep = 0.005;   // steps, as shares of the slide's height or width, an edge is grown by
constexpr double kEdgeGrowth = 0.35;   // share an edge is grown by at most
constexpr double kBandApart = 12;       // levels of colour a band at the edge stands apart from the room by
constexpr int kEdgeSamples = 96;        // points along an edge looked at
constexpr int kLookBackground = 225;  // grey level the background of a look is brought to
constexpr double kBackgroundShare = 0.85;  // share of a look darker than its background
constexpr int kHiddenBy = 40;       // grey levels a hidden pixel differs by
constexpr int kHidingWidth = 7;   // pixels across the thinnest part of what hides the slide
constexpr int kHidingHeight = 25; // and at least as tall: taller than a line of text
constexpr int kPointerColour = 150;      // levels between a pixel's strongest and weakest colour in a laser's dot
constexpr int kBrighterThanSlide = 250;  // grey level of a look brighter than the slide's background
constexpr int kPointerMargin = 5;        // pixels across the blurred edge around a pointer
constexpr int kAroundFlat = 21;    // pixels of a look across the part whose flat pixels tell its background
constexpr int kInFrontWidth = 5;   // pixels across the thinnest part of someone in front
constexpr int kInFrontMargin = 9;  // pixels around it that its blurred edge may reach

// The colour (each channel's median) along the line from a to b, less
// its ends; false when it lies out of the picture.
bool colourAlong(const cv::Mat& room, cv::Point2f a, cv::Point2f b, cv::Vec3d& colour)
{
    std::array<std::vector<uchar>, 3> v;
    for (int i = 0; i < kEdgeSamples; ++i) {
        const float f = 0.1f + 0.8f * static_cast<float>(i) / (kEdgeSamples - 1);
        const cv::Point p(cvRound(a.x + f * (b.x - a.x)), cvRound(a.y + f * (b.y - a.y)));
        if (p.x >= 0 && p.y >= 0 && p.x < room.cols && p.y < room.rows)
            for (int ch = 0; ch < 3; ++ch)
                v[static_cast<size_t>(ch)].push_back(room.at<cv::Vec3b>(p)[ch]);
    }
    if (v[0].size() < kEdgeSamples / 2)
        return false;
    for (int ch = 0; ch < 3; ++ch) {
        std::vector<uchar>& c = v[static_cast<size_t>(ch)];
        std::nth_element(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(c.size() / 2), c.end());
        colour[ch] = c[c.size() / 2];
    }
    return true;
}

// Grows the edge from corner i to the next outward along the sides
// beside it while the band it passes over stands apart from the room (a
// title bar darker than the slide, of a colour the room has not).
void grow(const cv::Mat& room, const cv::Vec3d& roomColour, std::vector<cv::Point2f>& c, size_t i)
{
    const size_t j = (i + 1) % 4, bi = (i + 3) % 4, bj = (i + 2) % 4;
    const cv::Point2f a = c[i], b = c[j], da = c[i] - c[bi], db = c[j] - c[bj];
    double reached = 0;
    for (double s = kEdgeStep; s <= kEdgeGrowth; s += kEdgeStep) {
        const auto f = static_cast<float>(s);
        cv::Vec3d colour;
        if (!colourAlong(room, a + f * da, b + f * db, colour) || cv::norm(colour - roomColour) < kBandApart)
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
    cv::Mat colour, soft, light;
    cv::GaussianBlur(room, colour, {5, 5}, 0);
    cv::cvtColor(colour, soft, cv::COLOR_BGR2GRAY);
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
    const cv::Scalar roomColour = cv::mean(colour, rest);
    for (size_t i = 0; i < 4; ++i)
        grow(colour, {roomColour[0], roomColour[1], roomColour[2]}, c, i);
    corners = c;
    return true;
}

ProjectedSlide::ProjectedSlide(const std::vector<cv::Point2f>& corners, cv::Size lookSize)
    : corners_(corners), lookSize_(lookSize)
{
}

cv::Mat ProjectedSlide::Into(const std::vector<cv::Point2f>& corners, cv::Size to, cv::Point2f shift)
{
    std::vector<cv::Point2f> from;
    for (const cv::Point2f& c : corners)
        from.push_back(c + shift);
    const std::vector<cv::Point2f> rect {{0, 0},
                                         {static_cast<float>(to.width), 0},
                                         {static_cast<float>(to.width), static_cast<float>(to.height)},
                                         {0, static_cast<float>(to.height)}};
    return cv::getPerspectiveTransform(from, rect);
}

cv::Size ProjectedSlide::Straightened(const std::vector<cv::Point2f>& c)
{
    return {static_cast<int>(std::lround(std::max(length(c[0], c[1]), length(c[3], c[2])))),
            static_cast<int>(std::lround(std::max(length(c[0], c[3]), length(c[1], c[2]))))};
}

cv::Mat ProjectedSlide::Look(const cv::Mat& grey, cv::Point2f shift) const
{
    // Straightened at twice the size where the look is smaller than the
    // slide in the frame, so that each pixel of it is the mean of those
    // it covers.
    const int over = Straightened(corners_).width > lookSize_.width ? 2 : 1;
    const cv::Size size = lookSize_ * over;
    cv::Mat big;
    cv::warpPerspective(grey, big, Into(corners_, size, shift), size, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    return LookOf(big, lookSize_);
}

cv::Mat ProjectedSlide::Pointer(const cv::Mat& bgr, cv::Point2f shift, const cv::Mat& look) const
{
    // A laser's dot: of a strong colour, or brighter than the slide.
    cv::Mat straight;
    cv::warpPerspective(bgr, straight, Into(corners_, lookSize_, shift), lookSize_, cv::INTER_LINEAR,
                        cv::BORDER_REPLICATE);
    std::vector<cv::Mat> ch;
    cv::split(straight, ch);
    const cv::Mat strong = cv::max(cv::max(ch[0], ch[1]), ch[2]) - cv::min(cv::min(ch[0], ch[1]), ch[2]);
    cv::Mat pointer = (strong > kPointerColour) | (look > kBrighterThanSlide);
    const int margin = kPointerMargin * std::max(1, look.cols / SlidePicture::kWidth);
    cv::dilate(pointer, pointer, cv::getStructuringElement(cv::MORPH_RECT, {margin, margin}));
    return pointer;
}

cv::Mat ProjectedSlide::LookOf(const cv::Mat& straight, cv::Size size)
{
    cv::Mat look;
    cv::resize(straight, look, size, 0, 0, size.width < straight.cols ? cv::INTER_AREA : cv::INTER_LINEAR);
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

cv::Mat ProjectedSlide::InFront(const cv::Mat& ref, const cv::Mat& look)
{
    // Told at the size of a SlidePicture look: what stands in front is
    // large.
    const cv::Size small {SlidePicture::kWidth, SlidePicture::kHeight};
    if (look.size() != small) {
        cv::Mat a, b, in;
        cv::resize(ref, a, small, 0, 0, cv::INTER_AREA);
        cv::resize(look, b, small, 0, 0, cv::INTER_AREA);
        cv::resize(InFront(a, b), in, look.size(), 0, 0, cv::INTER_NEAREST);
        return in;
    }
    // What hides the slide is flat where it is, and of another light than
    // the flat parts of the slide around (its background, or the title
    // bar a title is written on). Told both ways: someone may stand in
    // the reference, gone from the look.
    const auto background = [](const cv::Mat& m, const cv::Mat& flat) {
        cv::Mat f, w, sum, weight;
        m.convertTo(f, CV_32F);
        flat.convertTo(w, CV_32F, 1.0 / 255);
        cv::blur(f.mul(w), sum, {kAroundFlat, kAroundFlat});
        cv::blur(w, weight, {kAroundFlat, kAroundFlat});
        cv::Mat level = sum / cv::max(weight, 1e-3);
        f.copyTo(level, weight < 1e-3);
        return level;
    };
    const cv::Mat flatRef = SlidePicture::Flat(ref), flatLook = SlidePicture::Flat(look);
    cv::Mat r, l;
    ref.convertTo(r, CV_32F);
    look.convertTo(l, CV_32F);
    cv::Mat in = (flatLook & (cv::abs(l - background(ref, flatRef)) > kHiddenBy))
        | (flatRef & (cv::abs(r - background(look, flatLook)) > kHiddenBy));
    cv::morphologyEx(in, in, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, {kInFrontWidth, kInFrontWidth}));
    cv::dilate(in, in, cv::getStructuringElement(cv::MORPH_RECT, {kInFrontMargin, kInFrontMargin}));
    return in;
}

}  // namespace pellucor
