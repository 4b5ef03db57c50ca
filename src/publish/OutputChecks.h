// What a publish may do to its output directory. A publication records the
// files it wrote in a manifest inside it; anything else found there was put
// there by someone else and is never removed without the user's word. And
// the output may never be the lecture, its media, the style or a folder
// that holds one of them: told apart by the identity of the directories
// (device and inode), not by how their paths are written.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace pellucor {

// The manifest's name inside a publication.
inline constexpr const char* kManifestName = ".pellucor-manifest";

// Lists every file below dir (paths relative to it, "/" between levels) in
// dir's manifest. False with err (the system's reason) when it cannot be
// written.
bool WriteManifest(const std::string& dir, std::string& err);
// Adds name (a file written into the publication afterwards, such as a
// report on it) to dir's manifest, so that the next publish there replaces
// it rather than taking it for someone else's. False with err.
bool AddToManifest(const std::string& dir, const std::string& name, std::string& err);
// The files dir's manifest lists (empty when it has none).
std::set<std::string> ReadManifest(const std::string& dir);
// The entries of dir that no publication wrote: files its manifest does not
// list, and folders holding no listed file. Relative paths in name order,
// a folder's ending in "/", a symbolic link's (named itself, never where
// it points) followed by " (a symbolic link)".
std::vector<std::string> ForeignEntries(const std::string& dir);

// Why output cannot be published into ("" when it can): it is one of the
// input directories (the media, lecture or style directory) or holds one
// of them.
std::string OutputClash(const std::string& output, const std::vector<std::string>& inputDirs);

// The system's reason for the last failed call ("No space left on device").
std::string SystemError(int errnum);

}  // namespace pellucor
