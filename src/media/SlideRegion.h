// Where the slide lies in a recording's frames: which pixels move and
// which keep still over stretches of it (RegionStats), and from that the
// slide's box: the whole frame, beside a meeting's camera tiles or strip,
// black bars trimmed; with what tells a camera or a video from a slide.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstddef>
#include <vector>

#include "media/RecordingSlides.h"

namespace pellucor {

inline constexpr int kMovedBy = 25;          // grey levels by which a pixel of the frame moved
inline constexpr double kMovingShare = 0.5;  // share of looks in which a pixel moves that always moves

struct RegionStats {
    cv::Mat moved;  // CV_32F: times each pixel moved
    cv::Mat noise;  // CV_32F: each pixel's change summed over the pairs it did not move in
    int pairs = 0, frames = 0;
    std::vector<double> movedShares;  // per pair: the share of the frame that moved
    cv::Mat prev;
    std::vector<cv::Mat> kept;        // some of the frames, spread over all, for the typical picture
    std::vector<cv::Mat> keptColour;  // the same in colour, when the frames came so
    static constexpr size_t kKept = 15;
    int keepEvery = 4;

    // colour: the same frame in BGR, or empty.
    void add(const cv::Mat& grey, const cv::Mat& colour = {})
    {
        cv::Mat g;
        cv::GaussianBlur(grey, g, {5, 5}, 0);
        if (moved.empty() || moved.size() != g.size()) {
            moved = cv::Mat::zeros(g.size(), CV_32F);
            noise = cv::Mat::zeros(g.size(), CV_32F);
            prev.release();
        }
        if (frames % keepEvery == 0) {
            kept.push_back(grey.clone());  // sharp, for the edges of black bars
            if (!colour.empty())
                keptColour.push_back(colour.clone());
            if (kept.size() == 2 * kKept) {  // every other one, and half as many from now on
                for (size_t i = 1; i < kKept; ++i)
                    kept[i] = kept[2 * i];
                kept.resize(kKept);
                for (size_t i = 1; i < kKept && 2 * i < keptColour.size(); ++i)
                    keptColour[i] = keptColour[2 * i];
                keptColour.resize(std::min(keptColour.size(), kKept));
                keepEvery *= 2;
            }
        }
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
    // shows, without a pointer or a person passing; in grey, or in colour.
    cv::Mat typical(bool colour = false) const;
};

// Where the slide lies in the frames stats went through.
RecordingSlides::Placed PlaceSlideIn(const RegionStats& stats, RecordingLayout layout);

}  // namespace pellucor
