// Text helpers of the FTP upload: command words, remote paths, listings and
// server addresses. Pure functions, shared by the client and the window.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

// Splits a command into words. Words are separated by blanks; a word in
// double quotes may hold blanks, and "" inside it stands for one quote.
// Control characters (CR, LF, NUL ...) are refused: they would let a name
// smuggle a second command onto the control connection.
bool FtpSplitCommand(const std::string& command, std::vector<std::string>& words, std::string& error);

// A word in double quotes, quotes inside it doubled (the inverse of the
// splitting above).
std::string FtpQuote(const std::string& word);

// The absolute remote path of path taken from the directory cwd ("." and
// ".." resolved, no trailing "/" except for the root "/").
std::string FtpResolvePath(const std::string& cwd, const std::string& path);

// Turns the lines of a LIST reply into names, one a line, directories
// ending in "/"; "." and ".." are left out. Lines in neither the Unix nor
// the DOS listing format are kept as they are.
std::string FtpListingNames(const std::string& listing);

// The address used for a server text: a plain host name becomes
// "ftp://" + name + "/"; a text that already names ftp:, ftps:, ftpes:,
// sftp:, http: or https: is used unchanged.
std::string FtpServerUrl(const std::string& serverText);

// The address with any password in it replaced by "***" (for logs and
// status lines).
std::string FtpRedactUrl(const std::string& url);

}  // namespace pellucor
