#include "import/DeckXml.h"

#include <QFile>

#include <algorithm>

namespace pellucor {

namespace {

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

}  // namespace

std::string JoinParagraphs(const std::vector<std::string>& paragraphs)
{
    std::string out;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        if (i)
            out += '\r';
        out += paragraphs[i];
    }
    return out;
}

// Text of one text:p or text:h, the reader on its start tag. Runs of white
// space in character data count as one blank; text:s, text:tab and
// text:line-break stand for the blanks, tabs and breaks that are meant.
std::string OdfParagraphText(QXmlStreamReader& r)
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
void OdfParagraphs(QXmlStreamReader& r, std::vector<std::string>& out)
{
    while (r.readNextStartElement()) {
        const QStringView name = r.name();
        if (r.namespaceUri() == kTextNs && (name == u"p" || name == u"h"))
            out.push_back(OdfParagraphText(r));
        else if (r.namespaceUri() == kTextNs && (name == u"list" || name == u"list-item" || name == u"list-header"))
            OdfParagraphs(r, out);
        else
            r.skipCurrentElement();
    }
}

std::string OoxmlParagraphText(QXmlStreamReader& r)
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

std::optional<QByteArray> ReadPlainDeckFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxDeckXmlBytes)
        return std::nullopt;
    return file.readAll();
}

}  // namespace pellucor
