// Captions files as lecturers' subtitle editors write them: SubRip turned
// into WebVTT that browsers accept, WebVTT checked and tidied, the file
// found beside the recording, and a file that is not captions refused with
// the line at fault.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "publish/Captions.h"

namespace pellucor {

using testing_support::holds;

namespace {

std::string srt(const std::string& text)
{
    std::string vtt, err;
    EXPECT_TRUE(SrtToWebVtt(text, vtt, err)) << err;
    return vtt;
}

std::string srtError(const std::string& text)
{
    std::string vtt, err;
    EXPECT_FALSE(SrtToWebVtt(text, vtt, err)) << vtt;
    return err;
}

std::string vttError(const std::string& text)
{
    std::string vtt, err;
    EXPECT_FALSE(TidyWebVtt(text, vtt, err)) << vtt;
    return err;
}

}  // namespace

TEST(Captions, SubRipBecomesWebVtt)
{
    const std::string crlf = "1\r\n00:00:01,000 --> 00:00:04,500\r\nHello, <i>students</i>.\r\nSecond line\r\n\r\n"
                             "2\r\n00:01:02,003 --> 01:00:00,000\r\nBye\r\n";
    const std::string expected = "WEBVTT\r\n\r\n1\r\n00:00:01.000 --> 00:00:04.500\r\nHello, <i>students</i>.\r\n"
                                 "Second line\r\n\r\n2\r\n00:01:02.003 --> 01:00:00.000\r\nBye\r\n";
    EXPECT_EQ(srt(crlf), expected);
    // The same with a byte-order mark, LF or old Mac CR line ends, blank
    // lines of spaces and trailing blank lines.
    EXPECT_EQ(srt("\xEF\xBB\xBF" + crlf), expected);
    std::string lf = crlf, cr = crlf;
    for (size_t p; (p = lf.find("\r\n")) != std::string::npos;)
        lf.replace(p, 2, "\n");
    for (size_t p; (p = cr.find("\r\n")) != std::string::npos;)
        cr.replace(p, 2, "\r");
    EXPECT_EQ(srt(lf), expected);
    EXPECT_EQ(srt(cr), expected);
    EXPECT_EQ(srt("\n  \n" + lf + "\n \n\n"), expected);
}

TEST(Captions, SubRipAsFoundInTheWild)
{
    // No cue numbers, short fractions, coordinates after the times, and a
    // lost blank line between two cues.
    EXPECT_EQ(srt("00:00:01,5 --> 00:00:02,25 X1:10 X2:20 Y1:5 Y2:9\nOne\n2\n00:00:03,000 --> 00:00:04,000\nTwo\n"
                  "00:00:05.000 --> 00:00:06.000\nThree\n"),
              "WEBVTT\r\n\r\n00:00:01.500 --> 00:00:02.250\r\nOne\r\n\r\n2\r\n00:00:03.000 --> 00:00:04.000\r\nTwo\r\n"
              "\r\n00:00:05.000 --> 00:00:06.000\r\nThree\r\n");
    // An arrow in the text would end the cue text in WebVTT.
    EXPECT_EQ(srt("1\n00:00:01,000 --> 00:00:02,000\na --> b\n"),
              "WEBVTT\r\n\r\n1\r\n00:00:01.000 --> 00:00:02.000\r\na --&gt; b\r\n");
    // Latin-1 text (a Windows editor) becomes UTF-8; UTF-8 stays as it is.
    EXPECT_EQ(srt("1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9\n"),
              "WEBVTT\r\n\r\n1\r\n00:00:01.000 --> 00:00:02.000\r\nCaf\xC3\xA9\r\n");
    EXPECT_EQ(srt("1\n00:00:01,000 --> 00:00:02,000\nCaf\xC3\xA9 \xE2\x82\xAC\n"),
              "WEBVTT\r\n\r\n1\r\n00:00:01.000 --> 00:00:02.000\r\nCaf\xC3\xA9 \xE2\x82\xAC\r\n");
    // UTF-16 with its byte-order mark, little and big endian ("Unicode" in
    // Windows editors), a character beyond 16 bits included.
    const std::string text = "1\n00:00:01,000 --> 00:00:02,000\nCaf\u00e9 \U0001F600\n";
    const std::u16string wide = u"1\n00:00:01,000 --> 00:00:02,000\nCaf\u00e9 \U0001F600\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (const char16_t c : wide) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8);
        be += static_cast<char>(c & 0xFF);
    }
    EXPECT_EQ(srt(le), srt(text));
    EXPECT_EQ(srt(be), srt(text));
    EXPECT_TRUE(holds(srt(le), "Caf\xC3\xA9 \xF0\x9F\x98\x80"));
    // A cue without text is kept (a pause in the captions).
    EXPECT_EQ(srt("1\n00:00:01,000 --> 00:00:02,000\n\n2\n00:00:03,000 --> 00:00:04,000\nx\n"),
              "WEBVTT\r\n\r\n1\r\n00:00:01.000 --> 00:00:02.000\r\n\r\n2\r\n00:00:03.000 --> 00:00:04.000\r\nx\r\n");
}

