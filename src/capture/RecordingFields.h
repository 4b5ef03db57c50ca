// The recording set-up window's fields that the slide-flip recorder reads
// at load and writes back when it stops.
#pragma once

#include <string>

namespace pellucor {

struct RecordingFields {
    std::string txtFile;                    // "Events File"
    std::string txtMedia;                   // "Media File"
    std::string txtSlideNum = "1";          // "Starting Slide"
    std::string txtStartTime = "00:00:00";  // "Start Time"
    std::string txtDelay = "0";             // "Timing Start-up Delay (sec)"
    // "Media Control": one of the three.
    bool chkNoMedia = true;
    bool chkEncoder = false;  // "Record Media"
    bool chkPlayer = false;   // "Play Media"
    // "Slide Display Style": one of the three.
    bool chkMaxGIF = false;  // "Maximized GIFs"
    bool chkGIF = true;      // "Small GIFs"
    bool chkNone = false;    // "No Slides"
};

}  // namespace pellucor
