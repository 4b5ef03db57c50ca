// Each slide's words through the commands, as a lecturer runs them: slide
// import keeps the words a presentation or PDF holds, and "pellucor
// slide-text" reads the rest by OCR, on decks made from LibreOffice's own
// templates and on slides drawn as pictures (make-text-decks.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "MediaTools.h"
#include "PellucorProcess.h"
#include "TestSupport.h"
#include "core/SlideText.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

const std::string kDecks = PELLUCOR_TEXT_DECKS;  // written by make-text-decks.sh

ProcessOutcome pellucor(const QStringList& args, const std::string& home)
{
    return runProgram(PELLUCOR_BIN, args, home, {}, 300000);
}

// The words of a text, runs of white space as one blank.
std::string words(const std::string& text) { return SlideTextOnOneLine(text); }

// The words of four or more letters of a text, in lower case.
std::vector<std::string> longWords(const std::string& text)
{
    std::vector<std::string> out;
    std::string word;
    for (const char c : text + " ") {
        if (std::isalpha(static_cast<unsigned char>(c))) {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            continue;
        }
        if (word.size() >= 4)
            out.push_back(word);
        word.clear();
    }
    return out;
}

size_t editDistance(const std::string& a, const std::string& b)
{
    std::vector<size_t> prev(b.size() + 1), cur(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        prev[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= b.size(); ++j)
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

SlideText textOf(const std::string& picture)
{
    SlideText t;
    std::string err;
    EXPECT_TRUE(ReadSlideText(SlideTextFileFor(picture), t, err)) << picture << ": " << err;
    return t;
}

std::vector<std::string> pictures(const std::string& dir)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".gif")
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

class SlideTextCommand : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fs::exists(kDecks + "Vivid.pptx")) << "make-text-decks.sh did not run"; }
    // Imports a deck into a folder of the test; its slide folder.
    std::string import(const std::string& deck)
    {
        const std::string out = home.dir() + fs::path(deck).stem().string() + fs::path(deck).extension().string();
        const ProcessOutcome r = pellucor(
            {"import-slides", QString::fromStdString(deck), "--out", QString::fromStdString(out)}, home.dir());
        EXPECT_EQ(r.code, 0) << describe(r);
        return out + "/";
    }
    // Reads a folder's slides by OCR: the command's standard output.
    std::string readByOcr(const std::string& dir, const QStringList& more = {})
    {
        const ProcessOutcome r = pellucor(QStringList {"slide-text", QString::fromStdString(dir)} + more, home.dir());
        EXPECT_EQ(r.code, 0) << describe(r);
        return r.out;
    }
    // The character error rate of OCR's words against the truth, in percent.
    static double errorRate(const std::string& ocr, const std::string& truth)
    {
        return 100.0 * static_cast<double>(editDistance(words(ocr), words(truth)))
            / static_cast<double>(std::max<size_t>(1, words(truth).size()));
    }

    TempDir home;
};

// Every slide of a presentation (OpenDocument from a template, PowerPoint,
// a PDF's text layer) that holds words gets them from the deck itself: a
// later run reads only the others by OCR. The same pictures without those
// words are read by OCR, from the sharp copies and from the GIFs alone,
// within bounds of the deck's own words (wider for Vivid, whose title
// slides put white words on bright colours; bench/slide_text_bench.sh
// measures the error rates over every template). GIFs as another program
// exports them (the sharp copies scaled down to 640x480 in 256 colours)
// lose no title: each slide keeps three quarters of its longer words.
struct Deck {
    const char* file;
    const char* source;           // what the import keeps: "deck" or "pdf"
    double sharpBound, gifBound;  // character error rates allowed, percent
    bool exported = false;        // the GIFs scaled down from the sharp copies
};

// Named by its file in test listings.
void PrintTo(const Deck& d, std::ostream* os) { *os << d.file; }

class DeckWords : public SlideTextCommand, public ::testing::WithParamInterface<Deck> { };

