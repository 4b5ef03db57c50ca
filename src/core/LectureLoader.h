// Loads one lecture (core/Lecture.h), in the steps the load is made of:
// find the naming convention of the media directory, find each part's
// media, read each part's events file, and read the slide titles. Every
// file is looked up by name in any letter case, and a file that is there
// but cannot be read (unreadable, a pipe or device, an events file without
// a single slide line) ends the load with a text naming it and the reason.
#pragma once

#include <functional>
#include <string>

#include "core/FileLookup.h"
#include "core/Lecture.h"
#include "core/SlideText.h"

namespace pellucor {

// The name of a lecture in several parts whose events files lie in dir
// (talk1.txt, talk2.txt ... give "talk"), or "" when it holds none.
std::string MultiPartLectureIn(const std::string& dir);

class LectureLoader {
public:
    // Whether a RealMedia file holds video; false with err set (the load
    // then fails with it) when that cannot be told or the user cancelled.
    using VideoQuestion = std::function<bool(const std::string& media, bool& video, std::string& err)>;
    // Whether a recording of today (core/RecordingKinds.h) holds video, as
    // its streams say; false with err set when it cannot be read or holds
    // neither sound nor video.
    using RecordingProbe = std::function<bool(const std::string& media, bool& video, std::string& err)>;
    using Status = std::function<void(const std::string& text)>;

    struct Inputs {
        std::string mediaDir;  // ends in the separator
        std::string lecName;
        std::string slideDir;  // where index.htm and titles.txt lie
        bool fullCheck = false;
    };

    // Without a probe, the full check takes a recording of today for video
    // or sound by its extension.
    LectureLoader(Lecture& lecture, Inputs in, VideoQuestion hasVideo, Status verboseStatus, Status status,
                  RecordingProbe probe = nullptr);

    // All the steps; false with err on the first failure (the lecture then
    // holds no slides, and only the parts whose slides were read).
    bool Load(std::string& err);

    // The lecture named lecName in dir (slides beside its media) read
    // quietly for its slides and parts, each RealMedia recording taken as
    // sound: what the commands and engines that only read a lecture need.
    // withTitlesAndText: the slides' titles and words are read too (the
    // full check). False with err as Load.
    static bool ReadQuietly(const std::string& dir, const std::string& lecName, bool withTitlesAndText,
                            Lecture& lecture, std::string& err);

    // The naming conventions, in their order of preference.
    // FirstRecording: no RealMedia at all, the first recording of today.
    enum class Convention { MultiPart, Images, Plain, FirstRm, FirstRecording };
    // Step 1: which convention the media directory follows, and the events
    // file of its first part.
    bool FindNamingConvention(Convention& conv, std::string& firstEvents, std::string& err);
    // Step 2: the audio and video file of one part.
    bool FindPartMedia(const std::string& events, Part& part, std::string& err);
    // The same lookup, false with err empty when the part has no media.
    bool LookUpPartMedia(const std::string& events, Part& part, std::string& err);
    // Step 3: the slide lines of part number part's events file, added to
    // the lecture's slides.
    bool ReadEvents(int part, const std::string& events, std::string& err);
    // Step 4: the titles from the slide directory's index.htm and titles.txt.
    bool ReadTitles(std::string& err);
    // Step 5: each slide's text from its slide text file (imgNNN.text), and
    // the title that text gives a slide that has none of its own (or only
    // the "Slide N" slide import writes for a slide without a title).
    bool ReadSlideTexts(std::string& err);
    // Gives a slide its text, and the text's title when it has none of its
    // own.
    static void TakeSlideText(Slide& slide, const SlideText& text);

private:
    // The events file of a part of the multi-part convention ("" when none).
    bool FindEvents(int part, Convention conv, const std::string& first, std::string& events, std::string& err);
    // Looks name up in the media directory; a name that is there but
    // cannot be read is an error.
    bool FindReadable(const DirListing& dir, const std::string& name, std::string& path, std::string& err) const;
    // Looks base + each extension of the recordings of today up in the
    // media directory, in their order; false with err empty when none.
    bool FindRecording(const std::string& base, std::string& path, std::string& err) const;
    bool ReadIndexTitles(const std::string& index, std::string& err);
    // "talk1.txt, talk2.txt (lecture talk)" when the media directory holds
    // the events files of a lecture in several parts under another name.
    std::string otherLectureParts() const;
    // Steps 1 to 3 for every part.
    bool ReadParts(std::string& err);
    bool ReadTitlesFile(const std::string& titles, std::string& err);

    Lecture& lecture_;
    Inputs in_;
    VideoQuestion hasVideo_;
    Status verbose_;
    Status status_;
    RecordingProbe probe_;
    DirListing media_;
};

}  // namespace pellucor