TEST(Captions, WhatIsNotSubRipIsRefusedWithItsLine)
{
    EXPECT_EQ(srtError(""), "it holds no captions (no cue with a time line such as 00:00:01,000 --> 00:00:04,000)");
    EXPECT_EQ(srtError("\n\n  \n").rfind("it holds no captions", 0), 0u);
    EXPECT_EQ(srtError("1\n00:00:01,000 --> 00:00:04,000\nok\n\nJust some words\nmore words\n"),
              "line 5: expected a cue number or a time line such as 00:00:01,000 --> 00:00:04,000, found \"Just "
              "some words\"");
    EXPECT_EQ(srtError("1\n00:00:01 -> 00:00:04\nx\n").rfind("line 1: expected a cue number", 0), 0u);
    EXPECT_EQ(srtError("1\n00:00:61,000 --> 00:01:04,000\nx\n"),
              "line 2: the times cannot be read (expected hh:mm:ss,mmm --> hh:mm:ss,mmm): "
              "\"00:00:61,000 --> 00:01:04,000\"");
    EXPECT_EQ(srtError("1\n00:00:01,0000 --> 00:00:04,000\nx\n").rfind("line 2: the times cannot be read", 0), 0u);
    EXPECT_EQ(srtError("1\n00:00:05,000 --> 00:00:04,000\nx\n"),
              "line 2: the cue ends before it starts: \"00:00:05,000 --> 00:00:04,000\"");
    // A media file given the captions' name.
    EXPECT_EQ(srtError(std::string("\x1a\x45\xdf\xa3\x00\x00\x01", 7) + "webm").rfind("line 1:", 0), 0u);
}

TEST(Captions, WebVttIsCheckedAndTidied)
{
    std::string vtt, err;
    ASSERT_TRUE(TidyWebVtt("\xEF\xBB\xBFWEBVTT - lecture\nKind: captions\n\nNOTE written by hand\nover two lines\n\n"
                           "STYLE\n::cue { color: yellow }\n\nintro\n00:01.000 --> 00:02,500 align:start line:0\n"
                           "<v Lecturer>Hello\n\n00:00:03.000 --> 00:00:04.000\nBye\n",
                           vtt, err))
        << err;
    EXPECT_EQ(vtt,
              "WEBVTT - lecture\r\nKind: captions\r\n\r\nNOTE written by hand\r\nover two lines\r\n\r\nSTYLE\r\n"
              "::cue { color: yellow }\r\n\r\nintro\r\n00:00:01.000 --> 00:00:02.500 align:start line:0\r\n"
              "<v Lecturer>Hello\r\n\r\n00:00:03.000 --> 00:00:04.000\r\nBye\r\n");

    EXPECT_EQ(vttError("1\n00:00:01,000 --> 00:00:02,000\nan srt named .vtt\n"),
              "line 1: a WebVTT file begins with WEBVTT, found \"1\"");
    EXPECT_EQ(vttError("WEBVTTX\n\n00:01.000 --> 00:02.000\nx\n").rfind("line 1: a WebVTT file begins", 0), 0u);
    EXPECT_EQ(vttError("WEBVTT\n00:01.000 --> 00:02.000\nx\n"),
              "line 2: a blank line must separate the WEBVTT line from the first cue");
    EXPECT_EQ(vttError("WEBVTT\n\nNOTE only a note\n").rfind("it holds no captions", 0), 0u);
    EXPECT_EQ(vttError("WEBVTT\n\n00:01.000 --> 00:0x.000\nx\n").rfind("line 3: the times cannot be read", 0), 0u);
}

