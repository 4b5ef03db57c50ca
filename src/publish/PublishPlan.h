// How the time of one publish divides among its steps, judged before it
// starts from what it has to do: how long the recordings are, how many
// slides there are and OCR reads, whether captions and descriptions are
// made, which targets ask for HLS. The publish's one bar
// follows it, so that the bar moves on evenly with the time and tells
// fairly how much is left. The lecture as one video is written after the
// publication is in place, with a bar of its own.
#pragma once

#include <cstddef>
#include <vector>

#include "publish/Publisher.h"

namespace pellucor {

struct PublishWork {
    double recordingSeconds = 0;  // of every part
    double encodedSeconds = 0;    // of the parts whose browser copy is encoded anew
    int slides = 0;
    bool slideTimes = false;  // the slide times found from the recordings
    bool captions = false;    // automatic captions asked for
    bool describe = false;    // audio descriptions asked for
    struct Target {
        bool hls = false;  // an HLS presentation is written
    };
    std::vector<Target> targets;
};

class PublishPlan {
public:
    PublishPlan() = default;
    explicit PublishPlan(PublishWork work) : work_(std::move(work)) { }

    // How many slides OCR reads (told once slide text knows).
    void SetSlidesToRead(int count) { toRead_ = count; }
    // Percent (0 to 100) of the whole publish reached at fraction of step,
    // in target (the steps before the targets' own count once).
    double Percent(PublishStep step, size_t target, double fraction) const;
    // Percent reached while the slide times, the slide text and the
    // captions are made side by side, at these fractions of each.
    double PreparedPercent(double times, double text, double captions) const;

private:
    // Expected seconds of step in target.
    double cost(PublishStep step, size_t target) const;
    double totalCost() const;
    // Calls visit(step, target, cost) for each step in the order they run.
    template <class Visit> void walk(const Visit& visit) const;

    PublishWork work_;
    int toRead_ = 0;
};

}  // namespace pellucor
