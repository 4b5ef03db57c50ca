// A copy of a recording without the stretches cut from it, made the way a
// film editor cuts: the pictures between the cuts are passed on as they
// are, and only those from the key frame before each cut to the next key
// frame after it are encoded again (H.264, VP8 or VP9, as the recording
// is), so that the picture is exact at every cut and the rest keeps its
// quality. The sound is joined with a short crossfade and encoded again.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/CutList.h"
#include "media/FfmpegTranscoder.h"

struct AVFormatContext;

namespace pellucor {

// Whether the main video of an opened recording can be passed on between
// cuts; other video (or none) must be encoded first.
bool CutCopyPassesVideoOn(const AVFormatContext* in);

// Writes output (its container from its name) from input without the cuts.
// options: the browser copy's settings (sound encoder, bit rate and
// filters, muxer options, chapters, no video). False with err when
// reading or writing fails or cancel was set; the output is then removed.
bool WriteCutCopy(const std::string& input, const std::string& output, const CutList& cuts,
                  const TranscodeOptions& options, const std::function<void(int percent)>& progress,
                  const std::atomic<bool>& cancel, std::string& err);

}  // namespace pellucor
