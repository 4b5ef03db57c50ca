// Slide titles read from a presentation file: the text of each slide's
// title placeholder where it has one (as its slide text has it), else of
// its first shape, in slide order. OpenDocument (.odp, flat .fodp) and Office
// Open XML (.pptx) are read directly; other formats must first be converted
// to OpenDocument.
#pragma once

#include <QByteArray>

#include <optional>
#include <string>
#include <vector>

namespace pellucor {

enum class DeckKind { OpenDocument, FlatOpenDocument, OfficeOpenXml, Pdf, Other };

// Looks at the file's content, not its name.
DeckKind SniffDeck(const std::string& path);

// One entry per slide: the title placeholder's text on one line, else the
// first shape's text (paragraphs separated by CR, line breaks inside a
// paragraph by VT), or nullopt when the slide has neither. Unreadable parts give fewer
// entries or nullopt entries, never an error.
using SlideTitleList = std::vector<std::optional<std::string>>;
SlideTitleList ReadSlideTitles(const std::string& path, DeckKind kind);

// The parsers behind it, on the XML text itself.
SlideTitleList OdfSlideTitles(const QByteArray& contentXml);
std::optional<std::string> OoxmlSlideTitle(const QByteArray& slideXml);
// Zip member names of the slides of presentation.xml, in slide order.
std::vector<std::string> OoxmlSlideParts(const QByteArray& presentationXml, const QByteArray& presentationRels);

}  // namespace pellucor
