// The check a published media file passes before its publication is put
// in place: every packet is read to the end (a file cut short or damaged
// fails) and its first and last seconds of sound and picture decode
// without error. A file that passed is not read again while it stays as it
// was (same inode, size and times): a publication's files are checked where
// they are written and again only if something changed them since.
#pragma once

#include <string>

namespace pellucor {

// False with err naming the file and the fault.
bool CheckMediaPlays(const std::string& path, std::string& err);

}  // namespace pellucor
