// The words of each slide read from a presentation's own XML, exactly as
// the presentation holds them: every shape's text in reading order (the
// title first, then the shapes from top to bottom and left to right along
// a row where the slide places every one, else as it lists them; the cells of a
// table row by row, the shapes of a group in place, then the words its
// master page shows on every slide), without the slide number, date and
// footer fields and without the notes. The title is the text of the
// slide's title placeholder.
#pragma once

#include <QByteArray>

#include <string>
#include <vector>

#include "import/SlideTitles.h"

namespace pellucor {

struct DeckSlideText {
    std::string title;     // the title placeholder's text on one line; may be empty
    std::string text;      // a line per paragraph, an empty line between shapes
    bool fromPdf = false;  // read from a PDF's text layer, not the presentation's shapes
};

// One entry per slide, in slide order; fewer for a deck that cannot be
// read (never an error).
std::vector<DeckSlideText> ReadDeckText(const std::string& path, DeckKind kind);

// The parsers behind it, on the XML text itself.
// stylesXml: the master pages (styles.xml; a flat document holds them).
std::vector<DeckSlideText> OdfDeckText(const QByteArray& contentXml, const QByteArray& stylesXml = {});
DeckSlideText OoxmlSlideText(const QByteArray& slideXml);

}  // namespace pellucor
