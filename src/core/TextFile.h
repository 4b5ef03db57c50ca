// Whole files written so that a reader never sees half of one: into a
// temporary file beside the target, renamed into place once complete.
#pragma once

#include <string>

namespace pellucor {

// False with err naming the path and the system's reason; the target is
// then as it was.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& err);
// The whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);

}  // namespace pellucor
