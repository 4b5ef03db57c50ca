// Two slides that differ in one word, told apart in made-up frames: sharp
// or as a camera sees them (blurred, noisy, dimmed, a pixel or two off),
// with the word hidden, someone in front of part of it, and too small to
// show the word at all.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "media/SlideDifference.h"

namespace {
using namespace pellucor;

cv::Mat slide(const char* last)
{
    cv::Mat s(480, 640, CV_8U, cv::Scalar(244));
    s(cv::Rect(0, 0, 640, 92)).setTo(60);
    const char* lines[] = {"Screen recordings: all changes", "Meeting layouts: all changes", last};
    for (int i = 0; i < 3; ++i)
        cv::putText(s, lines[i], {60, 180 + 70 * i}, cv::FONT_HERSHEY_SIMPLEX, 0.9, cv::Scalar(32), 2, cv::LINE_AA);
    return s;
}

struct Case {
    const char* name;
    int width;    // of the slide in the frame (4:3)
    bool second;  // the frame shows the second slide
    bool camera;  // blurred, noisy, dimmed and two pixels off
    bool hidden;  // something dark in front of the word
    int verdict;  // -1: the first, 1: the second, 0: cannot tell, 2: the size cannot show it
    bool beside = false;  // someone dark in front of the word's last letters
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"Second", 360, true, false, false, 1},        {"First", 360, false, false, false, -1},
    {"SecondByCamera", 384, true, true, false, 1}, {"FirstByCamera", 384, false, true, false, -1},
    {"WordHidden", 384, true, true, true, 0},      {"TooSmall", 80, true, false, false, 2},
    {"PartlyHidden", 384, true, true, false, 1, true},
};

class SlideDifferenceTable : public ::testing::TestWithParam<Case> { };

TEST_P(SlideDifferenceTable, TellsWhichSlideTheFrameShows)
{
    const Case& c = GetParam();
    const cv::Mat a = slide("Camera recordings: changes missed"), b = slide("Camera recordings: changes found");
    const cv::Size shown(c.width, c.width * 3 / 4);
    cv::Mat frame;
    cv::resize(c.second ? b : a, frame, shown, 0, 0, cv::INTER_AREA);
    if (c.camera) {
        cv::warpAffine(frame, frame, cv::Matx23d(1, 0, 2, 0, 1, -1), shown, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
        cv::blur(frame, frame, {3, 3});
        cv::Mat noise(shown, CV_16S);
        cv::randn(noise, 0, 14);
        frame.convertTo(frame, CV_16S, 0.7, 30);
        cv::Mat(frame + noise).convertTo(frame, CV_8U);
    }
    if (c.hidden)
        frame(cv::Rect(c.width / 3, shown.height / 2, c.width / 2, shown.height / 3)).setTo(30);
    const SlideDifference d(a, b, shown);
    if (c.beside) {
        const cv::Rect n = d.Needs();
        frame(cv::Rect(n.x + n.width * 2 / 3, 0, n.width / 3, shown.height)).setTo(30);
    }
    const SlideVerdict v = d.Visible() ? d.Compare(frame(d.Needs())) : SlideVerdict {};
    EXPECT_EQ(v.visible, c.verdict != 2);
    EXPECT_EQ(v.settled       ? (v.lead > 0 ? 1 : -1)
                  : v.visible ? 0
                              : 2,
              c.verdict)
        << "lead " << v.lead << ", misfit " << v.misfit;
}

INSTANTIATE_TEST_SUITE_P(Frames, SlideDifferenceTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
