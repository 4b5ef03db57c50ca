// The whole lecture as one ordinary video file: every part one after the
// other, the slide of each moment shown from the very frame its events
// file says (a keyframe at every change), the speaker's video beside the
// slide or in a corner over it, the part's sound throughout. H.264 and AAC
// in MP4 with its index at the front, one chapter per slide named by its
// title, the captions as a subtitle track and, when asked, drawn into the
// picture, and when asked a second sound track with the audio descriptions
// spoken over the part's sound (lowered meanwhile). A slide is scaled once when it comes up, never per frame: where
// there is no speaker video a slide's stretch is a few still frames.
// The file is written under a temporary name beside the output, checked
// (it decodes to its end and lasts as long as the lecture) and only then
// renamed; a failure or a cancel leaves nothing behind.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/LectureVideoPlan.h"

namespace pellucor {

// Seconds each part lasts: its recording's length. False with err when a
// recording cannot be read.
bool PartLengths(const std::vector<VideoPartSource>& parts, std::vector<double>& lengths, std::string& err);

// Writes the video to output. progress is called with rising percentages;
// cancel, set from any thread, abandons the work. False with err on a
// failure or a cancel; nothing is then left under output or beside it.
bool WriteLectureVideo(const std::vector<VideoPartSource>& parts, const LectureVideoOptions& options,
                       const std::string& output, const std::function<void(int percent)>& progress,
                       const std::atomic<bool>& cancel, std::string& err);

// "side", "slides" or "pip"; false for another name.
bool ParseVideoLayout(const std::string& name, VideoLayout& layout);

}  // namespace pellucor
