// How accessible a published lecture is, from its lecture record: each
// part's captions (whose they are, in which languages), audio descriptions
// and transcript, the slides without text, and the WCAG 2.1 success
// criteria a lecture page answers for, each met or failed with the reason.
#pragma once

#include <string>
#include <vector>

#include "publish/LectureRecord.h"

namespace pellucor {

struct PartAccessibility {
    struct Captions {
        std::string lang;  // "" when the record does not say
        std::string kind;  // "machine-made", "reviewed", "the lecturer's" or "unknown kind"
    };
    int number = 0;
    std::vector<Captions> captions;  // the lecture's own language first; empty: none
    std::string descriptions;        // the file; "" when none
    bool transcript = false;         // its captions' text is there to read
};

struct Criterion {
    std::string id;     // "1.2.2"
    std::string name;   // "Captions (Prerecorded)"
    std::string level;  // "A" or "AA"
    bool met = false;
    std::string reason;
};

struct LectureAccessibility {
    std::string folder;  // relative to the report's folder; "" for the lecture itself
    std::string title;
    std::string problem;  // why it could not be assessed ("" when it was)
    std::vector<PartAccessibility> parts;
    std::vector<int> slidesWithoutText;
    std::vector<Criterion> criteria;

    // Every criterion met (and the lecture could be assessed).
    bool PassesAA() const;
    // The criteria failed, as "1.2.2, 1.2.5".
    std::string Failed() const;
};

// The assessment of a lecture from its record.
LectureAccessibility AssessLecture(const LectureRecord& record);
// A lecture that could not be assessed: it fails, for the reason given.
LectureAccessibility UnassessedLecture(const std::string& problem);

}  // namespace pellucor
