// Generates the benchmark lecture: 500 slides in 3 parts, the lecture's own
// slide pages with notes, titles, and a style whose every slide page
// carries a table of contents of the whole lecture.
#pragma once

#include <string>

namespace pellucor {

// Writes <root>/media (events files and media of the three parts, slide
// pages, titles.txt) and <root>/style. False with err on failure.
bool GenerateBenchLecture(const std::string& root, std::string& err);

}  // namespace pellucor