TEST_P(DeckWords, ComeFromTheDeckAndOcrReadsThemWithinBounds)
{
    const Deck& d = GetParam();
    const std::string dir = import(kDecks + d.file);
    int withWords = 0;
    for (const std::string& gif : pictures(dir)) {
        if (!fs::exists(SlideTextFileFor(gif)))
            continue;
        ++withWords;
        EXPECT_EQ(SlideTextSourceKey(textOf(gif).source), d.source) << gif;
    }
    EXPECT_GE(withWords, 2);
    const size_t without = pictures(dir).size() - static_cast<size_t>(withWords);
    EXPECT_NE(readByOcr(dir).find(std::to_string(without) + " read by OCR, " + std::to_string(withWords) + " kept."),
              std::string::npos);

    for (const bool sharp : {true, false}) {
        SCOPED_TRACE(sharp ? "sharp copies" : "GIFs alone");
        const std::string ocr = home.dir() + (sharp ? "sharp/" : "gif/");
        fs::create_directories(ocr);
        for (const std::string& gif : pictures(dir)) {
            const std::string webp = fs::path(gif).replace_extension(".webp").string();
            std::string err;
            if (!sharp && d.exported)
                ASSERT_TRUE(ffmpeg({"-i", webp, "-vf",
                                    "scale=640:480:flags=lanczos,split[a][b];[a]palettegen[p];[b][p]paletteuse",
                                    ocr + fs::path(gif).filename().string()},
                                   err))
                    << err;
            else
                fs::copy_file(gif, ocr + fs::path(gif).filename().string());
            if (sharp && fs::exists(webp))
                fs::copy_file(webp, ocr + fs::path(webp).filename().string());
        }
        readByOcr(ocr);
        std::string truth, read;
        for (const std::string& gif : pictures(dir)) {
            const std::string copy = ocr + fs::path(gif).filename().string();
            EXPECT_EQ(textOf(copy).source, SlideTextSource::Ocr);
            if (!fs::exists(SlideTextFileFor(gif)))
                continue;
            truth += " " + textOf(gif).text;
            read += " " + textOf(copy).text;
            if (sharp || !d.exported)
                continue;
            const std::vector<std::string> wanted = longWords(textOf(gif).text), got = longWords(textOf(copy).text);
            const auto found = std::count_if(wanted.begin(), wanted.end(), [&](const std::string& w) {
                return std::find(got.begin(), got.end(), w) != got.end();
            });
            EXPECT_GE(4 * found, 3 * static_cast<long>(wanted.size()))
                << gif << "\nread: " << textOf(copy).text << "\ntruth: " << textOf(gif).text;
        }
        EXPECT_LE(errorRate(read, truth), sharp ? d.sharpBound : d.gifBound)
            << "read: " << read << "\ntruth: " << truth;
    }
}

