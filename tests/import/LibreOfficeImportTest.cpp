// Slide import through a real LibreOffice. Every soffice run costs about a
// second, so the decks are converted once per test run (make-decks.sh) and
// shared by these tests.
#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <filesystem>

#include "GifDecode.h"
#include "RecordingStatusForm.h"
#include "TestSupport.h"
#include "import/SlideExporter.h"

namespace pellucor {

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const char* kTitlesHeader = "# Title information extraced by Pellucor from PowerPoint\r\n# Date today\r\n";

class LibreOfficeImport : public ::testing::Test {
protected:
    const std::string decks = PELLUCOR_IMPORT_DECKS;  // written by make-decks.sh
    const std::string pptx = decks + "deck.pptx";
    const std::string ppt = decks + "deck.ppt";
    const std::string shortFodp = decks + "short.fodp";

    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(pptx)) << "soffice did not convert the test deck";
        ASSERT_TRUE(fs::exists(ppt));
        ppt_.dateText = [] { return "today"; };
    }

    SlideExporter ppt_;
    RecordingMessageSink sink;
    TempDir out;
};

void expectGifs(const std::string& dir, int count, int width, int height)
{
    for (int i = 1; i <= count; ++i) {
        DecodedPicture pic;
        ASSERT_TRUE(DecodePicture(SlideExporter::PptImageFile(dir, i), pic)) << i;
        EXPECT_EQ(pic.width, width);
        EXPECT_EQ(pic.height, height);
        EXPECT_EQ(pic.at(2, height - 2), 0xFFFFFFu) << "slide background should be white";
        int dark = 0;
        for (uint32_t p : pic.pixels)
            dark += (p & 0xffffff) != 0xffffff;
        EXPECT_GT(dark, width * height / 100) << "slide " << i << " looks blank";
    }
}

// The sharp copies: 1920 pixels wide at the slides' own aspect (the decks
// have LibreOffice's default 16:9 slides), drawn like the GIFs.
void expectSharpCopies(const std::string& dir, int count)
{
    for (int i = 1; i <= count; ++i) {
        DecodedPicture pic;
        ASSERT_TRUE(DecodePicture(SlideExporter::SharpImageFile(dir, i), pic)) << i;
        EXPECT_EQ(pic.width, 1920);
        EXPECT_EQ(pic.height, 1080);
        EXPECT_EQ(pic.at(2, pic.height - 2), 0xFFFFFFu);
        EXPECT_GT(
            std::count_if(pic.pixels.begin(), pic.pixels.end(), [](uint32_t p) { return (p & 0xffffff) != 0xffffff; }),
            1920 * 1080 / 100)
            << "slide " << i << " looks blank";
    }
}

