// The slide table of one lecture: slides and parts numbered from 1, at most
// 500 of each (index 0 is never a slide or part).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pellucor {

inline constexpr int kMaxSlides = 500;
inline constexpr int kMaxParts = 500;

struct SlideInfo {
    template <typename T> using Table = std::array<T, kMaxSlides + 1>;

    int16_t NumOfSlides = 0;
    int16_t NumOfParts = 0;
    Table<int16_t> AudioPart {};
    Table<int16_t> VideoPart {};
    Table<std::string> StartTime;
    Table<std::string> EndTime;
    Table<std::string> SlideName;
    Table<std::string> SlideImage;
    Table<std::string> SlideTitle;
    int16_t NumOfEventFiles = 0;
    Table<std::string> VideoFile;
    Table<std::string> AudioFile;
    Table<std::string> EventsFile;
    // The file name (no directory) of the part's copy that the published
    // pages play, written by media preparation into the output directory;
    // empty until then, or when no copy was made.
    Table<std::string> BrowserCopy;
    // Per part: the captions file published for it (captionsP.vtt in the
    // output directory), empty when the part has none.
    Table<std::string> CaptionsFile;
};

// Status line colours (BGR values as stored).
inline constexpr uint32_t kColourGreen = 65280;
inline constexpr uint32_t kColourYellow = 65535;
inline constexpr uint32_t kColourRed = 255;
inline constexpr uint32_t kColourWhite = 16777215;

}  // namespace pellucor
