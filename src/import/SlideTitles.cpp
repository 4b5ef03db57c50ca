#include "import/SlideTitles.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>

#include "import/ZipReader.h"

namespace pellucor {

namespace {

constexpr QStringView kDrawNs = u"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
constexpr QStringView kDr3dNs = u"urn:oasis:names:tc:opendocument:xmlns:dr3d:1.0";
constexpr QStringView kTextNs = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr QStringView kOfficeNs = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr qint64 kMaxXmlBytes = 256 << 20;

std::string joinParagraphs(const std::vector<std::string>& paragraphs)
{
    std::string out;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        if (i)
            out += '\r';
        out += paragraphs[i];
    }
    return out;
}

// --- OpenDocument -------------------------------------------------------

// Text of one text:p or text:h, the reader on its start tag. Runs of white
// space in character data count as one blank; text:s, text:tab and
// text:line-break stand for the blanks, tabs and breaks that are meant.
std::string odfParagraphText(QXmlStreamReader& r)
{
    std::string text;
    bool lastWasSpace = true;  // white space at the start of a paragraph is dropped
    int depth = 1;
    while (depth > 0 && !r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            const QStringView name = r.name();
            const bool textNs = r.namespaceUri() == kTextNs;
            if (textNs && name == u"s") {
                const int count
                    = std::clamp(r.attributes().value(kTextNs.toString(), QStringLiteral("c")).toInt(), 1, 1000);
                text.append(static_cast<size_t>(count), ' ');
                lastWasSpace = false;
                r.skipCurrentElement();
            } else if (textNs && name == u"tab") {
                text += '\t';
                lastWasSpace = false;
                r.skipCurrentElement();
            } else if (textNs && name == u"line-break") {
                text += '\v';
                lastWasSpace = true;
                r.skipCurrentElement();
            } else if ((textNs && (name == u"note" || name == u"ruby-text"))
                       || (r.namespaceUri() == kOfficeNs && name == u"annotation")) {
                r.skipCurrentElement();
            } else {
                ++depth;
            }
        } else if (r.isEndElement()) {
            --depth;
        } else if (r.isCharacters()) {
            for (QChar c : r.text()) {
                const bool space = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
                if (space) {
                    if (!lastWasSpace)
                        text += ' ';
                    lastWasSpace = true;
                } else {
                    text += QString(c).toStdString();
                    lastWasSpace = false;
                }
            }
        }
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// Paragraphs of a shape or text box (lists included), the reader on the
// container's start tag.
void odfParagraphs(QXmlStreamReader& r, std::vector<std::string>& out)
{
    while (r.readNextStartElement()) {
        const QStringView name = r.name();
        if (r.namespaceUri() == kTextNs && (name == u"p" || name == u"h"))
            out.push_back(odfParagraphText(r));
        else if (r.namespaceUri() == kTextNs && (name == u"list" || name == u"list-item" || name == u"list-header"))
            odfParagraphs(r, out);
        else
            r.skipCurrentElement();
    }
}

// Text of a shape, the reader on its start tag. A frame's text lives in
// its text box; a group has no text of its own.
std::optional<std::string> odfShapeText(QXmlStreamReader& r)
{
    const QStringView name = r.name();
    if (name == u"g" || r.namespaceUri() == kDr3dNs) {
        r.skipCurrentElement();
        return std::nullopt;
    }
    std::vector<std::string> paragraphs;
    if (name == u"frame") {
        bool hasTextBox = false;
        while (r.readNextStartElement()) {
            if (r.namespaceUri() == kDrawNs && r.name() == u"text-box") {
                hasTextBox = true;
                odfParagraphs(r, paragraphs);
            } else {
                r.skipCurrentElement();
            }
        }
        if (!hasTextBox)
            return std::nullopt;
    } else {
        odfParagraphs(r, paragraphs);
    }
    if (paragraphs.empty())
        return std::nullopt;
    return joinParagraphs(paragraphs);
}

// The first shape among the page's own children (notes, animations and
// forms are not shapes).
std::optional<std::string> odfPageTitle(QXmlStreamReader& r)
{
    std::optional<std::string> title;
    bool found = false;
    while (r.readNextStartElement()) {
        if (!found && (r.namespaceUri() == kDrawNs || r.namespaceUri() == kDr3dNs)) {
            found = true;
            title = odfShapeText(r);
        } else {
            r.skipCurrentElement();
        }
    }
    return title;
}

// --- Office Open XML ------------------------------------------------------

std::string ooxmlRunText(QXmlStreamReader& r)
{
    std::string text;
    while (r.readNextStartElement()) {
        if (r.name() == u"t")
            text += r.readElementText(QXmlStreamReader::IncludeChildElements).toStdString();
        else
            r.skipCurrentElement();
    }
    return text;
}

std::string ooxmlParagraphText(QXmlStreamReader& r)
{
    std::string text;
    while (r.readNextStartElement()) {
        const QStringView name = r.name();
        if (name == u"r" || name == u"fld") {
            text += ooxmlRunText(r);
        } else if (name == u"br") {
            text += '\v';
            r.skipCurrentElement();
        } else {
            r.skipCurrentElement();
        }
    }
    return text;
}

std::optional<std::string> ooxmlShapeText(QXmlStreamReader& r)
{
    std::optional<std::string> result;
    while (r.readNextStartElement()) {
        if (r.name() != u"txBody") {
            r.skipCurrentElement();
            continue;
        }
        std::vector<std::string> paragraphs;
        while (r.readNextStartElement()) {
            if (r.name() == u"p")
                paragraphs.push_back(ooxmlParagraphText(r));
            else
                r.skipCurrentElement();
        }
        result = joinParagraphs(paragraphs);
    }
    return result;
}

// The first shape of a shape tree, looking through markup-compatibility
// wrappers (their first choice).
std::optional<std::string> ooxmlFirstShape(QXmlStreamReader& r, bool& found)
{
    while (!found && r.readNextStartElement()) {
        const QStringView name = r.name();
        if (name == u"nvGrpSpPr" || name == u"grpSpPr" || name == u"extLst" || name == u"Fallback") {
            r.skipCurrentElement();
        } else if (name == u"AlternateContent" || name == u"Choice") {
            auto text = ooxmlFirstShape(r, found);
            if (found)
                return text;
        } else {
            found = true;
            if (name == u"sp")
                return ooxmlShapeText(r);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> readPlainFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxXmlBytes)
        return std::nullopt;
    return file.readAll();
}

}  // namespace

SlideTitleList OdfSlideTitles(const QByteArray& contentXml)
{
    SlideTitleList titles;
    QXmlStreamReader r(contentXml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.namespaceUri() == kDrawNs && r.name() == u"page")
            titles.push_back(odfPageTitle(r));
    }
    return titles;
}

std::optional<std::string> OoxmlSlideTitle(const QByteArray& slideXml)
{
    QXmlStreamReader r(slideXml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"spTree") {
            bool found = false;
            return ooxmlFirstShape(r, found);
        }
    }
    return std::nullopt;
}

