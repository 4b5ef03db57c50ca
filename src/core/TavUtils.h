// File, directory, time and size helpers shared by every module. Paths are
// native: "/" is the separator and every directory text that is stored or
// compared ends in one (Tav_DirSlash).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/DebugLog.h"
#include "core/Messages.h"
#include "core/TavString.h"

namespace pellucor {

inline constexpr char kPathSeparator = '/';

std::string Tav_StripExt(const std::string& path);
std::string Tav_FixSlashes(const std::string& path);
std::string Tav_DirSlash(const std::string& path);
// Joins a directory and a name with exactly one separator between them.
std::string Join(const std::string& dir, const std::string& name);

bool Tav_Chkdrv(const std::string& path);
bool Tav_Mkdir(const std::string& path);
bool Tav_ChkDir(const std::string& path);
bool Tav_ChkFile(const std::string& path);
bool Tav_ChkFileMsg(const std::string& path);
bool Tav_RemoveDir(const std::string& dir);
bool Tav_RemoveFile(const std::string& path);
bool Tav_CopyFiles(const std::string& src, const std::string& dst, const std::string& pattern);
// The system's reason for the last failed call ("No space left on device").
std::string ErrnoText();

std::string Tav_TicksToTime(int64_t ticks);
int32_t Tav_TimeToTicks(const std::string& text);
std::string Tav_SizeText(int64_t n);

struct TavPathParts {
    std::string last;     // text after the last separator (without a trailing one)
    std::string leading;  // text up to and including that separator
};
TavPathParts Tav_SplitPath(const std::string& path);

// Iterator over the subdirectories below a root: a non-blank root rebuilds
// the table and returns its first entry; a blank root returns the next one,
// and an empty string once the table is exhausted.
std::string Tav_NextTreeEntry(const std::string& root);
void Tav_ScanTree(const std::string& root, const std::string& rel, int depth);

// Opens a document or address with the desktop's default application.
bool Tav_ShellOpen(const std::string& target);

// Wildcard match ("*" any run, "?" one character), ignoring letter case.
// "*.*" matches every name.
bool WildcardMatch(const std::string& name, const std::string& pattern);
// Names of the regular files of dir matching pattern, in name order.
std::vector<std::string> ListFiles(const std::string& dir, const std::string& pattern);
// Names of the subdirectories of dir, in name order.
std::vector<std::string> ListDirs(const std::string& dir);
bool HasFiles(const std::string& dir, const std::string& pattern);
int64_t FileLen(const std::string& path);

// Writes one line of a text file, ended by CR LF.
void WriteLine(std::ostream& out, const std::string& text);

}  // namespace pellucor
