// Moving lecture trees between directories that may lie on different file
// systems: a rename that never replaces, a copy that refuses anything but
// plain files and directories, and a removal, each reporting its progress
// per file so the caller can mark progress for other servers.
#pragma once

#include <functional>
#include <string>

namespace pellucor {

// Called after each file or directory with the count done so far and the
// total (0 when unknown).
using TreeProgress = std::function<void(long done, long total)>;

// Renames from to `to` unless `to` exists. 0 on success, else the errno
// (EEXIST or ENOTEMPTY when `to` exists, EXDEV across file systems).
int RenameNoReplace(const std::string& from, const std::string& to);
// Copies the tree `from` into the new directory `to` (which must not
// exist), keeping permissions and modification times. Symbolic links and
// special files are refused, never followed.
bool CopyTree(const std::string& from, const std::string& to, const TreeProgress& progress, std::string& err);
// Puts a lecture that will not be published back into `dir` as "e-" + name
// (or "e-NAME-2" and so on when that is taken, never replacing anything).
// The path it went to, or "" when it could not be moved (errno in err).
std::string ReturnRefused(const std::string& from, const std::string& dir, const std::string& name, std::string& err);
// Removes the tree (a symbolic link is removed, never followed).
bool RemoveTree(const std::string& path, const TreeProgress& progress, std::string& err);

}  // namespace pellucor
