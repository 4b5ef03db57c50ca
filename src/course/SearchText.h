// The words a course search matches on, made the same way here (when the
// index is built) and in the course page's script (when a student types):
// text is decomposed (NFKD), its accents and other combining marks dropped,
// lower-cased, and cut into runs of letters and digits; "ß" reads as "ss"
// and a final sigma as sigma. Words of one character are not searched.
// Words are ordered by their UTF-16 code units, as the script compares
// strings, so that both agree on which chunk of the index holds a word.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pellucor {

// A word is cut to this many characters (a longer one is found by its start).
inline constexpr int kMaxTermChars = 32;

// The folded words of UTF-8 text, in text order (repeats kept).
std::vector<std::string> SearchTerms(const std::string& text);
// The key that orders folded words as the script compares strings.
std::u16string TermOrder(const std::string& term);

// Numbers written as text for the page's script: base 32, most significant
// digit first, every digit but the last from a second alphabet so that the
// reader knows where a number ends. Small numbers take one character.
void AppendNumber(std::string& out, uint64_t n);

}  // namespace pellucor
