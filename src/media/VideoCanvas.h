// The picture of the lecture video: where the slide and the speaker go in
// each layout, slide pictures read and scaled into place once, and the
// speaker's frames scaled straight into their box. Frames are YUV 4:2:0 as
// the encoder takes them.
#pragma once

#include <string>

#include "media/LectureVideo.h"

struct AVFrame;
struct SwsContext;

namespace pellucor {

struct VideoBox {
    int x = 0, y = 0, width = 0, height = 0;
};

// The boxes of one layout on a canvas; the speaker's is empty in Slides.
struct CanvasLayout {
    VideoBox slide, speaker;
};
CanvasLayout LayoutBoxes(VideoLayout layout, int width, int height);

// The largest box of the picture's aspect inside box, centred, on even
// coordinates.
VideoBox FitInto(const VideoBox& box, int pictureWidth, int pictureHeight);

// A frame of the canvas' size filled black; nullptr when memory fails.
AVFrame* BlankCanvas(int width, int height);

// Reads the first picture of an image file (GIF, PNG, WebP, JPEG ...).
// nullptr with err when it cannot be read.
AVFrame* ReadPicture(const std::string& path, std::string& err);

// Scales a frame into box on canvas (the aspect it is shown at kept, the
// rest of the box left as it is). sws is the scaler kept between calls.
void ScaleInto(SwsContext*& sws, const AVFrame* picture, AVFrame* canvas, const VideoBox& box, int quality);

}  // namespace pellucor
