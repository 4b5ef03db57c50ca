#include "StyleFixture.h"

namespace pellucor {

using namespace style_test;
using testing_support::holds;

namespace {

class StyleDirectory : public StyleFixture { };

TEST_F(StyleDirectory, NamesDecidePerSlidePerPartAndSingleTemplates)
{
    slides({{1, -1}, {1, -1}, {-1, 2}});
    putStyle("sld000.htm", "page N#N\n");
    putStyle("part0.htm", "part P#P\n");
    putStyle("index.htm", "index n#n\n");
    putStyle("logo.GIF", "GIF89a");
    putStyle("back.jpg", "jpeg");
    putStyle("Style.cfg", "cfg\n");
    putStyle(".hidden", "x\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true)) << engine.StyleError;
    for (const char* name : {"sld001.htm", "sld002.htm", "sld003.htm", "part1.htm", "part2.htm", "index.htm"})
        EXPECT_TRUE(outExists(name)) << name;
    EXPECT_EQ(outLines("sld002.htm"), Lines {"page 002"});
    EXPECT_EQ(outLines("part2.htm"), Lines {"part 2"});
    EXPECT_EQ(outLines("index.htm"), Lines {"index 1"});
    for (const char* name : {"logo.GIF", "logo.gif", "back.jpg", "Style.cfg", ".hidden", "part3.htm"})
        EXPECT_FALSE(outExists(name)) << name;
    EXPECT_EQ(testing_support::readFile(output.file("sld002.htm")), "page 002\r\n");
    EXPECT_FALSE(engine.PartRestrict);
    EXPECT_NE(std::find(host.statuses.begin(), host.statuses.end(), "Destination:" + output.file("index.htm")),
              host.statuses.end());
}

TEST_F(StyleDirectory, OutputNamesReplaceDigitsLeftToRight)
{
    slides(std::vector<SlideSpec>(12, SlideSpec {-1, 1}));
    putStyle("a000b000.htm", "x\n");
    putStyle("v0x0.htm", "y\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true));
    EXPECT_TRUE(outExists("a012b012.htm"));
    EXPECT_TRUE(outExists("v1x1.htm"));
}

TEST_F(StyleDirectory, PerPartTemplateRestrictsSlideLoopsToItsPart)
{
    slides({{1, -1}, {1, -1}, {2, -1}, {2, -1}});
    putStyle("toc0.htm", "!FORSLIDE\nS#S\n!ENDSLIDE\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true));
    EXPECT_EQ(outLines("toc1.htm"), (Lines {"sld001.htm", "sld002.htm"}));
    EXPECT_EQ(outLines("toc2.htm"), (Lines {"sld003.htm", "sld004.htm"}));
}

TEST_F(StyleDirectory, EmptyOutputsAreRemoved)
{
    audioSlides(2);
    putStyle("sld000.htm", "!IFDEF LASTSLIDE\nlast\n!ENDIF\n");
    putStyle("nothing.htm", "# only a comment\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true));
    EXPECT_FALSE(outExists("sld001.htm"));
    EXPECT_TRUE(outExists("sld002.htm"));
    EXPECT_FALSE(outExists("nothing.htm"));
}

TEST_F(StyleDirectory, NoSlidesNoPartsMeansNoPerSlideOrPerPartOutput)
{
    putStyle("sld000.htm", "x\n");
    putStyle("part0.htm", "y\n");
    putStyle("index.htm", "z\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true));
    EXPECT_FALSE(outExists("sld001.htm"));
    EXPECT_FALSE(outExists("part1.htm"));
    EXPECT_TRUE(outExists("index.htm"));
}

TEST_F(StyleDirectory, ABrokenTemplateLeavesNoFileButTheOthersArePublished)
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
}

TEST_F(StyleDirectory, MissingTemplateOrOutputDirectoryIsReported)
{
    audioSlides(1);
    EXPECT_FALSE(engine.ProcessStyleFile(1, "gone.htm", true));
    EXPECT_TRUE(sink.saw(style.file("gone.htm") + " does not exist "));
    putStyle("index.htm", "x\n");
    source.S.OutDir = output.file("missing/deeper");
    engine.StyleError.clear();
    EXPECT_FALSE(engine.ProcessStyleFile(1, "index.htm", true));
    EXPECT_TRUE(holds(engine.StyleError, "Unable to create "));
    // Never into whatever the current directory happens to be.
    source.S.OutDir = " ";
    engine.StyleError.clear();
    EXPECT_FALSE(engine.ProcessStyleFile(1, "index.htm", true));
    EXPECT_EQ(engine.StyleError, "No output directory for index.htm");
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
    EXPECT_EQ(testing_support::readFile(output.file("logo.PNG")), png);
    EXPECT_EQ(testing_support::readFile(output.file("font0.woff2")), font);  // not per part
    EXPECT_EQ(testing_support::readFile(output.file("data000.bin")), data);  // not per slide
    EXPECT_FALSE(outExists("font1.woff2"));
    EXPECT_FALSE(outExists("data001.bin"));
    EXPECT_EQ(outLines("index.htm"), Lines {"001"});

    // Binary files alone are not a style.
    std::filesystem::remove(style.file("index.htm"));
    EXPECT_FALSE(engine.ProcessStyleDirectory(true));
    EXPECT_EQ(engine.StyleError, "The style directory " + style.dir() + " holds no templates");
}

TEST_F(StyleDirectory, JoinedPathsHaveOneSeparator)
{
    audioSlides(1);
    source.S.StyleDir = style.path().string();         // none
    source.S.LecDir = lecture.path().string() + "//";  // two
    putStyle("sld000.htm", "!INCLUDE\n");
    putLecture("sld001.htm", "lecture page\n");
    ASSERT_TRUE(engine.ProcessStyleDirectory(true));
    EXPECT_EQ(outLines("sld001.htm"), Lines {"lecture page"});
    EXPECT_EQ(host.statuses.back(), "Destination:" + output.path().string() + "/sld001.htm");
}

}  // namespace

}  // namespace pellucor
