// What a lecture directory holds, read without following symbolic links:
// every entry's relative path, kind, size and modification time. Two
// snapshots tell whether a tree is still being written (settle) and whether
// a copy is complete (verification).
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace pellucor {

struct TreeEntry {
    char kind = 'f';  // 'f' file, 'd' directory, 'l' symbolic link, 'o' other
    uint64_t size = 0;
    int64_t mtimeNs = 0;
    bool operator==(const TreeEntry&) const = default;
};

struct TreeSnapshot {
    std::map<std::string, TreeEntry> entries;  // by path relative to the root
    std::string error;                         // set when the tree could not be read

    bool ok() const { return error.empty(); }
    // The first symbolic link or special file in the tree, or "".
    std::string FirstNotPlain() const;
    // Same paths, kinds and file sizes (times are not compared).
    bool SameContentAs(const TreeSnapshot& other, std::string& difference) const;
    bool operator==(const TreeSnapshot& other) const { return entries == other.entries && error == other.error; }
};

TreeSnapshot TakeSnapshot(const std::string& root);

}  // namespace pellucor
