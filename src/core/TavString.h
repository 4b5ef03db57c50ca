// String helpers shared by every module: field splitting, line reading from
// text files, and the small text utilities the rest of the program leans on.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace pellucor {

// Splits text into fields. Fields are stored from index 1 (index 0 stays
// empty); the result's size() - 1 is the field count. The separator is the
// first character of sep, or a blank when sep is empty.
std::vector<std::string> Tav_Split(std::string_view text, std::string_view sep = " ");

// Reads one line: skips CR, LF, blanks and tabs before the first kept
// character, then stops at CR or LF. Returns false (and an empty line) at the
// end of the input.
bool Tav_ReadLine(std::istream& in, std::string& line);

std::string Trim(std::string_view s);
std::string Lower(std::string_view s);
std::string Upper(std::string_view s);
bool Contains(std::string_view s, std::string_view what);
bool IContains(std::string_view s, std::string_view what);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
bool IEquals(std::string_view a, std::string_view b);

// Replaces every occurrence left to right without rescanning inserted text.
std::string ReplaceAll(std::string_view s, std::string_view find, std::string_view with);
// Text with "&", "<" and ">" as character references, as HTML and WebVTT
// text hold them.
std::string MarkupEscaped(std::string_view text);

// Whether c is a byte inside a UTF-8 character rather than its first.
inline bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
// The first at most maxBytes bytes of text, not cutting a UTF-8 character
// in two.
std::string Utf8Prefix(std::string_view text, size_t maxBytes);

// Reads a number the lenient way: leading blanks, optional sign, digits and
// an optional fraction; anything unreadable counts as 0.
double Val(std::string_view s);

// Rounds to the nearest whole number, halves to even.
int64_t RoundHalfEven(double v);

// Formats with at least three digits, zero-filled ("000" pattern).
std::string Fmt000(long n);
// Formats as two digits, zero-filled ("00" pattern).
std::string Fmt00(long n);

}  // namespace pellucor
