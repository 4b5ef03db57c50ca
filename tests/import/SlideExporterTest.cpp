#include <gtest/gtest.h>

#include <filesystem>

#include "FakePresentationApp.h"
#include "TestSupport.h"
#include "core/StatusColours.h"
#include "import/SlideExportStatus.h"
#include "import/SlideExporter.h"
#include "import/SlideImportModel.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

// A status form that records everything a slide export shows on it.
struct RecordingStatusForm : SlideExportStatus {
    std::vector<std::pair<std::string, uint32_t>> statuses;
    std::vector<std::string> files, titles, previews;
    std::vector<std::pair<int, int>> progress;

    void SetStatus(const std::string& caption, uint32_t colour) override { statuses.emplace_back(caption, colour); }
    void SetFile(const std::string& file) override { files.push_back(file); }
    void SetTitle(const std::string& title) override { titles.push_back(title); }
    void SetPreview(const std::string& file) override { previews.push_back(file); }
    void SetProgress(int done, int total) override { progress.emplace_back(done, total); }
};

class PptModule : public ::testing::Test {
protected:
    FakeAppLog log;
    SlideExporter ppt {[this] { return std::make_unique<FakePresentationApp>(&log); }};
    RecordingMessageSink sink;
    RecordingStatusForm form;
    TempDir dir;

    void SetUp() override
    {
        ppt.dateText = [] { return "12/6/2026 8:20 PM"; };
    }
    void addDeck(const std::string& path, std::vector<std::optional<std::string>> titles)
    {
        log.decks.push_back({path, FakeDeck {std::move(titles)}});
    }
    std::vector<std::string> images() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().extension() == ".gif" || e.path().extension() == ".webp")
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(PptModule, ExportWritesTitlesIndexAndImagesExactlyShowsEachSlideAndNoSlidesTheHeadersOnly)
{
    addDeck("/p/talk.pptx", {"Welcome", "Why \"timing\" matters", std::nullopt, ""});
    ASSERT_EQ(ppt.PptOpenPresentation("/p/talk.pptx"), 4);
    ASSERT_TRUE(ppt.PptExportSlides(dir.path().string(), 320, 240, &form));  // separator added
    const std::string d = dir.dir();
    const std::vector<std::pair<std::string, uint32_t>> statuses = {
        {"Deleting graphics files from " + d, kColourYellow}, {"Processing Slide 1/4  to " + d, kColourYellow},
        {"Processing Slide 2/4  to " + d, kColourYellow},     {"Processing Slide 3/4  to " + d, kColourYellow},
        {"Processing Slide 4/4  to " + d, kColourYellow},     {"Slide processing complete - 4 slides", kColourGreen}};
    EXPECT_EQ(form.statuses, statuses);
    EXPECT_EQ(form.files, (Strings {d + "img001.gif", d + "img002.gif", d + "img003.gif", d + "img004.gif"}));
    EXPECT_EQ(form.previews, form.files);
    EXPECT_EQ(form.titles, (Strings {"Welcome", "Why \"timing\" matters", "Slide 3", "Slide 4"}));
    EXPECT_EQ(form.progress, (std::vector<std::pair<int, int>> {{1, 4}, {2, 4}, {3, 4}, {4, 4}}));

    EXPECT_EQ(readFile(dir.file("titles.txt")),
              "# Title information extraced by Pellucor from PowerPoint\r\n"
              "# Date 12/6/2026 8:20 PM\r\n"
              "\"img001.gif\" \"Welcome\"\r\n"
              "\"img002.gif\" \"Why &qt;timing&qt; matters\"\r\n"
              "\"img003.gif\" \"Slide 3\"\r\n"
              "\"img004.gif\" \"Slide 4\"\r\n");
    EXPECT_EQ(readFile(dir.file("index.htm")),
              "<P ALIGN=LEFT><A HREF=\"sld001.htm\">Welcome</A></P>\r\n"
              "<P ALIGN=LEFT><A HREF=\"sld002.htm\">Why \"timing\" matters</A></P>\r\n"
              "<P ALIGN=LEFT><A HREF=\"sld003.htm\">Slide 3</A></P>\r\n"
              "<P ALIGN=LEFT><A HREF=\"sld004.htm\">Slide 4</A></P>\r\n");
    EXPECT_EQ(readFile(dir.file("img002.gif")), "slide 2 320x240");
    // Each slide's sharp copy, 1920 pixels wide, beside its GIF.
    EXPECT_EQ(readFile(dir.file("img002.webp")), "sharp 2 1920");
    EXPECT_EQ((Strings {ppt.PptSlideTitle(2), ppt.PptSlideTitle(3), ppt.PptSlideTitle(5), ppt.PptSlideTitle(0)}),
              (Strings {"Why \"timing\" matters", "Slide 3", "", ""}));

    addDeck("/p/empty.pptx", {});  // no slides: the headers only
    ASSERT_EQ(ppt.PptOpenPresentation("/p/empty.pptx"), 0);
    ASSERT_TRUE(ppt.PptExportSlides(dir.dir(), 320, 240, &form));
    EXPECT_EQ(readLines(dir.file("titles.txt")),
              (Strings {"# Title information extraced by Pellucor from PowerPoint", "# Date 12/6/2026 8:20 PM"}));
    EXPECT_EQ(readFile(dir.file("index.htm")), "");
    EXPECT_EQ(form.statuses.back().first, "Slide processing complete - 0 slides");
}

