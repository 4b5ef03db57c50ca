// One look at the incoming tree: the lectures marked ready ("x-" + name, in
// any letter case), the claims servers hold, and the symbolic links found
// there. Symbolic links are never followed, and ready lectures, refused
// lectures ("e-" + name), claims and hidden directories are not searched
// further.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

struct IncomingEntry {
    enum class Kind { Ready, Claim, Link };
    Kind kind;
    std::string rel;   // directory relative to the incoming directory: "" or ending in "/"
    std::string name;  // the name exactly as on disk
    std::string Path(const std::string& incoming) const { return incoming + rel + name; }
};

// incoming ends in "/". At most ten levels deep and a thousand directories.
std::vector<IncomingEntry> ScanIncoming(const std::string& incoming);

}  // namespace pellucor
