#include "StyleFixture.h"

namespace {
using namespace pellucor;

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

// Every address of a line is linked; markup and upper-case schemes are left
// alone; an address ends before blanks, tags and closing punctuation, and a
// "www." inside one is part of it.
TEST(AutoLink, LinksEachBareAddressOfALine)
{
    const std::string linked = "<a href=http://a.org>x</a> http://b.org";
    for (const auto& [text, expected] : std::vector<std::pair<std::string, std::string>> {
             {"see http://a.org/x now", "see <a href=http://a.org/x>http://a.org/x</a> now"},
             {"go www.a.org", "go <a href=http://www.a.org>www.a.org</a>"},
             {"ftp://f.org<BR>", "<a href=ftp://f.org>ftp://f.org</a><BR>"},
             {"g gopher://g.org end", "g <a href=gopher://g.org>gopher://g.org</a> end"},
             {linked, linked},
             {"HREF http://b.org", "HREF http://b.org"},
             {"page.htm\" http://b.org", "page.htm\" http://b.org"},
             {"HTTP://A.ORG x", "HTTP://A.ORG x"},
             {"no address here", "no address here"},
             {"http://a.org and www.b.org x",
              "<a href=http://a.org>http://a.org</a> and <a href=http://www.b.org>www.b.org</a> x"},
             {"x http://a.org/www.b.org", "x <a href=http://a.org/www.b.org>http://a.org/www.b.org</a>"},
             {"https://a.org/x?q=1 then ftp://f.org",
              "<a href=https://a.org/x?q=1>https://a.org/x?q=1</a> then <a href=ftp://f.org>ftp://f.org</a>"},
             {"See https://a.org/page.", "See <a href=https://a.org/page>https://a.org/page</a>."},
             {"(see www.a.org), or http://b.org/x;",
              "(see <a href=http://www.a.org>www.a.org</a>), or <a href=http://b.org/x>http://b.org/x</a>;"},
             {"[http://a.org/b_(c)]?!", "[<a href=http://a.org/b_(c>http://a.org/b_(c</a>)]?!"},
             {"tab\thttp://a.org\tx", "tab\t<a href=http://a.org>http://a.org</a>\tx"},
             {"http://a.org<BR>https://b.org</P>",
              "<a href=http://a.org>http://a.org</a><BR><a href=https://b.org>https://b.org</a></P>"},
             {"the http:// prefix", "the http:// prefix"},  // a scheme with nothing after it
         })
        EXPECT_EQ(StyleEngine::AutoLink(text), expected) << text;
}

}  // namespace
