#include <gtest/gtest.h>

#include <filesystem>

#include "PublishFixture.h"

namespace {
using namespace pellucor;
namespace fs = std::filesystem;
using namespace pellucor::testing_support;

TEST_F(PublishFixture, WebPublishPrefixesSlideAddressesAndTwoRunsKeepTheirOwnDirectoriesAndAStyleItsScript)
{
    onePart();
    ASSERT_TRUE(publish(true)) << lastError;
    const std::string diskOut = out;
    out = root.dir() + "web/";
    settings.OutDir = out;
    ASSERT_TRUE(publish(false)) << lastError;
    EXPECT_TRUE(fs::exists(diskOut + "index.htm"));
    // One part: the .rat comes from the slide table.
    EXPECT_EQ(readLines(out + "talk1.rat"),
              (Strings {"u 00:00:00 00:00:02 &&slide&&http://lectures.example.org/talk/sld001.htm",
                        "u 00:00:02 00:00:04 &&slide&&http://lectures.example.org/talk/sld002.htm",
                        "u 00:00:04 00:00:06 &&slide&&http://lectures.example.org/talk/sld003.htm"}));
    EXPECT_EQ(readLines(diskOut + "talk1.rat")[0], "u 00:00:00 00:00:02 &&slide&&sld001.htm");
    EXPECT_TRUE(holds(readFile(out + "talk1.vtt"), "http://lectures.example.org/talk/sld002.htm"));
    // A style's own process.bat replaces the generated one.
    const std::string style = root.dir() + "style/";
    fs::create_directories(style);
    writeFile(style + "process.bat", "echo custom N*N\r\n");
    writeFile(style + "index.htm", "<p>T#T</p>\r\n");
    settings.StyleDir = style;
    settings.OutDir = out = root.dir() + "styled/";
    ASSERT_TRUE(publish(true)) << lastError;
    EXPECT_EQ(readFile(out + "process.bat"), "echo custom talk\r\n");
}

TEST_F(PublishFixture, FailuresAreReportedWithTheirTextsAndTheCheckBeforeWritesNothing)
{
    settings.MediaDir = root.dir() + "empty/";
    fs::create_directories(settings.MediaDir);
    EXPECT_FALSE(publish(true));
    EXPECT_EQ(lastError,
              "Slide Load Error:Media directory has no RealMedia files (*.rm) " + root.dir()
                  + "empty/ nor recordings (*.mp4 *.m4v *.mov *.mkv *.webm *.m4a *.mp3 *.ogg *.opus *.wav *.flac)");
    EXPECT_FALSE(sink.saw("Slide Load Error:"));  // its caller shows it, once
    // The check before a publish asks nothing and writes nothing.
    settings.MediaDir = lecture;
    settings.OutDir = out = root.dir() + "unwritten/";
    settings.Prefs["prfRmmerge"] = "/nonexistent/rmmerge";
    Publisher engine(settings, &host);
    std::string err;
    EXPECT_TRUE(engine.OKToPublish(false, err)) << err;
    EXPECT_TRUE(sink.questions.empty());
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
