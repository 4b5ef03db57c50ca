// What automatic captions keep for their review by a person, inside the
// WebVTT file itself so that it travels with it and players ignore it:
//  - before each cue a note with the confidence of each of its words, in
//    percent, in the order of the cue's words ("NOTE Confidence: 98 41+ 87");
//    a "+" after a number says a person has seen that word;
//  - in the first note (the one saying a machine made them) a line
//    "Reviewed: yes" or "Reviewed: no", once a person has worked on them.
// A cue whose words no longer match its note (edited by hand elsewhere)
// simply loses its marks.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

// A recognised word's confidence (percent) and whether a person saw it.
struct WordMark {
    int confidence = 100;
    bool seen = false;
};

// Words below this confidence are doubtful: a person should hear them.
inline constexpr int kDoubtfulBelow = 60;
inline bool IsDoubtful(const WordMark& m) { return m.confidence < kDoubtfulBelow; }

// The note line of a cue's word marks (without a line end).
std::string ConfidenceNote(const std::vector<WordMark>& marks);
// The marks of a note line; false when the line is no confidence note.
bool ReadConfidenceNote(const std::string& line, std::vector<WordMark>& marks);

// The marks of each cue of WebVTT text, one list per time line in the
// order of the cues (empty for a cue without a note).
std::vector<std::vector<WordMark>> CueConfidences(const std::string& vtt);

// The words of a cue's text as marks are counted: runs between blanks.
std::vector<std::string> CaptionWords(const std::string& text);

// How captions are published: the lecturer's own, automatic (not checked
// by a person) or automatic and reviewed by a person.
struct CaptionsKind {
    bool automatic = false;
    bool reviewed = false;
};
// From the file's path and text: automatic when its machine-made mark
// matches, or when it starts with the machine-made note and a person's
// review of it is recorded ("Reviewed:"); reviewed when that says "yes".
CaptionsKind KindOfCaptions(const std::string& path, const std::string& text);
// The review recorded in the first note: "yes", "no" or "" (none).
std::string CaptionsReview(const std::string& vtt);

}  // namespace pellucor
