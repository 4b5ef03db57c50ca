// What a publication says about its lecture for a course built over many
// publications: title, dates, parts (the page that plays each, its length,
// its captions: the cues, and each language's track, whose they are and
// whether it has audio descriptions) and slides (part, start, title, notes and the slide's own
// words as plain text). A
// publish writes it into the publication (".pellucor-lecture.json", listed
// in the manifest like every file it writes); the course page and the
// learning-platform packages read it, so they need neither the lecture's
// sources nor the style's pages.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

inline constexpr const char* kLectureRecordName = ".pellucor-lecture.json";

struct LectureRecord {
    struct Cue {
        double start = 0;  // seconds into the part
        std::string text;
    };
    // One language's captions of a part. A record written before tracks
    // were recorded reads as one track of unknown language and kind for a
    // part with captions.
    struct Track {
        std::string lang;       // a language tag; "" when not known
        std::string kind;       // "machine" or "lecturer"; "" when not known
        bool reviewed = false;  // machine-made captions a person went through
    };
    struct Part {
        int number = 0;
        std::string page;           // the page that plays it ("part2.htm")
        double length = 0;          // seconds
        std::vector<Cue> captions;  // the first track's
        std::vector<Track> tracks;
        std::string descriptions;  // the audio descriptions' file; "" when none
    };
    struct Slide {
        int number = 0;
        int part = 0;
        double start = 0;  // seconds into the part
        std::string title, notes;
        std::string text;  // the slide's own words, plain
    };

    std::string title;
    std::string recorded;   // ISO date and time the first recording was made
    std::string thumbnail;  // the first slide's picture, relative to the publication
    std::vector<Part> parts;
    std::vector<Slide> slides;

    double Length() const;
    // Reads dir's record; false with err when there is none or it is not one.
    bool Read(const std::string& dir, std::string& err);
    // Writes it into dir; false with err.
    bool Write(const std::string& dir, std::string& err) const;
};

// Plain text of a piece of HTML (notes, caption cues): tags and comments
// dropped, character references decoded, runs of white space made one blank.
std::string PlainText(const std::string& html);

}  // namespace pellucor
