// The debug log: one plain text file, recreated at the first line of each
// run, always on. Lines end in CR LF like every text file we write.
#pragma once

#include <string>

namespace pellucor {

void Tav_DebugLog(const std::string& text);

// Path of the log file: $PELLUCOR_STATE_DIR, else $XDG_STATE_HOME/pellucor,
// else ~/.local/state/pellucor, followed by "Syncdbg.txt".
std::string DebugLogPath();

}  // namespace pellucor
