// Writing slide events beside and into media files: a WebVTT metadata
// track, and chapters in containers that hold them.
#pragma once

#include <string>
#include <vector>

#include "media/FfmpegMediaFile.h"

struct AVFormatContext;

namespace pellucor {

// Writes a WebVTT file whose cues carry the slide addresses.
bool WriteWebVtt(const std::string& path, const std::vector<FfmpegMediaFile::Event>& events, std::string& err);

// Copies every stream of input into output unchanged; where the output
// container holds chapters, each event becomes one. A failed output is
// removed.
bool RemuxWithChapters(const std::string& input, const std::string& output,
                       const std::vector<FfmpegMediaFile::Event>& events, std::string& err);

// The events as chapters, titled with their slide addresses.
std::vector<MediaChapter> EventChapters(const std::vector<FfmpegMediaFile::Event>& events);

// Gives an output, before its header is written, the chapters, where its
// container holds them (MP4 and its kin, Matroska, WebM, MP3).
void AddChapters(AVFormatContext* out, const std::vector<MediaChapter>& chapters);

// Why an input read to its end with its last packet ending at lastEndUs
// (AV_TIME_BASE units) was cut short: its packets stop well before the
// duration it declares. Empty when it was not.
std::string CutShortReason(const AVFormatContext* in, int64_t lastEndUs);

}  // namespace pellucor
