#include "StyleFixture.h"

namespace {
using namespace pellucor;
using namespace pellucor::style_test;

class SectionCopy : public StyleFixture {
protected:
    std::string last;  // the last line copied
    Lines copy(const std::string& content, const std::string& start, const std::string& end, bool keep)
    {
        putLecture("page.htm", content);
        std::ostringstream out;
        last = engine.CopySection(start, end, lecture.file("page.htm"), out, 1, true, false, false, keep);
        return splitCrLf(out.str());
    }
    void SetUp() override
    {
        StyleFixture::SetUp();
        audioSlides(1);
    }
};

TEST_F(SectionCopy, WithoutKeepMarkersTheMarkerLineIsEmptyAndTheEndLineCut)
{
    EXPECT_EQ(copy("skip\nxx START yy\nmid\ntail END more\nafter\n", "START", "END", false),
              (Lines {"", "mid", "tail "}));
    EXPECT_EQ(last, "tail ");
    // A section whose end marker stands on its start line ends there.
    EXPECT_EQ(copy("a START b END\nc\n", "START", "END", false), (Lines {" b "}));
    EXPECT_EQ(copy("a STARTEND c\nd END\n", "START", "END", false), (Lines {""}));
    EXPECT_EQ(copy("END first\n", "", "END", false), Lines {""});
}

TEST_F(SectionCopy, KeepMarkersHeadAndNotesWholeFilesAndMissingFiles)
{
    audioSlides(2);
    putLecture("sld001.htm",
               "<HTML><HEAD><TITLE>One</TITLE></HEAD>\r\n<BODY>Notes: short note <!-- end -->\r\n"
               "<P>body text</P>\r\n<!-- more -->\r\n</BODY></HTML>\r\n");
    putLecture("sld002.htm", "<HEAD>\r\n<TITLE>Two</TITLE>\r\n</HEAD>\r\nNotes:\r\nlong note\r\n<!-- x -->\r\n");
    putStyle("sld000.htm", "<head>\r\n!HEAD\r\n</head>\r\n<div>\r\n!NOTES\r\n</div>\r\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true)) << engine.StyleError;
    EXPECT_EQ(outLines("sld001.htm"),
              (Lines {"<head>", "<TITLE>One</TITLE>", "</head>", "<div>", " short note ", "</div>"}));
    EXPECT_EQ(outLines("sld002.htm"),
              (Lines {"<head>", "", "<TITLE>Two</TITLE>", "", "</head>", "<div>", "", "long note", "", "</div>"}));
    // With keep markers: from the start marker through the end marker.
    EXPECT_EQ(copy("xx<MAP a>y</MAP> tail\n", "<MAP", "</MAP>", true), Lines {"<MAP a>y</MAP>"});
    EXPECT_EQ(copy("  <MAP a>\n<AREA>\nzz</MAP>! after\n", "<MAP", "</MAP>", true),
              (Lines {"<MAP a>", "<AREA>", "zz</MAP>"}));
    // A marker at the very end of its line cannot end there.
    EXPECT_EQ(copy("x<M\nq<M\n", "<M", "<M", true), (Lines {"<M", "q<M"}));
    // The whole file, empty markers and missing files.
    EXPECT_EQ(copy("one\nN#N\n", "", "", false), (Lines {"one", "001"}));
    EXPECT_EQ(last, "001");
    EXPECT_EQ(copy("one\n", "NOPE", "", false), Lines {});
    std::ostringstream out;
    EXPECT_EQ(engine.CopySection("", "", lecture.file("none.htm"), out, 1, true, true, true, false), "");
    EXPECT_EQ(engine.CopySection("", "", "", out, 1, true, true, true, false), "");
    EXPECT_TRUE(out.str().empty());
    // Filters run before tokens.
    source.S.LecName = "<b>www.x.org</b>";
    putLecture("page.htm", "<i>N*N</i> www.a.org\n");
    engine.CopySection("", "", lecture.file("page.htm"), out, 1, true, true, true, false);
    // Tags of the page are stripped and its address linked; the inserted
    // lecture name is neither.
    EXPECT_EQ(out.str(), "<b>www.x.org</b> <a href=http://www.a.org>www.a.org</a>\r\n");
}

}  // namespace
