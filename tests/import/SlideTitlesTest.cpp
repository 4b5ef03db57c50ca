#include <gtest/gtest.h>

#include <zip.h>

#include "TestSupport.h"
#include "import/SlideTitles.h"
#include "import/ZipReader.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

QByteArray odf(const std::string& pages)
{
    return QByteArray::fromStdString(
        R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0">
<office:master-styles><style:master-page style:name="M"><draw:frame><draw:text-box><text:p>Master text</text:p></draw:text-box></draw:frame></style:master-page></office:master-styles>
<office:body><office:presentation>)"
        + pages + "</office:presentation></office:body></office:document-content>");
}

using Titles = SlideTitleList;

TEST(OdfTitles, FirstShapeOfEachPageInOrderWithItsWhiteSpaceRulesAndBrokenXml)
{
    const Titles titles = OdfSlideTitles(odf(
        // frame with a text box; the second shape is ignored
        R"(<draw:page draw:name="a"><draw:frame><draw:text-box><text:p>The <text:span>"first"</text:span> one</text:p></draw:text-box></draw:frame>)"
        R"(<draw:frame><draw:text-box><text:p>Body</text:p></draw:text-box></draw:frame></draw:page>)"
        // no shapes, but speaker notes that hold a frame
        R"(<draw:page><presentation:notes><draw:frame><draw:text-box><text:p>Notes</text:p></draw:text-box></draw:frame></presentation:notes></draw:page>)"
        // first shape is a picture
        R"(<draw:page><draw:frame><draw:image/></draw:frame><draw:frame><draw:text-box><text:p>Under</text:p></draw:text-box></draw:frame></draw:page>)"
        // custom shape with two paragraphs, a list and a line break
        R"(<draw:page><draw:custom-shape><text:p>Line one</text:p><text:list><text:list-item><text:p>item<text:line-break/>more</text:p></text:list-item></text:list><draw:enhanced-geometry/></draw:custom-shape></draw:page>)"
        // group first, empty placeholder
        R"(<draw:page><draw:g><draw:frame><draw:text-box><text:p>In group</text:p></draw:text-box></draw:frame></draw:g></draw:page>)"
        R"(<draw:page><draw:frame presentation:placeholder="true"><draw:text-box/></draw:frame></draw:page>)"));
    EXPECT_EQ(
        titles,
        (Titles {"The \"first\" one", std::nullopt, std::nullopt, "Line one\ritem\vmore", std::nullopt, std::nullopt}));
    // A title placeholder is the title wherever it is among the shapes.
    EXPECT_EQ(OdfSlideTitles(odf(
                  R"(<draw:page><draw:frame presentation:class="subtitle"><draw:text-box><text:p>A lecture by Dr Example</text:p></draw:text-box></draw:frame>)"
                  R"(<draw:frame presentation:class="title"><draw:text-box><text:p>Photosynthesis Basics</text:p></draw:text-box></draw:frame></draw:page>)")),
              Titles {"Photosynthesis Basics"});

    // White space rules, escapes and comments.
    const Titles spaced = OdfSlideTitles(
        odf("<draw:page><draw:frame><draw:text-box><text:p>\n   Two  words\n  and<text:s text:c=\"3\"/>gap<text:tab/>"
            "&amp; &lt;b&gt;<office:annotation><text:p>comment</text:p></office:annotation> </text:p>"
            "</draw:text-box></draw:frame></draw:page>"));
    EXPECT_EQ(spaced, Titles {"Two words and   gap\t& <b>"});

    // Broken XML keeps what was read.
    QByteArray xml = odf(
        "<draw:page><draw:frame><draw:text-box><text:p>Fine</text:p></draw:text-box></draw:frame></draw:page>"
        "<draw:page><draw:frame><draw:text-box><text:p>Cut here</text:p></draw:text-box></draw:frame></draw:page>");
    xml.truncate(xml.indexOf("Cut"));
    ASSERT_GE(OdfSlideTitles(xml).size(), 1u);
    EXPECT_EQ(OdfSlideTitles(xml)[0], "Fine");
    EXPECT_TRUE(OdfSlideTitles("not xml at all").empty());
}

QByteArray slide(const std::string& tree)
{
    return QByteArray::fromStdString(
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"
 xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"
 xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"
 xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006">
<p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>)"
        + tree + "</p:spTree></p:cSld></p:sld>");
}

