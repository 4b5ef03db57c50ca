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
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/RecordingSlides.h"
#include "media/SlidePicture.h"

namespace pellucor {

class CameraShake;
class FrameSampler;
class ProjectedSlide;

class CameraStills {
public:
    // The looks are twice the size of a SlidePicture look, fine enough to
    // tell one digit from another: changes of this many pixels at least
    // count however small.
    static constexpr int kFine = 2;
    static constexpr int kSmallChange = 16;

    CameraStills(const RecordingFound& rec, const RecordingSlidesOptions& options);
    ~CameraStills();

    // moved: the share of the recording gone through.
    bool Run(std::vector<RecordingSlides::Still>& out, const std::function<void(double)>& moved,
             const std::atomic<bool>& cancel, std::string& err);

    // The slide's picture, straightened at the recording's own resolution
    // in colour (BGRA), from the frames of sampler (opened on the
    // recording) that show it most clearly.
    static bool Picture(const RecordingFound& rec, const FoundSlide& slide, FrameSampler& sampler, cv::Mat& bgra,
                        std::string& err);

private:
    // A look at the slide as one frame shows it.
    struct Seen {
        double time = 0;
        cv::Point2f shift;
        cv::Mat look, hidden;  // hidden: what hides the slide in it (0 or 255)
    };

    void firstFrame(const cv::Mat& grey);
    void frame(double time, const cv::Mat& grey, const cv::Mat& bgr);
    // Whether now shows another slide than the still open, where both
    // show it.
    bool differs(const Seen& now);
    void start(const Seen& s);
    void close();
    // A look at the still open: what it shows of the slide is the slide.
    void keep(Seen now);
    // What hides the same part of the slide a while is the slide.
    void settle(const Seen& s);
    std::vector<ClearFrame> clearest(const cv::Mat& look) const;

    const RecordingFound& rec_;
    RecordingSlidesOptions options_;
    std::vector<RecordingSlides::Still>* out_ = nullptr;
    std::unique_ptr<ProjectedSlide> projected_;
    std::unique_ptr<CameraShake> shake_;
    SlidePicture compare_;
    // ref: the slide as the frames showed it where nothing hid it, made
    // only of what was seen clearly (at first the room's picture, in
    // which no one passing shows); known: the part of it the still open
    // has shown; stale: the looks for which each pixel has been hidden by
    // the same; edge: the slide's edge, left out of comparing.
    cv::Mat ref_, known_, stale_, lastHidden_, edge_;
    std::optional<Seen> pending_;  // a look that differs, until the next says whether it stays
    cv::Mat pendingMarks_;
    RecordingSlides::Still run_;
    bool open_ = false;
    std::vector<Seen> seen_;  // looks of the still open, spread over it
    size_t looked_ = 0, seenEvery_ = 1;
};

}  // namespace pellucor
