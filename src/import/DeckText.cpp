#include "import/DeckText.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <map>
#include <utility>

#include "import/DeckXml.h"
#include "import/ZipReader.h"

namespace pellucor {

namespace {

// One shape's text: its paragraphs (breaks inside one made lines of their
// own), and whether it is the slide's title.
struct ShapeText {
    std::vector<std::string> lines;
    bool title = false;
    // Where its top left corner is on the slide, in millimetres, when the
    // slide itself says so.
    bool placed = false;
    double x = 0, y = 0;
};

// Shapes whose tops are closer than this are on one row, read left to right.
constexpr double kRowMm = 5;

// "2.5cm", "12mm", "1in", "72pt" in millimetres; false for none.
bool odfLength(QStringView text, double& mm)
{
    static const std::pair<const char*, double> units[] = {{"cm", 10}, {"mm", 1}, {"in", 25.4}, {"pt", 25.4 / 72}};
    for (const auto& [unit, factor] : units)
        if (text.endsWith(QLatin1String(unit))) {
            bool ok = false;
            mm = text.chopped(2).toDouble(&ok) * factor;
            return ok;
        }
    return false;
}

// The shapes other than the title in reading order: top to bottom, and
// left to right along a row, where every one has its place; otherwise as
// the slide lists them.
std::vector<const ShapeText*> readingOrder(const std::vector<ShapeText>& shapes)
{
    std::vector<const ShapeText*> out;
    bool placed = true;
    for (const ShapeText& s : shapes)
        if (!s.title && !s.lines.empty()) {
            out.push_back(&s);
            placed = placed && s.placed;
        }
    if (!placed)
        return out;
    std::stable_sort(out.begin(), out.end(), [](const ShapeText* a, const ShapeText* b) { return a->y < b->y; });
    for (auto row = out.begin(); row != out.end();) {
        auto end = row;
        while (end != out.end() && (*end)->y - (*row)->y < kRowMm)
            ++end;
        std::stable_sort(row, end, [](const ShapeText* a, const ShapeText* b) { return a->x < b->x; });
        row = end;
    }
    return out;
}

void addParagraph(std::vector<std::string>& lines, const std::string& paragraph)
{
    std::string line;
    for (char c : paragraph + '\v') {
        if (c == '\v' || c == '\r' || c == '\n') {
            const auto first = line.find_first_not_of(" \t");
            if (first != std::string::npos)
                lines.push_back(line.substr(first, line.find_last_not_of(" \t") - first + 1));
            line.clear();
        } else {
            line += c == '\t' ? ' ' : c;
        }
    }
}

DeckSlideText assemble(std::vector<ShapeText>& shapes)
{
    DeckSlideText out;
    std::vector<const ShapeText*> order;
    for (const ShapeText& s : shapes)
        if (s.title && !s.lines.empty())
            order.push_back(&s);
    for (const ShapeText* s : order) {
        for (const std::string& l : s->lines)
            out.title += (out.title.empty() ? "" : " ") + l;
        break;
    }
    for (const ShapeText* s : readingOrder(shapes))
        order.push_back(s);
    for (const ShapeText* s : order) {
        if (!out.text.empty())
            out.text += "\n\n";
        for (size_t i = 0; i < s->lines.size(); ++i)
            out.text += (i ? "\n" : "") + s->lines[i];
    }
    return out;
}

// --- OpenDocument -------------------------------------------------------

bool skippedOdfClass(QStringView cls)
{
    return cls == u"page-number" || cls == u"footer" || cls == u"date-time" || cls == u"notes" || cls == u"handout";
}

// The rows of a table:table, each row's cells on one line; the reader on
// the table's start tag.
void odfTable(QXmlStreamReader& r, std::vector<std::string>& lines)
{
    while (r.readNextStartElement()) {
        const QStringView name = r.name();
        if (name == u"table-header-rows" || name == u"table-rows") {
            odfTable(r, lines);
        } else if (name == u"table-row") {
            std::string row;
            while (r.readNextStartElement()) {
                if (r.name() != u"table-cell") {
                    r.skipCurrentElement();
                    continue;
                }
                std::vector<std::string> paragraphs, cell;
                OdfParagraphs(r, paragraphs);
                for (const std::string& p : paragraphs)
                    addParagraph(cell, p);
                for (const std::string& l : cell)
                    row += (row.empty() ? "" : " ") + l;
            }
            if (!row.empty())
                lines.push_back(row);
        } else {
            r.skipCurrentElement();
        }
    }
}

// The shapes among the reader's children (a page, or a group), in place;
// of a master page only those that are not placeholders (its own words,
// shown on every slide made from it).
void odfShapes(QXmlStreamReader& r, std::vector<ShapeText>& shapes, bool master = false)
{
    while (r.readNextStartElement()) {
        const QStringView ns = r.namespaceUri();
        const QStringView name = r.name();
        if (ns != kDrawNs) {
            r.skipCurrentElement();  // notes, animations, forms
            continue;
        }
        if (name == u"g") {
            odfShapes(r, shapes, master);
            continue;
        }
        const QString cls = r.attributes().value(kPresentationNs.toString(), QStringLiteral("class")).toString();
        if (skippedOdfClass(cls) || (master && !cls.isEmpty())) {
            r.skipCurrentElement();
            continue;
        }
        ShapeText shape;
        shape.title = cls == u"title";
        const QString svg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
        shape.placed = odfLength(r.attributes().value(svg, QStringLiteral("x")), shape.x)
            && odfLength(r.attributes().value(svg, QStringLiteral("y")), shape.y);
        std::vector<std::string> paragraphs;
        if (name == u"frame") {
            while (r.readNextStartElement()) {
                if (r.namespaceUri() == kDrawNs && r.name() == u"text-box")
                    OdfParagraphs(r, paragraphs);
                else if (r.namespaceUri() == kTableNs && r.name() == u"table")
                    odfTable(r, shape.lines);
                else
                    r.skipCurrentElement();
            }
        } else {
            OdfParagraphs(r, paragraphs);
        }
        for (const std::string& p : paragraphs)
            addParagraph(shape.lines, p);
        shapes.push_back(std::move(shape));
    }
}

// --- Office Open XML ------------------------------------------------------

// The rows of an a:tbl, each row's cells on one line.
void ooxmlTable(QXmlStreamReader& r, std::vector<std::string>& lines)
{
    while (r.readNextStartElement()) {
        if (r.name() != u"tr") {
            r.skipCurrentElement();
            continue;
        }
        std::string row;
        while (r.readNextStartElement()) {
            if (r.name() != u"tc") {
                r.skipCurrentElement();
                continue;
            }
            while (r.readNextStartElement()) {
                if (r.name() != u"txBody") {
                    r.skipCurrentElement();
                    continue;
                }
                while (r.readNextStartElement()) {
                    if (r.name() != u"p") {
                        r.skipCurrentElement();
                        continue;
                    }
                    std::vector<std::string> cell;
                    addParagraph(cell, OoxmlParagraphText(r));
                    for (const std::string& l : cell)
                        row += (row.empty() ? "" : " ") + l;
                }
            }
        }
        if (!row.empty())
            lines.push_back(row);
    }
}

// The reader on an a:xfrm or p:xfrm: its a:off, in EMU (36000 to the
// millimetre), places the shape.
void ooxmlOffset(QXmlStreamReader& r, ShapeText& shape)
{
    while (r.readNextStartElement()) {
        if (r.name() == u"off") {
            bool okX = false, okY = false;
            shape.x = r.attributes().value(QStringLiteral("x")).toDouble(&okX) / 36000;
            shape.y = r.attributes().value(QStringLiteral("y")).toDouble(&okY) / 36000;
            shape.placed = okX && okY;
        }
        r.skipCurrentElement();
    }
}

// Looks for an a:tbl anywhere below the reader's element, and for the
// frame's place.
void ooxmlFindTable(QXmlStreamReader& r, ShapeText& table)
{
    while (r.readNextStartElement()) {
        if (r.name() == u"tbl") {
            ooxmlTable(r, table.lines);
        } else if (r.name() == u"xfrm" && !table.placed) {
            ooxmlOffset(r, table);
        } else {
            ooxmlFindTable(r, table);
        }
    }
}

// Where a shape's properties (the reader on p:spPr) place it.
void ooxmlPlace(QXmlStreamReader& r, ShapeText& shape)
{
    while (r.readNextStartElement()) {
        if (r.name() == u"xfrm")
            ooxmlOffset(r, shape);
        else
            r.skipCurrentElement();
    }
}

// One p:sp: its placeholder type and its text body.
void ooxmlShape(QXmlStreamReader& r, std::vector<ShapeText>& shapes)
{
    ShapeText shape;
    bool skipped = false;
    while (r.readNextStartElement()) {
        if (r.name() == u"nvSpPr") {
            while (r.readNextStartElement()) {
                if (r.name() != u"nvPr") {
                    r.skipCurrentElement();
                    continue;
                }
                while (r.readNextStartElement()) {
                    if (r.name() == u"ph") {
                        const QStringView type = r.attributes().value(QStringLiteral("type"));
                        shape.title = type == u"title" || type == u"ctrTitle";
                        skipped = type == u"sldNum" || type == u"dt" || type == u"ftr";
                    }
                    r.skipCurrentElement();
                }
            }
        } else if (r.name() == u"txBody") {
            while (r.readNextStartElement()) {
                if (r.name() == u"p")
                    addParagraph(shape.lines, OoxmlParagraphText(r));
                else
                    r.skipCurrentElement();
            }
        } else if (r.name() == u"spPr") {
            ooxmlPlace(r, shape);
        } else {
            r.skipCurrentElement();
        }
    }
    if (!skipped)
        shapes.push_back(std::move(shape));
}

// The shapes of a shape tree or group, in place; markup-compatibility
// wrappers give their first choice.
void ooxmlShapes(QXmlStreamReader& r, std::vector<ShapeText>& shapes)
{
    while (r.readNextStartElement()) {
        const QStringView name = r.name();
        if (name == u"sp") {
            ooxmlShape(r, shapes);
        } else if (name == u"grpSp" || name == u"AlternateContent") {
            ooxmlShapes(r, shapes);
        } else if (name == u"Choice") {
            ooxmlShapes(r, shapes);
            // Only the first choice counts: the others say the same.
            while (r.readNextStartElement())
                r.skipCurrentElement();
            return;
        } else if (name == u"graphicFrame") {
            ShapeText table;
            ooxmlFindTable(r, table);
            shapes.push_back(std::move(table));
        } else {
            r.skipCurrentElement();  // pictures, connectors, the group's own properties
        }
    }
}

}  // namespace

std::vector<DeckSlideText> OdfDeckText(const QByteArray& contentXml, const QByteArray& stylesXml)
{
    // The master pages' own words, by name (in styles.xml, or in a flat
    // document itself).
    std::map<QString, std::vector<ShapeText>> masters;
    for (const QByteArray* xml : {&stylesXml, &contentXml}) {
        QXmlStreamReader r(*xml);
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == u"master-page") {
                const QString name = r.attributes().value(QStringLiteral("style:name")).toString();
                odfShapes(r, masters[name], true);
            }
        }
    }
    std::vector<DeckSlideText> slides;
    QXmlStreamReader r(contentXml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.namespaceUri() == kDrawNs && r.name() == u"page") {
            const QString master
                = r.attributes().value(kDrawNs.toString(), QStringLiteral("master-page-name")).toString();
            std::vector<ShapeText> shapes;
            odfShapes(r, shapes);
            if (const auto it = masters.find(master); it != masters.end())
                shapes.insert(shapes.end(), it->second.begin(), it->second.end());
            slides.push_back(assemble(shapes));
        }
    }
    return slides;
}

