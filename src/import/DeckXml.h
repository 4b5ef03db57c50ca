// What the readers of a presentation's own XML share: the OpenDocument
// namespaces, the text of a paragraph as a slide shows it (OpenDocument and
// Office Open XML), and reading a flat file with a size limit.
#pragma once

#include <QByteArray>
#include <QStringView>
#include <QXmlStreamReader>

#include <optional>
#include <string>
#include <vector>

namespace pellucor {

inline constexpr QStringView kDrawNs = u"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
inline constexpr QStringView kDr3dNs = u"urn:oasis:names:tc:opendocument:xmlns:dr3d:1.0";
inline constexpr QStringView kTextNs = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";
inline constexpr QStringView kOfficeNs = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";
inline constexpr QStringView kTableNs = u"urn:oasis:names:tc:opendocument:xmlns:table:1.0";
inline constexpr QStringView kPresentationNs = u"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0";
// No part of a deck is read past this size.
inline constexpr qint64 kMaxDeckXmlBytes = 256 << 20;

// The paragraphs joined by CR.
std::string JoinParagraphs(const std::vector<std::string>& paragraphs);

// Text of one text:p or text:h, the reader on its start tag.
std::string OdfParagraphText(QXmlStreamReader& r);
// Paragraphs of a shape or text box (lists included), the reader on the
// container's start tag.
void OdfParagraphs(QXmlStreamReader& r, std::vector<std::string>& out);
// Text of one a:p, the reader on its start tag; a:br becomes VT.
std::string OoxmlParagraphText(QXmlStreamReader& r);

std::optional<QByteArray> ReadPlainDeckFile(const std::string& path);

}  // namespace pellucor
