// Slide import through a real LibreOffice. Every soffice run costs about a
// second, so the decks are converted once per test run (make-decks.sh) and
// shared by these tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "DecodedPicture.h"
#include "PellucorProcess.h"
#include "TestSupport.h"
#include "import/SlideExporter.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

const char* kTitlesHeader = "# Title information extraced by Pellucor from PowerPoint\r\n# Date today\r\n";

class LibreOfficeImport : public ::testing::Test {
protected:
    const std::string decks = PELLUCOR_IMPORT_DECKS;  // written by make-decks.sh
    const std::string pptx = decks + "deck.pptx", ppt = decks + "deck.ppt", shortFodp = decks + "short.fodp",
                      titled = decks + "titled.pptx";

    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(pptx) && fs::exists(ppt) && fs::exists(titled)) << "soffice did not convert the test decks";
        ppt_.dateText = [] { return "today"; };
    }

    SlideExporter ppt_;
    RecordingMessageSink sink;
    TempDir out;
};

// The slide pictures of dir: readable, of the size, not blank, and on a
// white background where the deck has no design of its own. The sharp copies are 1920 pixels wide at the slides' own
// aspect (the decks have LibreOffice's default 16:9 slides); a GIF of
// another aspect holds the whole slide undistorted between black bands.
void expectPictures(const std::string& dir, int count, int width, int height, bool sharp = false, bool plain = true)
{
    for (int i = 1; i <= count; ++i) {
        DecodedPicture pic;
        ASSERT_TRUE(
            DecodePicture(sharp ? SlideExporter::SharpImageFile(dir, i) : SlideExporter::PptImageFile(dir, i), pic))
            << i;
        EXPECT_EQ(std::pair(pic.width, pic.height), std::pair(width, height)) << i;
        const int band = sharp ? 0 : (height - width * 9 / 16) / 2;
        if (band > 1) {
            EXPECT_EQ(pic.at(width / 2, 0), 0u) << "a wide slide is letterboxed, not squeezed";
            EXPECT_EQ(pic.at(width / 2, height - 1), 0u);
            // The slide itself, as its sharp copy shows it.
            DecodedPicture whole;
            if (!DecodePicture(SlideExporter::SharpImageFile(dir, i), whole))
                continue;
            long off = 0;
            for (int y = band + 2; y < height - band - 2; y += 3)
                for (int x = 2; x < width - 2; x += 3) {
                    const uint32_t a = pic.at(x, y) & 0xff, b = whole.at(x * whole.width / width,
                                                                         (y - band) * whole.width / width) & 0xff;
                    off += (a > b ? a - b : b - a) > 96;
                }
            EXPECT_LT(off, width * height / 9 / 50) << "slide " << i << " differs from its sharp copy";
        }
        if (plain) {
            EXPECT_EQ(pic.at(2, height / 2), 0xFFFFFFu) << "slide background should be white";
        }
        EXPECT_GT(
            std::count_if(pic.pixels.begin(), pic.pixels.end(), [](uint32_t p) { return (p & 0xffffff) != 0xffffff; }),
            width * height / 100)
            << "slide " << i << " looks blank";
    }
}

const char* kDeckTitles = "\"img001.gif\" \"Introduction\"\r\n"
                          "\"img002.gif\" \"The &qt;quoted&qt; results\"\r\n"
                          "\"img003.gif\" \"Slide 3\"\r\n";

TEST_F(LibreOfficeImport, EachKindOfDeckGivesImagesTitlesAndSharpCopiesAndAShorterDeckReplacesALongerOne)
{
    const std::string slides = out.dir() + "slides/";
    fs::create_directories(slides);
    const struct {
        std::string deck;
        int slides, width, height;
        std::string titles;
        bool plain = true;
    } cases[] = {
        {ppt, 3, 160, 120, kDeckTitles},  // binary: the titles come through a conversion
        // The second slide is hidden from the slide show, and is imported all the same.
        {shortFodp, 2, 320, 240, "\"img001.gif\" \"Only one\"\r\n\"img002.gif\" \"Slide 2\"\r\n"},
        // Saved by LibreOffice from its template Focus: the subtitle's
        // placeholder comes first; the title is the title placeholder's.
        {titled, 1, 640, 480, "\"img001.gif\" \"Photosynthesis Basics\"\r\n", false},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ppt_.PptOpenPresentation(c.deck), c.slides) << (sink.messages.empty() ? "" : sink.messages.back());
        ASSERT_TRUE(ppt_.PptExportSlides(slides, c.width, c.height, nullptr)) << c.deck;
        expectPictures(slides, c.slides, c.width, c.height, false, c.plain);
        expectPictures(slides, c.slides, 1920, 1080, true, c.plain);
        EXPECT_EQ(readFile(slides + "titles.txt"), kTitlesHeader + c.titles) << c.deck;
        EXPECT_EQ(fs::exists(slides + "img003.gif"), c.slides == 3) << c.deck;
    }
    ppt_.PptClose();
    EXPECT_TRUE(sink.messages.empty());

    // What is no presentation fails with a message.
    writeFile(out.file("notes.pptx"), "just some text, not a presentation\n");
    for (const std::string& bad : {out.file("notes.pptx"), out.file("missing.pptx")}) {
        EXPECT_EQ(ppt_.PptOpenPresentation(bad), -1);
        EXPECT_TRUE(sink.saw("Unable to Open PowerPoint Presentation " + bad + " error="));
    }
}

// A deck whose name the shell would read, through the command line.
TEST_F(LibreOfficeImport, CommandLinePrintsProgressAndWritesTheSlidesOfADeckOfAnyName)
{
    const std::string awkward = out.dir() + "my deck; $(echo x) 'a'.pptx", dir = out.dir() + "cli/";
    fs::copy_file(pptx, awkward);
    TempDir home;
    const auto run = [&](const char* size) {
        return runProgram(PELLUCOR_BIN,
                          {"import-slides", QString::fromStdString(awkward), "--out", QString::fromStdString(dir),
                           "--size", size, "--no-hires"},
                          home.dir(), {}, 300000);
    };
    const ProcessOutcome r = run("400x300");
    EXPECT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.out, "Processing Slide 3/3  to " + dir));
    EXPECT_TRUE(holds(r.out, "img002.gif  The \"quoted\" results"));
    EXPECT_TRUE(holds(r.out, "Slide processing complete - 3 slides"));
    expectPictures(dir, 3, 400, 300);
    EXPECT_FALSE(fs::exists(SlideExporter::SharpImageFile(dir, 1))) << "--no-hires writes the GIFs only";
    EXPECT_TRUE(holds(readFile(dir + "titles.txt"), kDeckTitles));  // under a header dated by the run
    EXPECT_EQ(readFile(dir + "index.htm"),
              "<P ALIGN=LEFT><A HREF=\"sld001.htm\">Introduction</A></P>\r\n"
              "<P ALIGN=LEFT><A HREF=\"sld002.htm\">The \"quoted\" results</A></P>\r\n"
              "<P ALIGN=LEFT><A HREF=\"sld003.htm\">Slide 3</A></P>\r\n");
    // LibreOffice left nothing beside the user's file.
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 2);
    EXPECT_EQ(run("0x240").code, 2);
}

}  // namespace
