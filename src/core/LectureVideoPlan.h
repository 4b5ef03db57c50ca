// What the lecture as one video is made of and how it looks: the parts
// with their recordings, slides and captions, the layout, the size and
// the captions' treatment. The media library writes it (LectureVideo.h);
// publishing asks for it through its MediaOpener.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pellucor {

// The file name of the lecture video in a publication.
inline constexpr const char* kLectureVideoName = "lecture.mp4";

enum class VideoLayout {
    Side,    // the slide with the speaker's video beside it
    Slides,  // the slide alone
    Pip,     // the slide with the speaker's video in a corner over it
};

// One slide of a part: from when it shows (seconds into the part), its
// picture and its title.
struct VideoSlide {
    double start = 0;
    std::string picture;
    std::string title;
};

// An audio description: said from start (seconds into its part).
struct VideoDescription {
    double start = 0;
    std::string text;
};

// One part: its recording (the speaker's video, possibly empty, and the
// sound, possibly the same file), its slides in time order and its
// captions (a WebVTT file; empty when it has none).
struct VideoPartSource {
    std::string video;
    std::string audio;
    std::vector<VideoSlide> slides;
    std::string captions;
    // Its audio descriptions in time order (none: the described sound is
    // the part's own).
    std::vector<VideoDescription> descriptions;
};

struct LectureVideoOptions {
    // None: the speaker beside the slide where a part has video. A part
    // without video always shows its slides alone.
    std::optional<VideoLayout> layout;
    int width = 1280, height = 720;
    bool burnCaptions = false;
    // ISO 639-2 code of the captions' language, as MP4 stores it.
    std::string captionsLanguage = "eng";
    // A second sound track, "Audio description": the descriptions spoken
    // over the part's sound, which is lowered while one speaks; voiced in
    // descriptionsLanguage (a tag such as en).
    bool audioDescription = false;
    std::string descriptionsLanguage = "en";
};

}  // namespace pellucor
