// Copying a marked section of a lecture page or notes file into the output.
#include "style/StyleEngine.h"

#include <fstream>

#include "core/TavUtils.h"

namespace pellucor {

std::string StyleEngine::CopySection(const std::string& startMarker, const std::string& endMarker,
                                     const std::string& file, std::ostream& out, int slide, bool toDisk, bool autoLinks,
                                     bool stripTags, bool keepMarkers) const
{
    // A file that cannot be opened has no section.
    if (file.empty())
        return "";
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return "";
    constexpr auto npos = std::string::npos;
    bool open = startMarker.empty();  // an empty start marker opens before the first line
    std::string line, text, last;
    while (ReadTextLine(in, line)) {
        size_t from = 0;                      // where the taken text starts
        size_t searchFrom = 0;                // where the end marker is looked for
        bool searchEnd = !endMarker.empty();  // an empty end marker is never found
        bool markerLine = false;
        if (!open) {
            const size_t c = line.find(startMarker);
            if (c == npos)
                continue;
            open = true;
            markerLine = true;
            from = c;
            // The end marker may stand on the start line: with keep-markers
            // after the start marker's first character, otherwise after the
            // whole start marker.
            searchFrom = keepMarkers ? c + 1 : c + startMarker.size();
            searchEnd = searchEnd && (keepMarkers ? c + 2 < line.size() : searchFrom < line.size());
        }
        const size_t e = searchEnd ? line.find(endMarker, searchFrom) : npos;
        if (markerLine && !keepMarkers && e == npos)
            text.clear();  // the section's text starts on the next line
        else if (markerLine && !keepMarkers)
            text = line.substr(searchFrom, e - searchFrom);  // a section on one line: its text
        else if (e == npos)
            text = line.substr(from);
        else if (keepMarkers)
            text = line.substr(from, e + endMarker.size() - from);  // through the end marker
        else
            text = line.substr(from, e - from);  // the text before the end marker

        if (stripTags)
            text = StripTags(text);
        if (autoLinks)
            text = AutoLink(text);
        SubstituteTokens(text, slide, toDisk);
        WriteTextLine(out, text);
        last = text;
        if (e != npos)
            break;
    }
    return last;
}

}  // namespace pellucor
