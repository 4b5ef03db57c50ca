#include "media/PictureMedian.h"

#include <algorithm>

namespace pellucor {

namespace {

uchar medianIn(std::vector<uchar>& v)
{
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

}  // namespace

cv::Mat MedianOf(const std::vector<cv::Mat>& pictures, const std::vector<cv::Mat>& hidden)
{
    const cv::Mat& first = pictures.front();
    cv::Mat out(first.size(), first.type());
    const auto channels = static_cast<int>(first.elemSize());
    std::vector<uchar> shown, all;
    shown.reserve(pictures.size());
    all.reserve(pictures.size());
    for (int y = 0; y < out.rows; ++y) {
        uchar* o = out.ptr<uchar>(y);
        for (int x = 0; x < out.cols; ++x)
            for (int c = 0; c < channels; ++c) {
                shown.clear();
                all.clear();
                for (size_t i = 0; i < pictures.size(); ++i) {
                    const uchar v = pictures[i].ptr<uchar>(y)[x * channels + c];
                    all.push_back(v);
                    if (hidden.empty() || hidden[i].empty() || !hidden[i].at<uchar>(y, x))
                        shown.push_back(v);
                }
                o[x * channels + c] = medianIn(shown.empty() ? all : shown);
            }
    }
    return out;
}

}  // namespace pellucor
