// Each part's recording of a lecture and the events file that goes beside
// it, found the way lecture loading finds them, but before any events file
// exists: for a lecture whose slide times are still to be found from its
// recordings. Parts talk1, talk2 ... (any recording kind, RealMedia
// first); else one part: rawmedia with pellucor.txt, the first RealMedia
// file, or the first recording of today, each with its own events name.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

struct PartRecording {
    int part = 1;
    std::string recording;  // the picture recording where a part has two files
    std::string events;     // the events file lecture loading reads for the part
    std::string current;    // the events file it reads now ("" when none): the
                            // same, or images.txt, which it prefers to pellucor.txt
};

// False with err when the media directory holds no recording or a file of
// it cannot be read.
bool FindPartRecordings(const std::string& mediaDir, const std::string& lecName, std::vector<PartRecording>& parts,
                        std::string& err);

}  // namespace pellucor