DeckSlideText OoxmlSlideText(const QByteArray& slideXml)
{
    QXmlStreamReader r(slideXml);
    std::vector<ShapeText> shapes;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"spTree") {
            ooxmlShapes(r, shapes);
            break;
        }
    }
    return assemble(shapes);
}

std::vector<DeckSlideText> ReadDeckText(const std::string& path, DeckKind kind)
{
    switch (kind) {
    case DeckKind::OpenDocument: {
        const ZipReader zip(path);
        const auto content = zip.Read("content.xml", kMaxDeckXmlBytes);
        const auto styles = zip.Read("styles.xml", kMaxDeckXmlBytes);
        return content ? OdfDeckText(*content, styles ? *styles : QByteArray()) : std::vector<DeckSlideText> {};
    }
    case DeckKind::FlatOpenDocument: {
        const auto content = ReadPlainDeckFile(path);
        return content ? OdfDeckText(*content) : std::vector<DeckSlideText> {};
    }
    case DeckKind::OfficeOpenXml: {
        const ZipReader zip(path);
        const auto presentation = zip.Read("ppt/presentation.xml", kMaxDeckXmlBytes);
        const auto rels = zip.Read("ppt/_rels/presentation.xml.rels", kMaxDeckXmlBytes);
        std::vector<DeckSlideText> slides;
        if (!presentation || !rels)
            return slides;
        for (const std::string& part : OoxmlSlideParts(*presentation, *rels)) {
            const auto slide = zip.Read(part, kMaxDeckXmlBytes);
            slides.push_back(slide ? OoxmlSlideText(*slide) : DeckSlideText {});
        }
        return slides;
    }
    default: break;
    }
    return {};
}

}  // namespace pellucor
