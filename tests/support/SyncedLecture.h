// Lectures whose slide times are known, made by the generator the bench
// uses (samples/make-sync-lecture.sh), and the check of an events file
// against their schedule.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pellucor::testing_support {

// (start in seconds, slide number) per slide shown, in time order.
using SlideSchedule = std::vector<std::pair<double, int>>;

// (from, to) in seconds of each video clip shown over the slides.
using ClipStretches = std::vector<std::pair<double, double>>;

// Makes the slide images and the recording (a file name in dir, its
// extension choosing the format) of the given kind ("screen", "meeting",
// "camera", "deck", "clip", "video"); false with the generator's messages
// in err. The clips shown go to clips when given.
bool makeSyncedLecture(const std::string& kind, const std::string& dir, const std::string& recording, int seconds,
                       const std::string& size, SlideSchedule& schedule, std::string& err,
                       ClipStretches* clips = nullptr);

// What in an events file does not match the schedule: a slide change
// missing or more than a second off, or one too many ("" when all match).
std::string scheduleMismatch(const SlideSchedule& schedule, const std::string& eventsFile);

}  // namespace pellucor::testing_support