TEST_F(PptModule, AnotherExportLeavesNoStaleImagesButKeepsOtherFilesAndTheTableGrowsPastAHundred)
{
    addDeck("/p/long.pptx", {"a", "b", "c", "d"});
    addDeck("/p/short.pptx", {"x", "y"});
    writeFile(dir.file("img1000.gif"), "not a three-digit name");
    writeFile(dir.file("logo.gif"), "keep");
    ASSERT_EQ(ppt.PptOpenPresentation("/p/long.pptx"), 4);
    ASSERT_TRUE(ppt.PptExportSlides(dir.dir(), 320, 240, nullptr));
    ASSERT_EQ(ppt.PptOpenPresentation("/p/short.pptx"), 2);
    // Old images go without a question each, even when the answer would
    // have been Cancel.
    sink.answers = {TavCancel, TavCancel, TavCancel, TavCancel};
    ASSERT_TRUE(ppt.PptExportSlides(dir.dir(), 320, 240, nullptr));
    EXPECT_EQ(images(),
              (Strings {"img001.gif", "img001.webp", "img002.gif", "img002.webp", "img1000.gif", "logo.gif"}));
    ppt.sharpCopies = false;
    ASSERT_TRUE(ppt.PptExportSlides(dir.dir(), 320, 240, nullptr));
    EXPECT_EQ(images(), (Strings {"img001.gif", "img002.gif", "img1000.gif", "logo.gif"}));
    EXPECT_EQ(readLines(dir.file("titles.txt")).size(), 4u);
    EXPECT_TRUE(sink.questions.empty());

    // Multi-line titles stay on one line; the table grows past a hundred.
    std::vector<std::optional<std::string>> titles(250, std::nullopt);
    titles[0] = "First line\rsecond\vthird\r\n";
    titles[249] = "Last";
    addDeck("/p/big.pptx", titles);
    ASSERT_EQ(ppt.PptOpenPresentation("/p/big.pptx"), 250);
    ASSERT_TRUE(ppt.PptExportSlides(dir.dir(), 32, 24, nullptr));
    const auto lines = readLines(dir.file("titles.txt"));
    ASSERT_EQ(lines.size(), 252u);
    EXPECT_EQ(lines[2], "\"img001.gif\" \"First line second third \"");
    EXPECT_EQ(lines[251], "\"img250.gif\" \"Last\"");
    EXPECT_EQ(ppt.PptSlideTitle(250), "Last");
    EXPECT_EQ(ppt.PptSlideTitle(150), "Slide 150");
}

TEST_F(PptModule, TheApplicationIsStartedOnceOpensEachPathOnceQuitsOnCloseAndFailuresAreReported)
{
    log.version = "9.0";  // an old version: warned of once per run
    addDeck("/p/a.pptx", {"a"});
    addDeck("/p/b.pptx", {"b", "c"});
    EXPECT_EQ(ppt.PptOpenPresentation("/p/a.pptx"), 1);
    EXPECT_EQ(ppt.PptOpenPresentation("/p/a.pptx"), 1);
    EXPECT_EQ(ppt.PptOpenPresentation("/p/b.pptx"), 2);
    EXPECT_EQ(ppt.PptOpenPresentation("/p/a.pptx"), 1);
    log.failQuit = true;  // a failed close keeps the application
    ppt.PptClose();
    EXPECT_EQ(sink.messages.back(), "Problems Closing PowerPoint busy");
    EXPECT_TRUE(ppt.IsOpen());
    log.failQuit = false;
    ppt.PptClose();
    EXPECT_FALSE(ppt.IsOpen());
    EXPECT_EQ(log.quit, 1);
    EXPECT_EQ(ppt.PptOpenPresentation("/p/a.pptx"), 1);
    EXPECT_EQ(log.calls,
              (Strings {"start", "open /p/a.pptx", "open /p/b.pptx", "open /p/a.pptx", "quit", "quit", "start",
                        "open /p/a.pptx"}));
    EXPECT_EQ(sink.messages.size(), 2u);
    EXPECT_TRUE(sink.saw("PPT-2000 may behave strangely"));

    ppt.PptClose();  // failures to start or open are reported with their description
    log.failStart = true;
    EXPECT_EQ(ppt.PptOpenPresentation("/p/a.pptx"), -1);
    EXPECT_EQ(sink.messages.back(), "Unable to Initialize PowerPoint no application");
    EXPECT_FALSE(ppt.IsOpen());
    // Nothing is active after a failed start, so an export does nothing.
    EXPECT_FALSE(ppt.PptExportSlides(dir.dir(), 320, 240, &form));
    EXPECT_FALSE(fs::exists(dir.file("titles.txt")));
    EXPECT_EQ(ppt.PptSlideTitle(1), "");

    log.failStart = false;
    EXPECT_EQ(ppt.PptOpenPresentation("/p/missing.pptx"), -1);
    EXPECT_EQ(sink.messages.back(), "Unable to Open PowerPoint Presentation /p/missing.pptx error=file not found");
    // A failed open is not remembered: the next try opens again.
    addDeck("/p/missing.pptx", {"late"});
    EXPECT_EQ(ppt.PptOpenPresentation("/p/missing.pptx"), 1);
}

