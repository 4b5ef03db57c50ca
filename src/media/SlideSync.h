// Finds when each slide is shown in a recording of a lecture, from the
// lecture's own slide images: coarse then fine. The keyframes of the whole
// recording are compared with the slides first; then only the stretches
// where the slide seems to change (or cannot be told) are decoded at a few
// frames a second, until every change is placed to a fraction of a second.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "media/SlideSequence.h"

namespace pellucor {

// A slide shown from a time on.
struct SlideChange {
    double time = 0;        // seconds from the start; the first is 0
    int slide = 0;          // index into the slide images given
    double confidence = 0;  // 0 to 1
};

struct SyncResult {
    std::vector<SlideChange> changes;  // in time order
    double duration = 0;               // of the recording, seconds
    int samples = 0;                   // frames compared
};

class SlideSync {
public:
    // percent of the whole work, 0 to 100.
    using Progress = std::function<void(int percent)>;

    // slideImages: the paths of the slide pictures, in their order.
    explicit SlideSync(std::vector<std::string> slideImages, SequenceModel model = {});

    // False with err when a slide image or the recording cannot be read,
    // the recording has no picture, no slide is ever seen in it, or cancel
    // was set ("Cancelled").
    bool Run(const std::string& recording, SyncResult& result, const Progress& progress,
             const std::atomic<bool>& cancel, std::string& err);

    // The spacing of the frames compared where the slide changes.
    static constexpr double kFineStep = 0.25;

private:
    std::vector<std::string> slides_;
    SequenceModel model_;
};

}  // namespace pellucor
