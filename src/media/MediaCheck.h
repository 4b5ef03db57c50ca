// The check a published media file passes before its publication is put
// in place: every packet is read to the end (a file cut short or damaged
// fails) and its first and last seconds of sound and picture decode
// without error.
#pragma once

#include <string>

namespace pellucor {

// False with err naming the file and the fault.
bool CheckMediaPlays(const std::string& path, std::string& err);

}  // namespace pellucor
