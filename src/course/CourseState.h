// What the course folder holds, kept in "course-index/course.json" so that
// the next update knows each lecture's folder, its id, how its record
// looked (size and time), what the page lists for it, and which segment
// and files are the course's own.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "course/SearchSegment.h"

namespace pellucor {

struct CourseEntry {
    int id = 0;
    std::string folder;  // relative to the root, "/" between levels, ending in "/"
    std::string stamp;   // the record's size and modification time
    bool searchable = false;
    std::string title, date, thumbnail;
    double length = 0;
    std::vector<std::string> pages;  // the page of each part
};

struct CourseState {
    std::string title;
    int nextLecture = 1, nextSegment = 1, generation = 0;
    std::vector<CourseEntry> lectures;
    std::vector<SearchSegment> segments;
    // Every file of the course folder this program wrote and has not
    // removed; ids reserved by an update that did not finish.
    std::set<std::string> files;
    std::vector<int> pendingLectures, pendingSegments;

    bool Read(const std::string& path, std::string& err);
    bool Write(const std::string& path, std::string& err) const;
    // The files the current course refers to.
    std::set<std::string> Referenced() const;
    std::string RootName() const { return "root-" + std::to_string(generation); }
};

}  // namespace pellucor
