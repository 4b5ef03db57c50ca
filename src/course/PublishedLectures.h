// The published lectures below a course's root: folders holding a
// publication's manifest, found as the course page and the accessibility
// report both list them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pellucor {

struct PublishedLecture {
    std::string folder;   // relative to the root, ending in "/"
    std::string stamp;    // changes when the lecture is published again
    bool record = false;  // it has a lecture record
};

// Hidden folders, the course folder and symbolic links are not entered, nor
// is a publication; the lectures are sorted by folder.
std::vector<PublishedLecture> FindPublishedLectures(const std::filesystem::path& root);

}  // namespace pellucor
