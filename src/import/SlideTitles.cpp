#include "import/SlideTitles.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>

#include "import/DeckText.h"
#include "import/DeckXml.h"
#include "import/ZipReader.h"

namespace pellucor {

namespace {

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
                OdfParagraphs(r, paragraphs);
            } else {
                r.skipCurrentElement();
            }
        }
        if (!hasTextBox)
            return std::nullopt;
    } else {
        OdfParagraphs(r, paragraphs);
    }
    if (paragraphs.empty())
        return std::nullopt;
    return JoinParagraphs(paragraphs);
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
                paragraphs.push_back(OoxmlParagraphText(r));
            else
                r.skipCurrentElement();
        }
        result = JoinParagraphs(paragraphs);
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
    // The title placeholder, as the slide's text has it, wherever it is
    // among the shapes.
    const std::vector<DeckSlideText> placed = OdfDeckText(contentXml);
    for (size_t i = 0; i < titles.size() && i < placed.size(); ++i)
        if (!placed[i].title.empty())
            titles[i] = placed[i].title;
    return titles;
}

std::optional<std::string> OoxmlSlideTitle(const QByteArray& slideXml)
{
    // LibreOffice, for one, saves a title slide's subtitle before its title.
    if (std::string placed = OoxmlSlideText(slideXml).title; !placed.empty())
        return placed;
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
    if (head.startsWith("%PDF-"))
        return DeckKind::Pdf;
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
        const auto content = ZipReader(path).Read("content.xml", kMaxDeckXmlBytes);
        return content ? OdfSlideTitles(*content) : SlideTitleList {};
    }
    case DeckKind::FlatOpenDocument: {
        const auto content = ReadPlainDeckFile(path);
        return content ? OdfSlideTitles(*content) : SlideTitleList {};
    }
    case DeckKind::OfficeOpenXml: {
        const ZipReader zip(path);
        const auto presentation = zip.Read("ppt/presentation.xml", kMaxDeckXmlBytes);
        const auto rels = zip.Read("ppt/_rels/presentation.xml.rels", kMaxDeckXmlBytes);
        SlideTitleList titles;
        if (!presentation || !rels)
            return titles;
        for (const std::string& part : OoxmlSlideParts(*presentation, *rels)) {
            const auto slide = zip.Read(part, kMaxDeckXmlBytes);
            titles.push_back(slide ? OoxmlSlideTitle(*slide) : std::nullopt);
        }
        return titles;
    }
    case DeckKind::Pdf:
    case DeckKind::Other: break;
    }
    return {};
}

}  // namespace pellucor
