#include "StyleFixture.h"

namespace {
using namespace pellucor;
using namespace pellucor::style_test;

class StyleDirectory : public StyleFixture { };

TEST_F(StyleDirectory, NamesDecidePerSlidePerPartAndSingleTemplates)
{
    slides({{1, -1}, {1, -1}, {-1, 2}});
    // Joined paths have one separator: the style directory has none, the
    // lecture's two.
    source.S.StyleDir = style.path().string();
    source.S.LecDir = lecture.path().string() + "//";
    putStyle("sld000.htm", "page N#N\n!INCLUDE\n");
    putLecture("sld002.htm", "lecture page\n");
    putStyle("part0.htm", "part P#P\n");
    putStyle("index.htm", "index n#n\n");
    putStyle("logo.GIF", "GIF89a");
    putStyle("back.jpg", "jpeg");
    putStyle("Style.cfg", "cfg\n");
    putStyle(".hidden", "x\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true)) << engine.StyleError;
    for (const char* name : {"sld001.htm", "sld002.htm", "sld003.htm", "part1.htm", "part2.htm", "index.htm"})
        EXPECT_TRUE(outExists(name)) << name;
    EXPECT_EQ(outLines("sld002.htm"), (Lines {"page 002", "lecture page"}));
    EXPECT_EQ(outLines("part2.htm"), Lines {"part 2"});
    EXPECT_EQ(outLines("index.htm"), Lines {"index 1"});
    for (const char* name : {"logo.GIF", "logo.gif", "back.jpg", "Style.cfg", ".hidden", "part3.htm"})
        EXPECT_FALSE(outExists(name)) << name;
    EXPECT_EQ(readFile(output.file("sld002.htm")), "page 002\r\nlecture page\r\n");
    EXPECT_FALSE(engine.PartRestrict);
    EXPECT_NE(std::find(host.statuses.begin(), host.statuses.end(), "Destination:" + output.file("index.htm")),
              host.statuses.end());
}

TEST_F(StyleDirectory, OutputNamesReplaceDigitsAndPerPartTemplatesRestrictSlideLoops)
{
    slides(std::vector<SlideSpec>(12, SlideSpec {-1, 1}));
    putStyle("a000b000.htm", "x\n");
    putStyle("v0x0.htm", "y\n");
    putStyle("sld000.htm", "!IFDEF LASTSLIDE\nlast\n!ENDIF\n");
    putStyle("nothing.htm", "# only a comment\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true));
    for (const auto& [name, made] : {std::pair {"a012b012.htm", true},
                                     {"v1x1.htm", true},
                                     {"sld012.htm", true},
                                     {"sld011.htm", false},
                                     {"nothing.htm", false}})
        EXPECT_EQ(outExists(name), made) << name;
    // A per-part template restricts slide loops to its part.
    slides({{1, -1}, {1, -1}, {2, -1}, {2, -1}});
    putStyle("toc0.htm", "!FORSLIDE\nS#S\n!ENDSLIDE\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true));
    EXPECT_EQ(outLines("toc1.htm"), (Lines {"sld001.htm", "sld002.htm"}));
    EXPECT_EQ(outLines("toc2.htm"), (Lines {"sld003.htm", "sld004.htm"}));
    // No slides and no parts: no per-slide or per-part output.
    slides({});
    putStyle("index.htm", "z\n");
    std::filesystem::remove(output.file("toc1.htm"));
    ASSERT_TRUE(engine.ProcessStyleDirectory(true));
    EXPECT_FALSE(outExists("toc1.htm"));
    EXPECT_TRUE(outExists("index.htm"));
}

TEST_F(StyleDirectory, ABrokenOrMissingTemplateOrOutputLeavesNoFileButTheOthersArePublished)
{
    audioSlides(2);
    std::string deep;
    for (int i = 0; i < 101; ++i)
        deep += "!IFDEF AUDIO\n";
    putStyle("bad.htm", "started\n" + deep);
    putStyle("sld000.htm", "fine\n" + deep);
    putStyle("good.htm", "ok\n");
    EXPECT_FALSE(engine.ProcessStyleDirectory(true));
    EXPECT_TRUE(holds(engine.StyleError, "bad.htm"));
    EXPECT_FALSE(outExists("bad.htm"));
    EXPECT_FALSE(outExists("sld001.htm"));
    EXPECT_TRUE(outExists("good.htm"));
    // The failure ends the run; its caller shows it, once.
    EXPECT_TRUE(sink.messages.empty());
    // A missing template or output directory is told.
    audioSlides(1);
    EXPECT_FALSE(engine.ProcessStyleFile(1, "gone.htm", true));
    EXPECT_TRUE(sink.saw(style.file("gone.htm") + " does not exist "));
    putStyle("index.htm", "x\n");
    // Never into whatever the current directory happens to be.
    for (const auto& [dir, error] : {std::pair {output.file("missing/deeper"), "Unable to create "},
                                     {std::string(" "), "No output directory for index.htm"}}) {
        source.S.OutDir = dir;
        engine.StyleError.clear();
        EXPECT_FALSE(engine.ProcessStyleFile(1, "index.htm", true));
        EXPECT_TRUE(holds(engine.StyleError, error));
    }
}

// The bytes of a literal, NULs included.
template <size_t N> std::string bytes(const char (&text)[N]) { return std::string(text, N - 1); }

TEST_F(StyleDirectory, FilesThatAreNotTextAreCopiedByteForByte)
{
    audioSlides(2);
    // Bytes the line processor would change: tokens, "#" and "!" lines,
    // lone CRs and LFs, a NUL.
    const std::string png = bytes("\x89PNG\r\n\x1a\n#N#N\n!IFDEF X\rS#S\0\xff");
    const std::string font = "wOF2 N#N\n#x\n";        // a known binary type, whatever it holds
    const std::string data = bytes("T#T\r\n\0tail");  // unknown type, a NUL in it
    putStyle("logo.PNG", png);
    putStyle("font0.woff2", font);
    putStyle("data000.bin", data);
    putStyle("index.htm", "N#N\r\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true)) << engine.StyleError;
    // Not per part, not per slide.
    for (const auto& [name, bytes] : {std::pair {"logo.PNG", png}, {"font0.woff2", font}, {"data000.bin", data}})
        EXPECT_EQ(readFile(output.file(name)), bytes) << name;
    EXPECT_FALSE(outExists("font1.woff2") || outExists("data001.bin"));
    EXPECT_EQ(outLines("index.htm"), Lines {"001"});

    // Binary files alone are not a style.
    std::filesystem::remove(style.file("index.htm"));
    EXPECT_FALSE(engine.ProcessStyleDirectory(true));
    EXPECT_EQ(engine.StyleError, "The style directory " + style.dir() + " holds no templates");
}

// Every page's loops come out as if each ran afresh: each pass with its own
// slide's tokens, conditions and notes, its messages told each time, and
// the bound on passes counted per page.
TEST_F(StyleDirectory, LoopsThatEveryPageRepeatsComeOutAsIfRunAfresh)
{
    slides({{1, -1}, {1, -1}, {2, -1}});
    putLecture("sld002.htm", "<P>Notes:</P>\nnotes of n#n<!-- end -->\n");
    putStyle("sld000.htm",
             "page n#n\n!FORSLIDE\nn-n<n#n>n+n\n!IFDEF FIRSTSLIDE\nfirst\n!ENDIF\n!NOTES\n"
             "!FORSLIDE\nP#P\n!ENDSLIDE\n!ENDSLIDE\n");
    putStyle("part0.htm", "!FORPART\n!FORSLIDE\nS#S\n!ENDSLIDE\n!ENDPART\n");
    engine.MaxLoopPasses = 12;  // a page's 3 + 9 passes
    ASSERT_TRUE(engine.ProcessStyleDirectory(true)) << engine.StyleError;
    const Lines toc {"1<1>2", "first", "1", "1", "2", "1<2>3", "", "notes of 2", "1", "1", "2", "2<3>3", "1", "1", "2"};
    for (const std::string page : {"1", "2", "3"}) {
        Lines expected {"page " + page};
        expected.insert(expected.end(), toc.begin(), toc.end());
        EXPECT_EQ(outLines("sld00" + page + ".htm"), expected) << page;
    }
    // Each part's slides, on each part's page.
    for (const char* name : {"part1.htm", "part2.htm"})
        EXPECT_EQ(outLines(name), (Lines {"sld001.htm", "sld002.htm", "sld003.htm"})) << name;
    EXPECT_TRUE(sink.messages.empty());

    putStyle("sld000.htm", "!FORSLIDE\n!ENDIF\nS#S\n!ENDSLIDE\n");
    sink.messages.clear();
    ASSERT_TRUE(engine.ProcessStyleDirectory(true)) << engine.StyleError;
    EXPECT_EQ(sink.messages.size(), 3u * 3u);
    EXPECT_EQ(outLines("sld003.htm"), (Lines {"sld001.htm", "sld002.htm", "sld003.htm"}));

    putStyle("sld000.htm", "!FORSLIDE\n!FORSLIDE\n!FORSLIDE\nx\n!ENDSLIDE\n!ENDSLIDE\n!ENDSLIDE\n");
    EXPECT_FALSE(engine.ProcessStyleDirectory(true));
    EXPECT_EQ(engine.StyleError.rfind("Loop expansion too large", 0), 0u);
    EXPECT_FALSE(outExists("sld001.htm"));
}

}  // namespace
