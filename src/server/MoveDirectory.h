// Moving a lecture directory into the repository without ever losing it.
#pragma once

#include <string>

namespace pellucor {

// Moves src to dst (dst must not exist). Within one filesystem this is a
// rename. Across filesystems the tree is copied into a hidden directory
// beside dst, renamed into place, and only then is src removed, so an
// interruption leaves src whole. False with err when nothing was moved.
bool MoveDirectory(const std::string& src, const std::string& dst, std::string& err);

}  // namespace pellucor
