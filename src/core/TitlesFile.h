// The slide titles written beside a lecture's pictures by a slide import
// or a lecture made from a recording: titles.txt (a header, then
// "img001.gif" "Title" with a quote as &qt;) and the slides' list page
// index.htm (a line per slide linking its page); and the title as the
// list page holds it, read back.
#pragma once

#include <string>

namespace pellucor {

// "# Title information extraced by Pellucor from " + from.
std::string TitlesFileHeader(const std::string& from);
// The title with its quotes as titles.txt keeps them (&qt;).
std::string TitlesFileQuoted(const std::string& title);
// The line of slide number slide (from 1), without its line end.
std::string TitlesFileLine(int slide, const std::string& title);
// The list page's line of slide number slide, the title as HTML text.
std::string SlideIndexLine(int slide, const std::string& title);
// The text of a title the list page holds ("R&amp;D" gives "R&D").
std::string SlideIndexTitleText(const std::string& html);

}  // namespace pellucor
