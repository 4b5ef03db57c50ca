// The lines of an events file (NAME1.txt: "u 00:00:04 00:00:06
// URL\sld003.htm", CR LF) and of the events a publication carries beside
// each recording (NAME1.rat: the page as an address after "&&slide&&"):
// the one place that writes them and reads them for publishing.
#pragma once

#include <string>

namespace pellucor {

// What a slide's line says: shown from start to end (hh:mm:ss, as
// written), its page ("sld003.htm") or, in a publication's events, the
// page's address.
struct EventLine {
    std::string start, end, page;
};

inline constexpr const char* kEventPageMark = "URL\\";
inline constexpr const char* kPublishedPageMark = "&&slide&&";
// The comment the slide sync writes before a line a person should check.
inline constexpr const char* kEventReviewComment = "# review:";

// The line, without its line end.
std::string EventLineText(const EventLine& e);
std::string PublishedEventLineText(const EventLine& e);

// An events file's line as a publish reads it: any first word, the start
// and end, and the page after "URL\" (the rest of the line); false for a
// line that names no page.
bool ParseEventLine(const std::string& line, EventLine& e);
// A publication's line: at least four words and the address after
// "&&slide&&"; false for any other line.
bool ParsePublishedEventLine(const std::string& line, EventLine& e);

}  // namespace pellucor
