#include "StyleFixture.h"

namespace pellucor {

namespace {

TEST(StripTags, KeepsParagraphTagsAndTextDropsOtherTagsAndComments)
{
    EXPECT_EQ(StyleEngine::StripTags("<b>bold</b> text<BR>"), "bold text");
    EXPECT_EQ(StyleEngine::StripTags("<P>one</P><p>two</p>"), "<P>one</P><p>two</p>");
    EXPECT_EQ(StyleEngine::StripTags("<FONT SIZE=2>small</FONT>"), "small");
    EXPECT_EQ(StyleEngine::StripTags("keep <!-- gone <b>to the end"), "keep ");
    EXPECT_EQ(StyleEngine::StripTags("a<!-- x -->b"), "ab");
    EXPECT_EQ(StyleEngine::StripTags("a < b"), "a ");  // an unclosed tag swallows the rest
    EXPECT_EQ(StyleEngine::StripTags(""), "");
}

TEST(AutoLink, LinksOneBareAddress)
{
    EXPECT_EQ(StyleEngine::AutoLink("see http://a.org/x now"), "see <a href=http://a.org/x>http://a.org/x</a> now");
    EXPECT_EQ(StyleEngine::AutoLink("go www.a.org"), "go <a href=http://www.a.org>www.a.org</a>");
    EXPECT_EQ(StyleEngine::AutoLink("ftp://f.org<BR>"), "<a href=ftp://f.org>ftp://f.org</a><BR>");
    EXPECT_EQ(StyleEngine::AutoLink("g gopher://g.org end"), "g <a href=gopher://g.org>gopher://g.org</a> end");
}

TEST(AutoLink, LeavesMarkupAndUpperCaseSchemesAlone)
{
    const std::string linked = "<a href=http://a.org>x</a> http://b.org";
    EXPECT_EQ(StyleEngine::AutoLink(linked), linked);
    EXPECT_EQ(StyleEngine::AutoLink("HREF http://b.org"), "HREF http://b.org");
    EXPECT_EQ(StyleEngine::AutoLink("page.htm\" http://b.org"), "page.htm\" http://b.org");
    EXPECT_EQ(StyleEngine::AutoLink("HTTP://A.ORG x"), "HTTP://A.ORG x");
    EXPECT_EQ(StyleEngine::AutoLink("no address here"), "no address here");
}

TEST(AutoLink, EveryAddressOfTheLineIsLinked)
{
    EXPECT_EQ(StyleEngine::AutoLink("http://a.org and www.b.org x"),
              "<a href=http://a.org>http://a.org</a> and <a href=http://www.b.org>www.b.org</a> x");
    // A "www." inside an address is part of it.
    EXPECT_EQ(StyleEngine::AutoLink("x http://a.org/www.b.org"),
              "x <a href=http://a.org/www.b.org>http://a.org/www.b.org</a>");
    EXPECT_EQ(StyleEngine::AutoLink("https://a.org/x?q=1 then ftp://f.org"),
              "<a href=https://a.org/x?q=1>https://a.org/x?q=1</a> then <a href=ftp://f.org>ftp://f.org</a>");
}

TEST(AutoLink, AnAddressEndsBeforeBlanksTagsAndClosingPunctuation)
{
    EXPECT_EQ(StyleEngine::AutoLink("See https://a.org/page."),
              "See <a href=https://a.org/page>https://a.org/page</a>.");
    EXPECT_EQ(StyleEngine::AutoLink("(see www.a.org), or http://b.org/x;"),
              "(see <a href=http://www.a.org>www.a.org</a>), or <a href=http://b.org/x>http://b.org/x</a>;");
    EXPECT_EQ(StyleEngine::AutoLink("[http://a.org/b_(c)]?!"), "[<a href=http://a.org/b_(c>http://a.org/b_(c</a>)]?!");
    EXPECT_EQ(StyleEngine::AutoLink("tab\thttp://a.org\tx"), "tab\t<a href=http://a.org>http://a.org</a>\tx");
    EXPECT_EQ(StyleEngine::AutoLink("http://a.org<BR>https://b.org</P>"),
              "<a href=http://a.org>http://a.org</a><BR><a href=https://b.org>https://b.org</a></P>");
    // A scheme with nothing after it is not an address.
    EXPECT_EQ(StyleEngine::AutoLink("the http:// prefix"), "the http:// prefix");
}

class NotesOnDisk : public style_test::StyleFixture { };

TEST_F(NotesOnDisk, TheNotesFileOfASlideIsLinkedInItsPage)
{
    audioSlides(1);
    putLecture("img001.not", "Read https://a.org/paper.pdf, then www.b.org.\r\n");
    putStyle("sld000.htm", "<div>\r\n!NOTES\r\n</div>\r\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true)) << engine.StyleError;
    EXPECT_EQ(outLines("sld001.htm"),
              (style_test::Lines {"<div>",
                                  "Read <a href=https://a.org/paper.pdf>https://a.org/paper.pdf</a>, then "
                                  "<a href=http://www.b.org>www.b.org</a>.",
                                  "</div>"}));
}

}  // namespace

}  // namespace pellucor