TEST_F(PptModule, AnUnwritableDirectoryOrAFailedSlideExportIsReportedNotCompleted)
{
    addDeck("/p/a.pptx", {"a", "b", "c"});
    ASSERT_EQ(ppt.PptOpenPresentation("/p/a.pptx"), 3);
    const std::string missing = dir.dir() + "no/such/";  // stops before anything is exported
    EXPECT_FALSE(ppt.PptExportSlides(missing, 320, 240, &form));
    EXPECT_EQ(sink.messages.back(), "Error - Unable to write to " + missing + "index.htm");
    EXPECT_EQ(log.calls.back(), "open /p/a.pptx");

    log.failExportAt = 2;
    EXPECT_FALSE(ppt.PptExportSlides(dir.dir(), 320, 240, &form));
    EXPECT_EQ(sink.messages.back(), "Error - Unable to write to " + dir.dir() + "img002.gif disk full");
    EXPECT_EQ(form.statuses.back().second, kColourRed);
    EXPECT_EQ(images(), (Strings {"img001.gif", "img001.webp"}));

    log.failExportAt = 0;
    log.failSharpAt = 3;
    EXPECT_FALSE(ppt.PptExportSlides(dir.dir(), 320, 240, &form));
    EXPECT_EQ(sink.messages.back(), "Error - Unable to write to " + dir.dir() + "img003.webp disk full");
}

TEST(SlideImportSizes, FourByThreeFirstAndAnUnknownChoiceIsTheDefault)
{
    EXPECT_EQ(PptImageFile("/s/", 1000), "/s/img1000.gif");
    QStringList sizes;
    for (int i = -1; i <= 7; ++i)
        sizes << QString("%1x%2").arg(SlideImportModel::ImportWidth(i)).arg(SlideImportModel::ImportHeight(i));
    EXPECT_EQ(sizes,
              (QStringList {"640x480", "320x240", "400x300", "640x480", "800x600", "1024x768", "960x540", "1280x720",
                            "640x480"}));
    EXPECT_EQ(SlideImportModel::SizeList(), sizes.mid(1, 7));
}

TEST_F(PptModule, ImportDialogExportsAtTheChosenSizeClosesAndSaysAllDoneOrWhyNot)
{
    addDeck("/p/a.pptx", {"a", "b"});
    addDeck("/p/empty.pptx", {});
    SlideImportModel model(&ppt);
    model.txtDir = QString::fromStdString(dir.path().string());
    model.txtFile = "/p/empty.pptx";
    model.importSlides();
    EXPECT_EQ(model.lblStatus, "The presentation has no slides");
    EXPECT_FALSE(ppt.IsOpen());
    model.txtFile = "/p/none.pptx";
    model.importSlides();
    EXPECT_TRUE(sink.saw("Unable to Open PowerPoint Presentation /p/none.pptx"));
    EXPECT_NE(model.lblStatus, "All Done.");
    EXPECT_FALSE(fs::exists(dir.file("titles.txt")));

    model.txtFile = "/p/a.pptx";
    model.lstSize = 1;
    model.importSlides();
    EXPECT_EQ(model.lblStatus, "All Done.");
    EXPECT_EQ(model.lblStatusBackColor, kColourGreen);
    EXPECT_EQ(readFile(dir.file("img001.gif")), "slide 1 400x300");
    EXPECT_FALSE(ppt.IsOpen());
}

}  // namespace
