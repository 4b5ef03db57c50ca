// One segment of a course's search index: the inverted index of a group of
// lectures, written as script files a page opened from disk can load.
// Each word list is cut into chunks of about kChunkBytes in word order;
// the root the page loads first holds every segment's first word of each
// chunk, so a query loads only the chunks its words fall in. Slide titles
// and notes are in one set of chunks, captions in another, loaded only
// when a query goes on to search them. A lecture's list of slides (for
// showing a hit) is a small file of its own.
//
// A slide posting is the slide's number in the segment (counted across its
// lectures in order) and where the word is (1 title, 2 notes); a caption
// posting is the lecture's place in the segment, the part and the second
// the cue starts. Both are written as differences, in the number alphabet
// of SearchText.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "publish/LectureRecord.h"

namespace pellucor {

inline constexpr size_t kChunkBytes = 16 * 1024;

struct SearchSegment {
    int id = 0;
    std::vector<int> lectures;                   // course lecture ids, -1 where a lecture left
    std::vector<int> slides;                     // slides of each lecture
    std::vector<std::string> keys, captionKeys;  // first word of each chunk
    std::vector<std::string> files;              // the files written, by name

    int Live() const;
};

// The script of one chunk: it hands name and data to the page.
std::string ChunkScript(const std::string& name, const std::string& jsonData);

// Builds the segment of the given lectures (records; id of each) and writes
// its chunk files into dir. False with err (the file and the reason); files
// already written are named in seg.files.
bool WriteSearchSegment(const std::string& dir, int segmentId, const std::vector<int>& ids,
                        const std::vector<const LectureRecord*>& records, SearchSegment& seg, std::string& err);

// The file a lecture's slides are listed in for showing hits ("l7.js").
std::string LectureFileName(int lectureId);
bool WriteLectureFile(const std::string& dir, int lectureId, const LectureRecord& record, std::string& err);

}  // namespace pellucor
