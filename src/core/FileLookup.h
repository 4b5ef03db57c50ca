// Finding a lecture's files by name. Names are compared without regard to
// letter case, as lectures made on case-insensitive systems expect, and the
// name found on disk is the one used; two entries that differ only in case
// make the lookup ambiguous, which is reported rather than guessed.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace pellucor {

// One directory's entries (files of every kind, and subdirectories), read
// once and looked up by name in any letter case.
class DirListing {
public:
    explicit DirListing(const std::string& dir);

    // True when an entry of that name exists in any letter case; path is
    // then the directory joined with the name as found. False with err set
    // when two entries differ only in case; false with err empty when none.
    bool Find(const std::string& name, std::string& path, std::string& err) const;
    // The path of the entry, or empty when none or ambiguous.
    std::string Path(const std::string& name) const;

private:
    std::string dir_;
    std::multimap<std::string, std::string> byLower_;
};

// A single lookup of dir + name (see DirListing::Find).
bool FindFile(const std::string& dir, const std::string& name, std::string& path, std::string& err);
// The same for a whole path: its directory is looked up as given, its last
// component in any letter case.
bool FindPath(const std::string& path, std::string& found, std::string& err);

// Why path cannot be read as an ordinary file ("" when it can): it does not
// exist, it is a directory, a pipe, a device or a socket, or opening it
// fails (the system's reason). Never blocks, whatever kind of file it is.
std::string FileProblem(const std::string& path);
// Whether path is an existing regular file (following links).
bool IsRegularFile(const std::string& path);

// Tav_CopyFiles with the reason of the first failure (the file and why) in
// err: every entry the pattern names is copied or reported, so a pipe or an
// unreadable file is not passed over as if it were not there.
bool Tav_CopyFiles(const std::string& src, const std::string& dst, const std::string& pattern, std::string& err);

// The file: address of a local path, every character that has a meaning in
// an address (such as "#", "?", "%" or a blank) encoded.
std::string FileUrl(const std::string& path);

}  // namespace pellucor
