// What the lecture video is made of, taken from a loaded lecture: each
// part's recording, its slides (the sharp copy imgNNN.webp where the
// import wrote one, else the slide's own picture) with their times and
// titles, and its captions made into WebVTT in a scratch directory.
#pragma once

#include <string>
#include <vector>

#include "core/Lecture.h"
#include "core/LectureVideoPlan.h"

namespace pellucor {

// parts: the part numbers to take, in order (empty: every part).
// scratchDir (ending in "/") receives the captions files. False with err
// when a part is not in the lecture or its captions cannot be read.
bool LectureVideoParts(const Lecture& lecture, const std::string& slideDir, const std::vector<int>& parts,
                       const std::string& scratchDir, std::vector<VideoPartSource>& out, std::string& err);

// Seconds of an events file time ("hh:mm:ss", fractions allowed).
double EventSeconds(const std::string& time);

}  // namespace pellucor
