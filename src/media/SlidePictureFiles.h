// The pictures of a slide found in a recording, as a lecture's slides keep
// them: the sharp copy at the recording's resolution (WebP, imgNNN.webp)
// and the picture the pages show, scaled to their width (GIF, imgNNN.gif).
#pragma once

#include <cstddef>
#include <string>

namespace pellucor {

class RecordingSlides;

// Writes slide (from 0) of found to sharpPath and, width pixels wide at
// the slide's own aspect, to shownPath. Each file is replaced only once it
// is complete. False with the reason.
bool WriteFoundSlidePictures(const RecordingSlides& found, size_t slide, const std::string& sharpPath,
                             const std::string& shownPath, int width, std::string& err);

}  // namespace pellucor