std::vector<std::string> OoxmlSlideParts(const QByteArray& presentationXml, const QByteArray& presentationRels)
{
    std::map<QString, QString> targets;
    QXmlStreamReader rels(presentationRels);
    while (!rels.atEnd()) {
        rels.readNext();
        if (rels.isStartElement() && rels.name() == u"Relationship") {
            const auto a = rels.attributes();
            targets[a.value(QStringLiteral("Id")).toString()] = a.value(QStringLiteral("Target")).toString();
        }
    }
    std::vector<std::string> parts;
    QXmlStreamReader r(presentationXml);
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement() || r.name() != u"sldId")
            continue;
        for (const QXmlStreamAttribute& a : r.attributes()) {
            if (a.name() != u"id" || a.namespaceUri().isEmpty())
                continue;
            const auto it = targets.find(a.value().toString());
            if (it == targets.end())
                continue;
            const QString& target = it->second;
            const QString part = target.startsWith(u'/') ? target.mid(1) : QDir::cleanPath("ppt/" + target);
            parts.push_back(part.toStdString());
        }
    }
    return parts;
}

DeckKind SniffDeck(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return DeckKind::Other;
    const QByteArray head = file.read(512);
    file.close();
    if (head.startsWith("PK\x03\x04")) {
        const ZipReader zip(path);
        if (zip.Has("ppt/presentation.xml"))
            return DeckKind::OfficeOpenXml;
        if (zip.Has("content.xml"))
            return DeckKind::OpenDocument;
        return DeckKind::Other;
    }
    QByteArray text = head;
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.mid(3);
    text = text.trimmed();
    if (text.startsWith("<?xml") || text.startsWith("<office:document"))
        return DeckKind::FlatOpenDocument;
    return DeckKind::Other;
}

SlideTitleList ReadSlideTitles(const std::string& path, DeckKind kind)
{
    switch (kind) {
    case DeckKind::OpenDocument: {
        const auto content = ZipReader(path).Read("content.xml", kMaxXmlBytes);
        return content ? OdfSlideTitles(*content) : SlideTitleList {};
    }
    case DeckKind::FlatOpenDocument: {
        const auto content = readPlainFile(path);
        return content ? OdfSlideTitles(*content) : SlideTitleList {};
    }
    case DeckKind::OfficeOpenXml: {
        const ZipReader zip(path);
        const auto presentation = zip.Read("ppt/presentation.xml", kMaxXmlBytes);
        const auto rels = zip.Read("ppt/_rels/presentation.xml.rels", kMaxXmlBytes);
        SlideTitleList titles;
        if (!presentation || !rels)
            return titles;
        for (const std::string& part : OoxmlSlideParts(*presentation, *rels)) {
            const auto slide = zip.Read(part, kMaxXmlBytes);
            titles.push_back(slide ? OoxmlSlideTitle(*slide) : std::nullopt);
        }
        return titles;
    }
    case DeckKind::Other: break;
    }
    return {};
}

}  // namespace pellucor
