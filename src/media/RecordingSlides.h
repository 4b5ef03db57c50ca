// Finds the distinct slides of screen or meeting recordings that come
// without their slide images: where the slide lies in the frame (the whole
// frame less its black bars, or in a meeting layout the still rectangle
// beside the moving camera pictures, found again where the meeting tool
// lays the picture out anew), the stretches in which the picture
// stays still, and of those which show the same slide (a slide returned
// to), a slide built up point by point (one slide, its fullest state kept,
// its change at its first appearance) or a passing overlay (a notification:
// no change). Stretches in which no still picture lasts (the speaker full
// screen, a video clip) show no slide of their own: the slide before stays
// and the stretch is reported. Several recordings share one set of slides.
//
// In a camera's recording of a projected screen the slide is the light
// quadrilateral the room shows, straightened into its rectangle; a person
// or a pointer in front of it changes nothing (only what neither hides is
// compared), and each slide's picture comes from the frames that show it
// most clearly. Camera recordings in which no projected slide is found,
// recordings without a picture and recordings whose picture never settles
// are refused with a reason.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <opencv2/core.hpp>

#include "media/SlidePicture.h"

namespace pellucor {

enum class RecordingLayout { Auto, Screen, Meeting };

struct RecordingSlidesOptions {
    RecordingLayout layout = RecordingLayout::Auto;
    double minDwell = 1.0;  // seconds a picture must stay still to be a slide
    double step = 0.2;      // seconds between the frames looked at
};

// A frame of a camera's recording that shows a slide clearly: its time, and
// how far the camera's shake moved the picture from where the slide was
// found (pixels of the frames looked at).
struct ClearFrame {
    double time = 0;
    cv::Point2f shift;
};

// One slide found: where in which recording its fullest state shows.
struct FoundSlide {
    size_t recording = 0;
    double from = 0, to = 0;         // seconds: the stretch that shows it best
    std::vector<ClearFrame> clear;   // a camera's: the frames in it that hide least of the slide
    cv::Mat look;                    // a camera's: the slide as they show it (a look, SlidePicture)
};

struct FoundChange {
    double time = 0;  // seconds; the first is 0
    int slide = 0;    // index into the slides found
};

struct NoSlideStretch {
    double from = 0, to = 0;
};

// In a meeting layout: where the slide lies from a time on.
struct LayoutChange {
    double time = 0;
    cv::Rect2d region;
};

struct RecordingFound {
    std::string path;
    double duration = 0;
    bool meeting = false;
    bool camera = false;                 // a camera pointed at a projected screen
    std::vector<cv::Point2f> corners;    // a camera's: the slide's, fractions of the frame
    cv::Mat room;                        // a camera's: the room in grey (the median of frames looked at)
    cv::Rect2d region;  // where the slide lies at first, fractions of the frame
    std::vector<LayoutChange> moves;
    std::vector<FoundChange> changes;
    std::vector<NoSlideStretch> noSlide;
    cv::Rect2d RegionAt(double time) const;
};

class RecordingSlides {
public:
    // percent of the whole work; status: the step under way.
    using Progress = std::function<void(int percent, const std::string& status)>;

    explicit RecordingSlides(RecordingSlidesOptions options = {}) : options_(options) { }

    static constexpr int kSampleWidth = 640;  // width of the frames looked at

    // Looks through every recording in turn; false with err (naming the
    // recording) when one cannot be read, is refused, or cancel was set
    // ("Cancelled").
    bool Run(const std::vector<std::string>& recordings, const Progress& progress, const std::atomic<bool>& cancel,
             std::string& err);

    const std::vector<FoundSlide>& Slides() const { return slides_; }
    const std::vector<RecordingFound>& Recordings() const { return found_; }

    // The slide's picture at the recording's own resolution, in colour
    // (BGRA): the median of a few frames of its stretch, so that a moving
    // pointer leaves no trace. threads: the decoder's (0: one per core;
    // 1 where several slides are pictured at once).
    bool SlideImage(size_t slide, cv::Mat& bgra, std::string& err, int threads = 0) const;

    static constexpr const char* kNoProjectedSlide
        = "looks like a camera recording, but no projected slide stays in view in it. If the slides were shown, "
          "export the deck's slides into the lecture (pellucor import-slides) and find their times with pellucor "
          "sync-slides";
    static constexpr const char* kNoPicture
        = "holds no picture (sound only): slides can only be found in a screen or meeting recording";
    static constexpr const char* kNoStablePicture
        = "shows no stable picture (no slide stays on screen): it does not look like a recording of slides";

    // A stretch in which the picture stays still, with its last look, and
    // the longest part of it no overlay covers (clearTo 0: all of it).
    struct Still {
        double from = 0, to = 0;
        cv::Mat look;
        double clearFrom = 0, clearTo = 0;
        std::vector<ClearFrame> clear;  // a camera's: the frames that hide least of the slide
        cv::Mat unseen;                 // a camera's: the part of look no frame showed (0 or 255)
    };

    // Where the slide lies in some frames, in pixels of them, and what
    // tells a camera or a video from a slide.
    struct Placed {
        cv::Rect box;
        cv::Size size;
        bool meeting = false;
        cv::Mat moving;  // the pixels that keep moving (camera tiles)
        double movingShare = 0, unsettled = 0, noise = 0;
    };

private:
    using Source = std::pair<size_t, size_t>;  // a recording and its layout (0 at first)
    // The looks each slide was seen as, to know it again.
    struct Known {
        std::vector<cv::Mat> looks, unseen;  // unseen: a camera's, of each look
        std::vector<Source> seenIn;          // of each look
        cv::Mat fullest, fullestUnseen;
        double ink = 0;
    };
    bool place(size_t index, RecordingFound& rec, const std::function<void(double)>& moved,
               const std::atomic<bool>& cancel, std::string& err);
    void ignore(const Placed& at);  // the moving pixels in the slide, left out of comparing looks
    bool stills(RecordingFound& rec, std::vector<Still>& out, const std::function<void(double)>& moved,
                const std::atomic<bool>& cancel, std::string& err);
    // Where the slide lies in the few seconds from `from` on, in a meeting
    // layout (at.meeting false when no slide is found there).
    bool refind(const RecordingFound& rec, double from, Placed& at, const std::atomic<bool>& cancel,
                std::string& err) const;
    void assign(size_t index, RecordingFound& rec, std::vector<Still> stills);
    int known(const Source& source, const cv::Mat& look, const cv::Mat& unseen) const;
    // How two looks compare: a camera's where neither hides the slide and
    // both were seen (unseenA, unseenB: the parts not seen, or empty).
    SlidePicture comparing(const cv::Mat& a, const cv::Mat& b, const cv::Mat& unseenA = {},
                           const cv::Mat& unseenB = {}) const;
    // The share of two looks that differs, as comparing tells; a camera's
    // looks differ at least by kSame where a digit changed.
    double differ(const cv::Mat& a, const cv::Mat& unseenA, const cv::Mat& b, const cv::Mat& unseenB) const;
    // The same, less where b moved a pixel or two matches better, as a
    // look from another recording or layout may lie aside; d: how far
    // they differ unmoved.
    double differAside(const cv::Mat& a, const cv::Mat& unseenA, const cv::Mat& b, const cv::Mat& unseenB,
                       double d) const;

    RecordingSlidesOptions options_;
    std::vector<RecordingFound> found_;
    std::vector<FoundSlide> slides_;
    std::vector<Known> known_;
    SlidePicture compare_;  // set up for the recording being looked at
    bool camera_ = false;   // the recording looked at is a camera's
};

}  // namespace pellucor
