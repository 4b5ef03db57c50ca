// Writing slide events beside and into media files: a WebVTT metadata
// track, and chapters in containers that hold them.
#pragma once

#include <string>
#include <vector>

#include "capture/FfmpegMediaFile.h"

namespace pellucor {

// Writes a WebVTT file whose cues carry the slide addresses.
bool WriteWebVtt(const std::string& path, const std::vector<FfmpegMediaFile::Event>& events, std::string& err);

// Copies every stream of input into output unchanged; where the output
// container holds chapters, each event becomes one. A failed output is
// removed.
bool RemuxWithChapters(const std::string& input, const std::string& output,
                       const std::vector<FfmpegMediaFile::Event>& events, std::string& err);

// "hh:mm:ss.mmm"
std::string WebVttTime(double seconds);

}  // namespace pellucor