TEST_F(LibreOfficeImport, PptxWithAwkwardNameGivesImagesTitlesAndIndexThenAShorterDeckReplacesThem)
{
    const std::string awkward = out.dir() + "my deck; $(echo x) 'a'.pptx";
    fs::copy_file(pptx, awkward);
    const std::string slides = out.dir() + "slides/";
    fs::create_directories(slides);
    RecordingStatusForm form;

    ASSERT_EQ(ppt_.PptOpenPresentation(awkward), 3) << (sink.messages.empty() ? "" : sink.messages.back());
    ASSERT_TRUE(ppt_.PptExportSlides(slides, 400, 300, &form));
    expectGifs(slides, 3, 400, 300);
    expectSharpCopies(slides, 3);
    EXPECT_EQ(readFile(slides + "titles.txt"),
              std::string(kTitlesHeader)
                  + "\"img001.gif\" \"Introduction\"\r\n"
                    "\"img002.gif\" \"The &qt;quoted&qt; results\"\r\n"
                    "\"img003.gif\" \"Slide 3\"\r\n");
    EXPECT_EQ(readFile(slides + "index.htm"),
              "<P ALIGN=LEFT><A HREF=\"sld001.htm\">Introduction</A></P>\r\n"
              "<P ALIGN=LEFT><A HREF=\"sld002.htm\">The \"quoted\" results</A></P>\r\n"
              "<P ALIGN=LEFT><A HREF=\"sld003.htm\">Slide 3</A></P>\r\n");
    EXPECT_EQ(form.statuses.back().first, "Slide processing complete - 3 slides");
    // LibreOffice left nothing beside the user's file.
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 2);

    // The second slide is hidden from the slide show, and is imported all
    // the same.
    ASSERT_EQ(ppt_.PptOpenPresentation(shortFodp), 2);
    ASSERT_TRUE(ppt_.PptExportSlides(slides, 320, 240, nullptr));
    expectGifs(slides, 2, 320, 240);
    EXPECT_FALSE(fs::exists(slides + "img003.gif"));
    EXPECT_EQ(readFile(slides + "titles.txt"),
              std::string(kTitlesHeader) + "\"img001.gif\" \"Only one\"\r\n\"img002.gif\" \"Slide 2\"\r\n");
    ppt_.PptClose();
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(LibreOfficeImport, BinaryPptTitlesComeThroughAConversion)
{
    ASSERT_EQ(ppt_.PptOpenPresentation(ppt), 3);
    ASSERT_TRUE(ppt_.PptExportSlides(out.dir(), 160, 120, nullptr));
    expectGifs(out.dir(), 3, 160, 120);
    EXPECT_EQ(ppt_.PptSlideTitle(1), "Introduction");
    EXPECT_EQ(ppt_.PptSlideTitle(2), "The \"quoted\" results");
    EXPECT_EQ(ppt_.PptSlideTitle(3), "Slide 3");
}

TEST_F(LibreOfficeImport, NonPresentationsFailWithAMessage)
{
    writeFile(out.file("notes.pptx"), "just some text, not a presentation\n");
    EXPECT_EQ(ppt_.PptOpenPresentation(out.file("notes.pptx")), -1);
    EXPECT_TRUE(sink.saw("Unable to Open PowerPoint Presentation " + out.file("notes.pptx") + " error="));
    EXPECT_EQ(ppt_.PptOpenPresentation(out.file("missing.pptx")), -1);
    EXPECT_TRUE(sink.saw("Unable to Open PowerPoint Presentation " + out.file("missing.pptx") + " error="));
}

TEST_F(LibreOfficeImport, CommandLinePrintsProgressAndWritesTheSlides)
{
    QProcess pellucor;
    const std::string dir = out.dir() + "cli";
    pellucor.start(PELLUCOR_BIN,
                   {"import-slides", QString::fromStdString(pptx), "--out", QString::fromStdString(dir), "--size",
                    "320x240", "--no-hires"});
    ASSERT_TRUE(pellucor.waitForFinished(300000));
    const std::string printed = pellucor.readAllStandardOutput().toStdString();
    EXPECT_EQ(pellucor.exitCode(), 0) << printed << pellucor.readAllStandardError().toStdString();
    EXPECT_TRUE(holds(printed, "Processing Slide 3/3  to " + dir + "/"));
    EXPECT_TRUE(holds(printed, "img002.gif  The \"quoted\" results"));
    EXPECT_TRUE(holds(printed, "Slide processing complete - 3 slides"));
    expectGifs(dir + "/", 3, 320, 240);
    EXPECT_FALSE(fs::exists(SlideExporter::SharpImageFile(dir + "/", 1))) << "--no-hires writes the GIFs only";

    QProcess bad;
    bad.start(PELLUCOR_BIN,
              {"import-slides", QString::fromStdString(pptx), "--out", QString::fromStdString(dir), "--size", "0x240"});
    ASSERT_TRUE(bad.waitForFinished(30000));
    EXPECT_EQ(bad.exitCode(), 2);
}

}  // namespace

}  // namespace pellucor
