// File-chooser filters for opening a recording: RealMedia and the recordings
// of today (MP4, WebM, MP3 and the rest) together as the first choice.
#pragma once

#include <string>

namespace pellucor {

// "Media Files (*.rm *.ra *.mp4 ...)|*.rm;*.ra;*.mp4;...|" followed by the
// given filter, whose choices stay as they were.
std::string WithMediaFilter(const std::string& filter);

}  // namespace pellucor
