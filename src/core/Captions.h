// Captions a lecturer writes beside a recording (NAME1.vtt, or NAME1.srt as
// most subtitle editors save them) made into the WebVTT file a published
// part offers as its captions track. SubRip is converted; WebVTT is checked
// and tidied. Either way a file that cannot be read as captions is refused
// with the line at fault, never published half-read.
#pragma once

#include <string>
#include <vector>

#include "core/CaptionFiles.h"
#include "core/CutList.h"

namespace pellucor {

// The WebVTT text of SubRip captions: "," in times becomes ".", cue numbers
// stay cue identifiers, CR LF, CR and a byte-order mark are accepted, text
// that is not UTF-8 is read as Latin-1. False with err ("line N: ...") when
// the text is not SubRip or holds no cue.
bool SrtToWebVtt(const std::string& srt, std::string& vtt, std::string& err);

// WebVTT captions checked cue by cue and written out again with the same
// tolerance (times written with "," are mended). False with err
// ("line N: ...") when it is not WebVTT or holds no cue.
bool TidyWebVtt(const std::string& text, std::string& vtt, std::string& err);

// WebVTT captions (tidied) in the time of a copy without the cuts: each
// cue moved by the cuts before it; a cue inside a cut left out, one
// across a cut shortened by it. False with err as for TidyWebVtt.
bool CutWebVtt(const std::string& text, const CutList& cuts, std::string& vtt, std::string& err);

// Whether WebVTT text is the slide-change track a publish writes beside a
// recording (every cue a slide page address) rather than captions: a
// published lecture's directory holds one under the captions' name.
bool IsSlideEventsTrack(const std::string& vtt);

// Reads captions (.srt converted, anything else read as WebVTT) into vtt.
// False with err naming the file and what is wrong with it.
bool ReadCaptions(const std::string& source, std::string& vtt, std::string& err);

// Writes WebVTT captions to vttPath, and as a script to jsPath that sets
// window.pellucorCaptions[key] to the same text (pages opened from disk,
// where a browser does not load a track file, use it). False with err;
// nothing is left behind then.
bool WriteCaptions(const std::string& vtt, const std::string& vttPath, const std::string& jsPath,
                   const std::string& key, std::string& err);

// The cues of WebVTT captions as a publish wrote them: each cue's start and
// end in seconds and its text lines, also joined by a blank (markup left
// in). False with err ("line N: ...") when it is not WebVTT.
struct CaptionCue {
    double start = 0;
    std::string text;
    double end = 0;
    std::vector<std::string> lines;
    std::string id;  // the cue's identifier, "" when it has none
};
bool ReadCaptionCues(const std::string& vtt, std::vector<CaptionCue>& cues, std::string& err);

// Text as UTF-8: UTF-16 after its byte-order mark, UTF-8 (without its
// byte-order mark), or else Latin-1.
std::string TextAsUtf8(const std::string& raw);

}  // namespace pellucor
