#include <filesystem>

#include "FakeEncoder.h"
#include "StyleFixture.h"
#include "style/PublishedLecture.h"

namespace {
using namespace pellucor;
using namespace pellucor::style_test;

class Conversion : public StyleFixture {
protected:
    TempDir media;
    std::string convName, convErr;
    PublishedConversion convert(const std::string& name)
    {
        return ConvertPublishedLecture(media.dir(), name, convName, convErr);
    }
    void put(const std::string& name, const std::string& text) { writeFile(media.file(name), text); }
    bool has(const std::string& name) const { return std::filesystem::exists(media.file(name)); }
    void publishedLecture()
    {
        put("talk1.rat",
            "u 00:00:00 00:00:05 &&slide&&http://host/pub/sld001.htm\r\n"
            "\r\n"
            "   u 00:00:05 00:00:09 &&slide&&http://host/pub/SLD002.HTM\r\n"
            "&&slide&&sld003.htm\r\n"
            "u 00:00:09 00:00:12 plain line\r\n");
        put("n001.htm",
            "<HTML><FORM>\r\n<P>Slide Index</P>\r\n<SELECT NAME=s>\r\n"
            "<OPTION VALUE=\"sld001.htm\">Introduction\r\n"
            "<OPTION VALUE=\"sld002.htm\">Overview\r\n"
            "</SELECT>\r\n<A HREF=\"sld003.htm\">elsewhere</A>\r\n");
        put("sld001.htm", "old page");
        put("sld002.htm", "old page");
        put("sld01.htm", "not a slide page");
        put("talk1.rm", "");
    }
};

TEST_F(Conversion, PublishedDirectoryBecomesEventsAndTitlesWhateverElseItHolds)
{
    publishedLecture();
    ASSERT_EQ(convert("talk"), PublishedConversion::Converted) << convErr;
    EXPECT_EQ(convName, "talk");
    ASSERT_EQ(sink.questions.size(), 1u);
    EXPECT_EQ(sink.questions[0], media.dir() + " appears to be a published directory - OK - to autoconvert?");
    EXPECT_EQ(readLines(media.file("talk1.txt")),
              (Lines {"u 00:00:00 00:00:05 URL\\sld001.htm", "u 00:00:05 00:00:09 URL\\SLD002.HTM",
                      "&&slide&&sld003.htm", "u 00:00:09 00:00:12 plain line"}));
    EXPECT_EQ(readLines(media.file("titles.txt")),
              (Lines {"\"sld001.htm\" \"Introduction\"", "\"sld002.htm\" \"Overview\""}));
    EXPECT_FALSE(has("sld001.htm"));
    EXPECT_FALSE(has("sld002.htm"));
    EXPECT_TRUE(has("sld01.htm"));

    // Whatever else the directory holds, and without a navigation page.
    sink.questions.clear();
    publishedLecture();
    // An events file of the same lecture and another lecture name do not
    // hide a published directory that has its navigation page.
    put("talk.txt", "u 0 1 URL\\sld001.htm\r\n");
    ASSERT_EQ(convert("other"), PublishedConversion::Converted) << convErr;
    EXPECT_EQ(convName, "talk");
    EXPECT_TRUE(has("talk1.txt") && has("titles.txt"));
    // The navigation page falls back on another name and may be missing.
    publishedLecture();
    for (const char* f : {"talk.txt", "talk1.txt", "titles.txt"})
        std::filesystem::remove(media.file(f));
    std::filesystem::rename(media.file("n001.htm"), media.file("an001.htm"));
    ASSERT_EQ(convert("talk"), PublishedConversion::Converted) << convErr;
    EXPECT_EQ(readLines(media.file("titles.txt")).size(), 2u);
    publishedLecture();
    for (const char* f : {"talk1.txt", "titles.txt", "an001.htm", "n001.htm"})
        std::filesystem::remove(media.file(f));
    ASSERT_EQ(convert("talk"), PublishedConversion::Converted) << convErr;
    EXPECT_TRUE(has("talk1.txt"));
    EXPECT_FALSE(has("titles.txt"));
}

TEST_F(Conversion, LoadSlideInfoConvertsFirst)
{
    publishedLecture();
    FakeEncoderLog encoderLog;
    source.S.MediaDir = media.dir();
    source.S.LecDir = media.dir();
    source.S.LecName = "talk";
    source.S.Prefs["prfRmmerge"] = "None";
    host.openerFactory = [&] { return std::make_unique<FakeMediaOpener>(&encoderLog); };
    Tav_SetUnattended(true);
    std::string err;
    const bool ok = LoadLectureConvertingPublished(source, true, false, err);
    Tav_SetUnattended(false);
    ASSERT_TRUE(ok) << err;
    EXPECT_TRUE(sink.questions.empty());
    EXPECT_EQ(source.SI.SlideCount(), 2);
    EXPECT_EQ(title(1) + "|" + title(2), "Introduction|Overview");
}

TEST_F(Conversion, NothingHappensToALectureOrOnCancel)
{
    publishedLecture();
    std::filesystem::remove(media.file("n001.htm"));
    // Without a navigation page, event files beside events files of the
    // lecture are a recorded lecture's, not a published one.
    put("talk.txt", "u 0 1 URL\\sld001.htm\r\n");
    EXPECT_EQ(convert("talk"), PublishedConversion::NotPublished);
    EXPECT_TRUE(sink.questions.empty());
    EXPECT_FALSE(has("talk1.txt"));
    EXPECT_TRUE(has("sld001.htm"));
    EXPECT_EQ(convert("other"), PublishedConversion::NotPublished);

    std::filesystem::remove(media.file("talk.txt"));
    sink.answers.push_back(TavCancel);
    EXPECT_EQ(convert("talk"), PublishedConversion::Declined);
    EXPECT_EQ(sink.questions.size(), 1u);
    EXPECT_FALSE(has("talk1.txt"));
    EXPECT_FALSE(has("titles.txt"));
    EXPECT_TRUE(has("sld001.htm"));
}

TEST_F(Conversion, EventUrlsForDiskAndWebAndReplaceInFile)
{
    const std::string in = media.file("talk1.txt");
    put("talk1.txt", "u 0 5 URL\\sld001.htm\r\nu 5 9 URL\\http://elsewhere/sld002.htm URL\\x\r\n# URL\\URL\\\r\n");
    ASSERT_TRUE(engine.ConvertEventUrls(true, "http://w/", in, media.file("disk.rat")));
    EXPECT_EQ(readLines(media.file("disk.rat")),
              (Lines {"u 0 5 &&slide&&sld001.htm", "u 5 9 &&slide&&http://elsewhere/sld002.htm &&slide&&x",
                      "# &&slide&&&&slide&&"}));
    ASSERT_TRUE(engine.ConvertEventUrls(false, "http://w/", in, media.file("web.rat")));
    EXPECT_EQ(readLines(media.file("web.rat")),
              (Lines {"u 0 5 &&slide&&http://w/sld001.htm", "u 5 9 &&slide&&http://elsewhere/sld002.htm &&slide&&x",
                      "# &&slide&&http://w/&&slide&&http://w/"}));
    // In place.
    ASSERT_TRUE(engine.ConvertEventUrls(true, "", in, in));
    EXPECT_EQ(readLines(in).at(0), "u 0 5 &&slide&&sld001.htm");
    // Rewriting a file; failures are told and write nothing.
    put("a.txt", "aba\nb\r\n");
    ASSERT_TRUE(engine.ReplaceInFile("a", "aa", media.file("a.txt"), media.file("b.txt")));
    EXPECT_EQ(readFile(media.file("b.txt")), "aabaa\r\nb\r\n");
    EXPECT_FALSE(engine.ReplaceInFile("a", "b", media.file("none.txt"), media.file("c.txt")));
    EXPECT_TRUE(sink.saw("Replace: unable to open " + media.file("none.txt")));
    EXPECT_FALSE(has("c.txt"));
    EXPECT_FALSE(engine.ConvertEventUrls(true, "", media.file("a.txt"), media.file("no/dir.txt")));
    EXPECT_TRUE(sink.saw("Replace: unable to create " + media.file("no/dir.txt")));
}

}  // namespace