TEST(Captions, FoundBesideTheRecordingInAnyCase)
{
    using Paths = std::vector<std::string>;
    testing_support::TempDir dir;
    std::string err;
    EXPECT_EQ(FindCaptionsFiles(dir.file("talk1.rm"), 1, err), Paths {});
    EXPECT_EQ(err, "");
    testing_support::writeFile(dir.file("Talk1.SRT"), "x");
    EXPECT_EQ(FindCaptionsFiles(dir.file("talk1.rm"), 1, err), Paths {dir.file("Talk1.SRT")});
    // A .vtt is tried first.
    testing_support::writeFile(dir.file("talk1.vtt"), "x");
    EXPECT_EQ(FindCaptionsFiles(dir.file("talk1.rm"), 1, err), (Paths {dir.file("talk1.vtt"), dir.file("Talk1.SRT")}));
    EXPECT_EQ(FindCaptionsFiles(dir.file("rawmedia.mp4"), 1, err), Paths {});
    testing_support::writeFile(dir.file("rawmedia.vtt"), "x");
    EXPECT_EQ(FindCaptionsFiles(dir.file("rawmedia.mp4"), 1, err), Paths {dir.file("rawmedia.vtt")});
    // A published lecture's own captions come last, for its part only.
    testing_support::writeFile(dir.file("captions2.vtt"), "x");
    EXPECT_EQ(FindCaptionsFiles(dir.file("talk2.rm"), 2, err), Paths {dir.file("captions2.vtt")});
    EXPECT_EQ(FindCaptionsFiles(dir.file("talk1.rm"), 1, err), (Paths {dir.file("talk1.vtt"), dir.file("Talk1.SRT")}));
    // Two names differing in case are not guessed between.
    testing_support::writeFile(dir.file("TALK1.vtt"), "y");
    EXPECT_EQ(FindCaptionsFiles(dir.file("talk1.rm"), 1, err), Paths {});
    EXPECT_NE(err, "");
}

TEST(Captions, ASlideChangeTrackIsNoCaptions)
{
    EXPECT_TRUE(IsSlideEventsTrack("WEBVTT\r\n\r\n1\r\n00:00:00.000 --> 00:00:02.000\r\nsld001.htm\r\n\r\n2\r\n"
                                   "00:00:02.000 --> 00:00:04.000\r\nhttp://example.org/t/sld002.htm\r\n"));
    EXPECT_FALSE(IsSlideEventsTrack("WEBVTT\r\n\r\n1\r\n00:00:00.000 --> 00:00:02.000\r\nsld001.htm\r\n\r\n2\r\n"
                                    "00:00:02.000 --> 00:00:04.000\r\nSee the page index.htm\r\n"));
    EXPECT_FALSE(IsSlideEventsTrack("WEBVTT\r\n\r\n00:00:00.000 --> 00:00:02.000\r\nHello\r\n"));
    EXPECT_FALSE(IsSlideEventsTrack("WEBVTT\r\n"));
}

TEST(Captions, ReadAndWrittenForTheTrackAndForPagesOnDisk)
{
    testing_support::TempDir dir;
    testing_support::writeFile(dir.file("talk1.srt"),
                               "1\r\n00:00:01,000 --> 00:00:02,000\r\nSay \"hi\" \\ </script>\r\n");
    std::string vtt, err;
    ASSERT_TRUE(ReadCaptions(dir.file("talk1.srt"), vtt, err)) << err;
    ASSERT_TRUE(WriteCaptions(vtt, dir.file("captions1.vtt"), dir.file("captions1.js"), "1", err)) << err;
    EXPECT_EQ(testing_support::readFile(dir.file("captions1.vtt")), vtt);
    const std::string js = testing_support::readFile(dir.file("captions1.js"));
    EXPECT_TRUE(holds(js,
                      "(window.pellucorCaptions = window.pellucorCaptions || {})[\"1\"] = \"WEBVTT\\r\\n\\r\\n1\\r\\n"
                      "00:00:01.000 --> 00:00:02.000\\r\\nSay \\\"hi\\\" \\\\ \\u003c/script>\\r\\n\";"));

    testing_support::writeFile(dir.file("bad.srt"), "1\n00:00:09,000 --> 00:00:02,000\nx\n");
    EXPECT_FALSE(ReadCaptions(dir.file("bad.srt"), vtt, err));
    EXPECT_EQ(err,
              "The captions file " + dir.file("bad.srt")
                  + " cannot be published: line 2: the cue ends before it starts: "
                    "\"00:00:09,000 --> 00:00:02,000\"");
    EXPECT_FALSE(ReadCaptions(dir.file("missing.vtt"), vtt, err));
    EXPECT_EQ(err.rfind("The captions file " + dir.file("missing.vtt") + " cannot be published: ", 0), 0u) << err;
    std::filesystem::create_directory(dir.file("dir.vtt"));
    EXPECT_FALSE(ReadCaptions(dir.file("dir.vtt"), vtt, err));

    // Nothing is left half written where the output cannot be written.
    EXPECT_FALSE(WriteCaptions(vtt, dir.file("captions2.vtt"), dir.file("no/such/captions2.js"), "2", err));
    EXPECT_FALSE(std::filesystem::exists(dir.file("captions2.vtt")));
}

}  // namespace pellucor