INSTANTIATE_TEST_SUITE_P(Decks, DeckWords,
                         ::testing::Values(Deck {"templates/Beehive.odp", "deck", 5, 8},
                                           Deck {"templates/Midnightblue.odp", "deck", 5, 8},
                                           Deck {"templates/Focus.odp", "deck", 5, 8},
                                           Deck {"templates/Freshes.odp", "deck", 15, 20, true},
                                           Deck {"Vivid.pptx", "deck", 16, 16}, Deck {"Vivid.pdf", "pdf", 16, 16}),
                         [](const auto& info) {
                             std::string name = fs::path(info.param.file).filename().string();
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

// Slides drawn as pictures (a dark theme, words over a photograph, two
// columns, a table, no words at all) are read by OCR in reading order:
// each column down before the next, a table row by row.
TEST_F(SlideTextCommand, DrawnSlidesAreReadInReadingOrder)
{
    const std::string drawn = kDecks + "drawn/";
    for (const bool sharp : {true, false}) {
        SCOPED_TRACE(sharp ? "sharp copies" : "GIFs alone");
        const std::string dir = home.dir() + (sharp ? "sharp/" : "gif/");
        fs::create_directories(dir);
        for (const auto& e : fs::directory_iterator(drawn))
            if (e.is_regular_file() && (sharp || e.path().extension() == ".gif"))
                fs::copy_file(e.path(), dir + e.path().filename().string());
        EXPECT_NE(readByOcr(dir).find("5 read by OCR, 0 kept."), std::string::npos);
        for (const std::string& gif : pictures(dir)) {
            const std::string name = fs::path(gif).stem().string();
            const std::string truth = readFile(drawn + "expected/" + name + ".txt");
            const SlideText t = textOf(gif);
            SCOPED_TRACE(name + ": " + t.text);
            EXPECT_EQ(t.source, SlideTextSource::Ocr);
            if (truth.empty()) {
                EXPECT_EQ(t.text, "");
                continue;
            }
            // Words over a photograph lose a letter or two.
            EXPECT_LE(errorRate(t.text, truth), 20.0) << "truth: " << truth;
            EXPECT_GE(t.confidence, 70);
        }
    }
    // The titles are the largest lines at the top.
    EXPECT_EQ(textOf(home.dir() + "sharp/img001.gif").title, "Gradient descent");
    EXPECT_EQ(textOf(home.dir() + "sharp/img003.gif").title, "Two pictures of matter");
}

// A PDF whose pages are pictures has no words to keep: OCR reads them.
TEST_F(SlideTextCommand, APdfWithoutATextLayerIsReadByOcr)
{
    const std::string dir = import(kDecks + "scan.pdf");
    ASSERT_FALSE(fs::exists(dir + "img001.text"));
    EXPECT_NE(readByOcr(dir).find("1 read by OCR, 0 kept."), std::string::npos);
    EXPECT_LE(errorRate(textOf(dir + "img001.gif").text, readFile(kDecks + "drawn/expected/img001.txt")), 8.0);
    // Read again only when asked to, or when the picture changes.
    EXPECT_NE(readByOcr(dir).find("0 read by OCR, 1 kept."), std::string::npos);
    EXPECT_NE(readByOcr(dir, {"--redo"}).find("1 read by OCR, 0 kept."), std::string::npos);
    fs::copy_file(kDecks + "drawn/img004.gif", dir + "img001.gif", fs::copy_options::overwrite_existing);
    fs::remove(dir + "img001.webp");
    EXPECT_NE(readByOcr(dir).find("1 read by OCR, 0 kept."), std::string::npos);
    EXPECT_EQ(textOf(dir + "img001.gif").title, "Properties of metals");
}

// A language whose data is not installed and a picture that is not one:
// the reason, a failing exit and not one text file written.
TEST_F(SlideTextCommand, AMissingLanguageOrABrokenPictureWritesNothing)
{
    const std::string dir = home.dir() + "lecture/";
    fs::create_directories(dir);
    for (const char* name : {"img001.gif", "img002.gif", "img003.gif"})
        fs::copy_file(kDecks + "drawn/" + name, dir + name);
    const auto noText = [&] {
        return std::none_of(fs::directory_iterator(dir), fs::directory_iterator(),
                            [](const auto& e) { return e.path().extension() == ".text"; });
    };
    ProcessOutcome r = pellucor({"slide-text", QString::fromStdString(dir), "--ocr-lang", "eng+qqq"}, home.dir());
    EXPECT_EQ(r.code, 1) << describe(r);
    EXPECT_TRUE(holds(r.err, "The OCR language \"qqq\" is not installed: install the package tesseract-ocr-qqq"))
        << describe(r);
    EXPECT_TRUE(noText());

    writeFile(dir + "img002.gif", "GIF89a but nothing of a picture");
    r = pellucor({"slide-text", QString::fromStdString(dir)}, home.dir());
    EXPECT_EQ(r.code, 1) << describe(r);
    EXPECT_TRUE(holds(r.err, "Unable to read the slide picture " + dir + "img002.gif")) << describe(r);
    EXPECT_TRUE(noText());
}

}  // namespace
