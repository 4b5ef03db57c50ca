// The captions of the lecture video: each part's WebVTT captions read cue
// by cue and encoded as MP4 timed text (mov_text) for the subtitle track,
// and drawn into the picture (libass through FFmpeg's subtitles filter)
// for burned-in captions.
#pragma once

#include <string>
#include <vector>

struct AVCodecContext;
struct AVFilterGraph;
struct AVFilterContext;
struct AVFrame;

namespace pellucor {

// One cue encoded for the subtitle track: seconds into its part.
struct EncodedCue {
    double start = 0, end = 0;
    std::vector<uint8_t> data;
};

// The timed-text encoder, set up with the style header the WebVTT reader
// gives. nullptr with err when it cannot be opened.
AVCodecContext* OpenCaptionsEncoder(std::string& err);

// Reads a WebVTT file's cues and encodes each with enc. False with err.
bool EncodeCaptions(const std::string& vttPath, AVCodecContext* enc, std::vector<EncodedCue>& cues, std::string& err);

// Draws one part's captions into canvas frames of a given size.
class CaptionBurner {
public:
    CaptionBurner() = default;
    ~CaptionBurner();
    CaptionBurner(const CaptionBurner&) = delete;
    CaptionBurner& operator=(const CaptionBurner&) = delete;

    // False with err when the captions or the filter cannot be set up.
    bool Open(const std::string& vttPath, int width, int height, std::string& err);
    // A new frame: picture with the captions shown at seconds t drawn in;
    // nullptr when drawing fails.
    AVFrame* Burn(const AVFrame* picture, double t);

private:
    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
};

}  // namespace pellucor
