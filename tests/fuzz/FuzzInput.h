// What the fuzz targets share: the input split into the files a target
// writes (at each "\n--8<--\n"), and a scratch directory of the process's
// own where they are written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pellucor::fuzz {

// The pieces of data, at most count of them (the last holds the rest).
std::vector<std::string> Pieces(const uint8_t* data, size_t size, size_t count);
// The scratch directory (ending in "/"), made once per process.
const std::string& Scratch();
// Writes text into Scratch() + name and gives the path.
std::string Put(const std::string& name, const std::string& text);

}  // namespace pellucor::fuzz
