// Audio descriptions made from the slides: at each slide change the
// slide's title and words, said in the pause in speech that follows (the
// captions' times tell where the lecturer speaks), cut to what fits it. A
// slide whose title does not fit is described whole as an extended
// description: the page stops the recording while it is spoken. Written
// beside the part's recording as NAME1.descriptions.vtt, marked as
// machine-made; a file the lecturer wrote or edited is never replaced.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/Lecture.h"

namespace pellucor {

// A slide as a part shows it: seconds into the part.
struct ShownSlide {
    int number = 0;
    double start = 0, end = 0;
    std::string title, text;
};

struct DescriptionCue {
    int slide = 0;
    double start = 0, end = 0;
    std::string text;
    bool extended = false;  // the recording waits while it is spoken
};

struct DescriptionRules {
    double wordsPerSecond = 2.5;  // a synthetic voice's pace, 150 words a minute
    double shortestPause = 1;     // a shorter silence holds no description
    size_t mostWords = 40;        // an extended description says at most this many
};

// Seconds of speech, each from first to second (a part's caption cues).
using SpeechTimes = std::vector<std::pair<double, double>>;

// The descriptions of slides (in the order shown) around speech.
std::vector<DescriptionCue> MakeDescriptions(const std::vector<ShownSlide>& slides, const SpeechTimes& speech,
                                             const DescriptionRules& rules = {});

// WebVTT text of the descriptions, machine-made: the NOTE that says so
// first; each cue's identifier names its slide, followed by "extended"
// for an extended one.
std::string DescriptionsText(const std::vector<DescriptionCue>& cues);

// Whether a cue identifier marks an extended description.
bool IsExtendedDescription(const std::string& cueId);

// The slides part p of a loaded lecture shows, with their text.
std::vector<ShownSlide> SlidesOfPart(const Lecture& lecture, int p);

// The descriptions of part p (its recording being recording): those of its
// descriptions file where it has one (false with err when that cannot be
// read), else made from its slides around its captions' speech.
bool PartDescriptionCues(const Lecture& lecture, int p, const std::string& recording, std::vector<DescriptionCue>& cues,
                         std::string& err);

// The descriptions of one part of a loaded lecture, made and written.
struct PartDescriptions {
    enum class Result { Written, LecturersKept, MachineKept, Failed };
    int part = 0;
    std::string recording, file;
    Result result = Result::Failed;
    std::string error;  // when Failed
    size_t cues = 0, extended = 0;
    bool captions = false;  // the pauses came from its captions
};

// Makes the descriptions of part p (its recording being recording) unless
// the lecturer's are there, or machine-made ones and replace is false.
// The file appears whole under its name or not at all.
PartDescriptions DescribePart(const Lecture& lecture, int p, const std::string& recording, bool replace);

}  // namespace pellucor
