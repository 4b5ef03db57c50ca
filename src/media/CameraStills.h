// The stills of a camera's recording of a projected slide: each frame's
// slide straightened (where the camera's shake has moved it to), and
// compared with the still so far only where nothing hides the slide (a
// person or a laser's dot in front of it), a change as small as a digit's
// counting when it stays; each still's look the median of its looks where
// they show the slide, and the frames that show it most clearly kept for
// its picture, which is made of them in the same way.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "media/RecordingSlides.h"

namespace pellucor {

class FrameSampler;

class CameraStills {
public:
    // The looks are twice the size of a SlidePicture look, fine enough to
    // tell one digit from another: changes of this many pixels at least
    // count however small.
    static constexpr int kFine = 2;
    static constexpr int kSmallChange = 16;

    CameraStills(const RecordingFound& rec, const RecordingSlidesOptions& options) : rec_(rec), options_(options) { }

    // moved: the share of the recording gone through.
    bool Run(std::vector<RecordingSlides::Still>& out, const std::function<void(double)>& moved,
             const std::atomic<bool>& cancel, std::string& err);

    // The slide's picture, straightened at the recording's own resolution
    // in colour (BGRA), from the frames of sampler (opened on the
    // recording) that show it most clearly.
    static bool Picture(const RecordingFound& rec, const FoundSlide& slide, FrameSampler& sampler, cv::Mat& bgra,
                        std::string& err);

private:
    const RecordingFound& rec_;
    RecordingSlidesOptions options_;
};

}  // namespace pellucor
