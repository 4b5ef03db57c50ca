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

TEST(AutoLink, OnlyTheLastSchemeFoundIsLinked)
{
    EXPECT_EQ(StyleEngine::AutoLink("http://a.org and www.b.org x"),
              "http://a.org and <a href=http://www.b.org>www.b.org</a> x");
    // An address running to the end of the line ends the search at once.
    EXPECT_EQ(StyleEngine::AutoLink("x http://a.org/www.b.org"),
              "x <a href=http://a.org/www.b.org>http://a.org/www.b.org</a>");
}

}  // namespace

}  // namespace pellucor