TEST(OoxmlTitles, FirstShapeTextAndTheSlidesInThePresentationsOrder)
{
    EXPECT_EQ(
        OoxmlSlideTitle(slide(
            R"(<p:sp><p:nvSpPr><p:cNvPr id="2" name="Title 1"/></p:nvSpPr><p:spPr/><p:txBody><a:bodyPr/>)"
            R"(<a:p><a:r><a:rPr lang="en"/><a:t>Say </a:t></a:r><a:r><a:t>"hi"</a:t></a:r><a:br/><a:r><a:t>now</a:t></a:r></a:p>)"
            R"(<a:p><a:fld id="x" type="slidenum"><a:t>3</a:t></a:fld></a:p></p:txBody></p:sp>)"
            R"(<p:sp><p:txBody><a:p><a:r><a:t>Second</a:t></a:r></a:p></p:txBody></p:sp>)")),
        "Say \"hi\"\vnow\r3");
    // A picture first: no text, even with a text shape after it.
    EXPECT_EQ(OoxmlSlideTitle(slide(R"(<p:pic/><p:sp><p:txBody><a:p><a:r><a:t>x</a:t></a:r></a:p></p:txBody></p:sp>)")),
              std::nullopt);
    // A shape without a text body, an empty slide, a wrapped shape.
    EXPECT_EQ(OoxmlSlideTitle(slide("<p:sp><p:spPr/></p:sp>")), std::nullopt);
    EXPECT_EQ(OoxmlSlideTitle(slide("")), std::nullopt);
    EXPECT_EQ(
        OoxmlSlideTitle(slide(
            R"(<mc:AlternateContent><mc:Choice Requires="p14"><p:sp><p:txBody><a:p><a:r><a:t>Wrapped</a:t></a:r></a:p></p:txBody></p:sp></mc:Choice>)"
            R"(<mc:Fallback><p:pic/></mc:Fallback></mc:AlternateContent>)")),
        "Wrapped");
    EXPECT_EQ(OoxmlSlideTitle(slide(R"(<p:sp><p:txBody><a:bodyPr/><a:p><a:endParaRPr/></a:p></p:txBody></p:sp>)")), "");
    // A title slide as LibreOffice saves it: the subtitle first, then the title.
    const auto placeholder = [](const char* type, const char* text) {
        return std::string(R"(<p:sp><p:nvSpPr><p:cNvPr id="2" name=""/><p:cNvSpPr><a:spLocks noGrp="1"/></p:cNvSpPr>)")
            + R"(<p:nvPr><p:ph type=")" + type + R"("/></p:nvPr></p:nvSpPr><p:spPr/><p:txBody><a:bodyPr/><a:p><a:r><a:t>)"
            + text + "</a:t></a:r></a:p></p:txBody></p:sp>";
    };
    EXPECT_EQ(OoxmlSlideTitle(slide(placeholder("subTitle", "A lecture by Dr Example")
                                    + placeholder("ctrTitle", "Photosynthesis Basics"))),
              "Photosynthesis Basics");
    EXPECT_EQ(OoxmlSlideTitle(slide(placeholder("body", "Only a body") + placeholder("title", "The title"))),
              "The title");

    // The slides in the presentation's order, not the file names'.
    const QByteArray presentation
        = R"(<p:presentation xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"
 xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<p:sldMasterIdLst><p:sldMasterId id="2147483648" r:id="rId1"/></p:sldMasterIdLst>
<p:sldIdLst><p:sldId id="257" r:id="rId3"/><p:sldId id="256" r:id="rId2"/><p:sldId id="258" r:id="rId9"/></p:sldIdLst>
</p:presentation>)";
    const QByteArray rels = R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/slideMaster" Target="slideMasters/slideMaster1.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide" Target="slides/slide1.xml"/>
<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide" Target="/ppt/slides/slide2.xml"/>
<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide" Target="../ppt/slides/slide3.xml"/>
</Relationships>)";
    EXPECT_EQ(OoxmlSlideParts(presentation, rels),
              (Strings {"ppt/slides/slide2.xml", "ppt/slides/slide1.xml", "ppt/slides/slide3.xml"}));
}

TEST(DeckSniffing, ByContentNotNameAndNoZipMemberLargerThanAllowed)
{
    TempDir dir;
    writeFile(dir.file("flat.pptx"), "\xEF\xBB\xBF  <?xml version=\"1.0\"?><office:document/>");
    writeFile(dir.file("old.odp"), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "binary");
    writeFile(dir.file("zip.ppt"), std::string("PK\x03\x04", 4) + "truncated");
    EXPECT_EQ(SniffDeck(dir.file("flat.pptx")), DeckKind::FlatOpenDocument);
    EXPECT_EQ(SniffDeck(dir.file("old.odp")), DeckKind::Other);
    EXPECT_EQ(SniffDeck(dir.file("zip.ppt")), DeckKind::Other);
    EXPECT_EQ(SniffDeck(dir.file("missing")), DeckKind::Other);
    EXPECT_TRUE(ReadSlideTitles(dir.file("zip.ppt"), DeckKind::OfficeOpenXml).empty());
    EXPECT_TRUE(ReadSlideTitles(dir.file("missing"), DeckKind::OpenDocument).empty());

    // A member larger than the reader allows is not read (a zip bomb stops there).
    const std::string text(1000, 'x');
    int error = 0;
    zip_t* z = zip_open(dir.file("deck.pptx").c_str(), ZIP_CREATE, &error);
    ASSERT_TRUE(z);
    ASSERT_GE(zip_file_add(z, "big.xml", zip_source_buffer(z, text.data(), text.size(), 0), 0), 0);
    ASSERT_EQ(zip_close(z), 0);
    const ZipReader reader(dir.file("deck.pptx"));
    EXPECT_EQ(reader.Read("big.xml", 1000), QByteArray::fromStdString(text));
    EXPECT_EQ(reader.Read("big.xml", 999), std::nullopt);
    EXPECT_EQ(reader.Read("none.xml"), std::nullopt);
}

}  // namespace
