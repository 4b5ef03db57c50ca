// Time-of-day texts as the capture windows read and write them: "hh:mm:ss"
// on output, "h:mm" or "h:mm:ss" on input.
#pragma once

#include <string>

namespace pellucor {

// Reads "h:mm" or "h:mm:ss" (blanks around it ignored) into seconds.
// False when the text is not such a time (minutes and seconds below 60).
bool TimeValue(const std::string& text, long& seconds);

// Seconds as "hh:mm:ss" (hours keep counting past 23).
std::string HmsText(long seconds);

}  // namespace pellucor
