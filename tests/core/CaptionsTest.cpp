// Captions files as lecturers' subtitle editors write them: SubRip turned
// into WebVTT that browsers accept, WebVTT checked and tidied (one table), the file
// found beside the recording, and a file that is not captions refused with
// the line at fault.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "core/CaptionReview.h"
#include "core/Captions.h"
#include "core/TavString.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

const std::string kCue = "1\n00:00:01,000 --> 00:00:02,000\n";
const std::string kVttCue = "WEBVTT\r\n\r\n1\r\n00:00:01.000 --> 00:00:02.000\r\n";
const std::string kCrLf = "1\r\n00:00:01,000 --> 00:00:04,500\r\nHello, <i>students</i>.\r\nSecond line\r\n\r\n"
                          "2\r\n00:01:02,003 --> 01:00:00,000\r\nBye\r\n";
const std::string kVtt = "WEBVTT\r\n\r\n1\r\n00:00:01.000 --> 00:00:04.500\r\nHello, <i>students</i>.\r\n"
                         "Second line\r\n\r\n2\r\n00:01:02.003 --> 01:00:00.000\r\nBye\r\n";

// UTF-16 with its byte-order mark ("Unicode" in Windows editors).
std::string utf16(const std::u16string& text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string {high, low} : std::string {low, high};
    }
    return bytes;
}

struct SrtCase {
    const char* name;
    std::string srt, vtt;  // vtt "" when refused; then error begins the message
    std::string error = "";
    bool webVtt = false;  // the file is WebVTT, checked and tidied
};

class CaptionsText : public ::testing::TestWithParam<SrtCase> { };

TEST_P(CaptionsText, BecomesWebVttOrIsRefusedWithItsLine)
{
    std::string vtt, err;
    const bool ok = (GetParam().webVtt ? TidyWebVtt : SrtToWebVtt)(GetParam().srt, vtt, err);
    EXPECT_EQ(ok, !GetParam().vtt.empty()) << err;
    EXPECT_EQ(ok ? vtt : "", GetParam().vtt);
    EXPECT_EQ(err.substr(0, GetParam().error.size()), GetParam().error);
}

const std::u16string kWide = u"1\n00:00:01,000 --> 00:00:02,000\nCaf\u00e9 \U0001F600\n";

INSTANTIATE_TEST_SUITE_P(
    Files, CaptionsText,
    ::testing::Values(
        SrtCase {"CrLf", kCrLf, kVtt}, SrtCase {"ByteOrderMark", "\xEF\xBB\xBF" + kCrLf, kVtt},
        SrtCase {"Lf", ReplaceAll(kCrLf, "\r\n", "\n"), kVtt}, SrtCase {"Cr", ReplaceAll(kCrLf, "\r\n", "\r"), kVtt},
        SrtCase {"BlankLinesAround", "\n  \n" + ReplaceAll(kCrLf, "\r\n", "\n") + "\n \n\n", kVtt},
        // No cue numbers, short fractions, coordinates after the times, and
        // a lost blank line between two cues.
        SrtCase {"AsFoundInTheWild",
                 "00:00:01,5 --> 00:00:02,25 X1:10 X2:20 Y1:5 Y2:9\nOne\n2\n00:00:03,000 --> 00:00:04,000\nTwo\n"
                 "00:00:05.000 --> 00:00:06.000\nThree\n",
                 "WEBVTT\r\n\r\n00:00:01.500 --> 00:00:02.250\r\nOne\r\n\r\n2\r\n00:00:03.000 --> 00:00:04.000\r\n"
                 "Two\r\n\r\n00:00:05.000 --> 00:00:06.000\r\nThree\r\n"},
        SrtCase {"ArrowInText", kCue + "a --> b\n", kVttCue + "a --&gt; b\r\n"},
        SrtCase {"Latin1", kCue + "Caf\xE9\n", kVttCue + "Caf\xC3\xA9\r\n"},
        SrtCase {"Utf8", kCue + "Caf\xC3\xA9 \xE2\x82\xAC\n", kVttCue + "Caf\xC3\xA9 \xE2\x82\xAC\r\n"},
        SrtCase {"Utf16LittleEndian", utf16(kWide, false), kVttCue + "Caf\xC3\xA9 \xF0\x9F\x98\x80\r\n"},
        SrtCase {"Utf16BigEndian", utf16(kWide, true), kVttCue + "Caf\xC3\xA9 \xF0\x9F\x98\x80\r\n"},
        SrtCase {"OneCharacterLastLine", kCue + "x", kVttCue + "x\r\n"},
        SrtCase {"CueWithoutText", kCue + "\n2\n00:00:03,000 --> 00:00:04,000\nx\n",
                 kVttCue + "\r\n2\r\n00:00:03.000 --> 00:00:04.000\r\nx\r\n"},
        SrtCase {"Empty", "", "",
                 "it holds no captions (no cue with a time line such as 00:00:01,000 --> 00:00:04,000)"},
        SrtCase {"Blank", "\n\n  \n", "", "it holds no captions"},
        SrtCase {"Prose", "1\n00:00:01,000 --> 00:00:04,000\nok\n\nJust some words\nmore words\n", "",
                 "line 5: expected a cue number or a time line such as 00:00:01,000 --> 00:00:04,000, found \"Just "
                 "some words\""},
        SrtCase {"ShortArrow", "1\n00:00:01 -> 00:00:04\nx\n", "", "line 1: expected a cue number"},
        SrtCase {"Second60", "1\n00:00:60,000 --> 00:01:04,000\nx\n", "",
                 "line 2: the times cannot be read (expected hh:mm:ss,mmm --> hh:mm:ss,mmm): \"00:00:60,000 --> "
                 "00:01:04,000\""},
        SrtCase {"FourDigitFraction", "1\n00:00:01,0000 --> 00:00:04,000\nx\n", "", "line 2: the times cannot be read"},
        SrtCase {"EndsBeforeItStarts", "1\n00:00:05,000 --> 00:00:04,000\nx\n", "",
                 "line 2: the cue ends before it starts: \"00:00:05,000 --> 00:00:04,000\""},
        SrtCase {"MediaFile", std::string("\x1a\x45\xdf\xa3\x00\x00\x01", 7) + "webm", "", "line 1:"},
        SrtCase {"WebVtt",
                 "\xEF\xBB\xBFWEBVTT - lecture\nKind: captions\n\nNOTE written by hand\nover two lines\n\nSTYLE\n"
                 "::cue { color: yellow }\n\nintro\n00:01.000 --> 00:02,500 align:start line:0\n<v Lecturer>Hello\n\n"
                 "00:00:03.000 --> 00:00:04.000\nBye\n",
                 "WEBVTT - lecture\r\nKind: captions\r\n\r\nNOTE written by hand\r\nover two lines\r\n\r\nSTYLE\r\n"
                 "::cue { color: yellow }\r\n\r\nintro\r\n00:00:01.000 --> 00:00:02.500 align:start line:0\r\n"
                 "<v Lecturer>Hello\r\n\r\n00:00:03.000 --> 00:00:04.000\r\nBye\r\n",
                 "", true},
        SrtCase {"SrtNamedVtt", kCue + "x\n", "", "line 1: a WebVTT file begins with WEBVTT, found \"1\"", true},
        SrtCase {"NotWebVtt", "WEBVTTX\n\n00:01.000 --> 00:02.000\nx\n", "", "line 1: a WebVTT file begins", true},
        SrtCase {"NoBlankAfterHeader", "WEBVTT\n00:01.000 --> 00:02.000\nx\n", "",
                 "line 2: a blank line must separate the WEBVTT line from the first cue", true},
        SrtCase {"OnlyANote", "WEBVTT\n\nNOTE only a note\n", "", "it holds no captions", true},
        SrtCase {"BadVttTime", "WEBVTT\n\n00:01.000 --> 00:0x.000\nx\n", "", "line 3: the times cannot be read", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Captions, FoundBesideTheRecordingInAnyCaseAndNeverASlideChangeTrack)
{
    TempDir dir;
    std::string err;
    const auto found
        = [&](const char* recording, int part) { return FindCaptionsFiles(dir.file(recording), part, err); };
    EXPECT_EQ(found("talk1.rm", 1), Strings {});
    EXPECT_EQ(err, "");
    writeFile(dir.file("Talk1.SRT"), "x");
    EXPECT_EQ(found("talk1.rm", 1), Strings {dir.file("Talk1.SRT")});
    writeFile(dir.file("talk1.vtt"), "x");  // a .vtt is tried first
    EXPECT_EQ(found("talk1.rm", 1), (Strings {dir.file("talk1.vtt"), dir.file("Talk1.SRT")}));
    EXPECT_EQ(found("rawmedia.mp4", 1), Strings {});
    writeFile(dir.file("rawmedia.vtt"), "x");
    EXPECT_EQ(found("rawmedia.mp4", 1), Strings {dir.file("rawmedia.vtt")});
    // A published lecture's own captions come last, for its part only.
    writeFile(dir.file("captions2.vtt"), "x");
    EXPECT_EQ(found("talk2.rm", 2), Strings {dir.file("captions2.vtt")});
    EXPECT_EQ(found("talk1.rm", 1), (Strings {dir.file("talk1.vtt"), dir.file("Talk1.SRT")}));
    // Two names differing in case are not guessed between.
    writeFile(dir.file("TALK1.vtt"), "y");
    EXPECT_EQ(found("talk1.rm", 1), Strings {});
    EXPECT_NE(err, "");
    // A slide-change track is no captions.
    const std::string head = "WEBVTT\r\n\r\n1\r\n00:00:00.000 --> 00:00:02.000\r\nsld001.htm\r\n\r\n2\r\n"
                             "00:00:02.000 --> 00:00:04.000\r\n";
    EXPECT_TRUE(IsSlideEventsTrack(head + "http://example.org/t/sld002.htm\r\n"));
    EXPECT_FALSE(IsSlideEventsTrack(head + "See the page index.htm\r\n"));
    EXPECT_FALSE(IsSlideEventsTrack("WEBVTT\r\n\r\n00:00:00.000 --> 00:00:02.000\r\nHello\r\n"));
    EXPECT_FALSE(IsSlideEventsTrack("WEBVTT\r\n"));
}

// Whose captions a file holds, as they are written and then edited by
// hand or in the caption editor; and each cue's word marks.
TEST(Captions, AutomaticOnesStayAutomaticThroughTheirReviewAndAHandEditMakesThemTheLecturers)
{
    TempDir dir;
    std::string err;
    const std::string path = dir.file("talk1.vtt"), note = std::string("WEBVTT\r\n\r\n") + kMachineCaptionsNote + ": x";
    const std::string cues = "\r\n\r\nNOTE Confidence: 90 41+\r\n\r\n1\r\n00:00:01.000 --> 00:00:02.000\r\nHello there"
                             "\r\n\r\nNOTE other\r\n\r\n00:00:02.000 --> 00:00:03.000\r\nBye\r\n";
    ASSERT_TRUE(WriteMachineCaptions(path, note + cues, err)) << err;
    for (const auto& [text, automatic, reviewed] :
         {std::tuple {note + cues, true, false},                         // as written
          std::tuple {note + cues + "\r\nhand-made\r\n", false, false},  // changed by hand
          std::tuple {note + "\r\nReviewed: no" + cues, true, false},    // in the caption editor
          std::tuple {note + "\r\nreviewed: Yes" + cues, true, true},
          std::tuple {"WEBVTT\r\n\r\nNOTE mine\r\nReviewed: yes" + cues, false, false}}) {
        const CaptionsKind kind = KindOfCaptions(path, text);
        EXPECT_EQ(kind.automatic, automatic) << text;
        EXPECT_EQ(kind.reviewed, reviewed) << text;
    }
    // The note before a cue is its own, past its identifier; a cue after
    // another note has none.
    const auto marks = CueConfidences(note + cues);
    ASSERT_EQ(marks.size(), 2u);
    ASSERT_EQ(marks[0].size(), 2u);
    EXPECT_TRUE(!marks[0][0].seen && marks[0][1].seen && IsDoubtful(marks[0][1]) && !IsDoubtful(marks[0][0]));
    EXPECT_TRUE(marks[1].empty());
    std::vector<WordMark> read;
    EXPECT_FALSE(ReadConfidenceNote("NOTE Confidence: 90 high", read));
}

TEST(Captions, ReadAndWrittenForTheTrackAndForPagesOnDisk)
{
    TempDir dir;
    writeFile(dir.file("talk1.srt"), "1\r\n00:00:01,000 --> 00:00:02,000\r\nSay \"hi\" \\ </script>\r\n");
    std::string vtt, err;
    ASSERT_TRUE(ReadCaptions(dir.file("talk1.srt"), vtt, err)) << err;
    ASSERT_TRUE(WriteCaptions(vtt, dir.file("captions1.vtt"), dir.file("captions1.js"), "1", err)) << err;
    EXPECT_EQ(readFile(dir.file("captions1.vtt")), vtt);
    EXPECT_TRUE(holds(readFile(dir.file("captions1.js")),
                      "(window.pellucorCaptions = window.pellucorCaptions || {})[\"1\"] = \"WEBVTT\\r\\n\\r\\n1\\r\\n"
                      "00:00:01.000 --> 00:00:02.000\\r\\nSay \\\"hi\\\" \\\\ \\u003c/script>\\r\\n\";"));

    writeFile(dir.file("bad.srt"), "1\n00:00:09,000 --> 00:00:02,000\nx\n");
    EXPECT_FALSE(ReadCaptions(dir.file("bad.srt"), vtt, err));
    EXPECT_EQ(err,
              "The captions file " + dir.file("bad.srt")
                  + " cannot be published: line 2: the cue ends before it starts: \"00:00:09,000 --> 00:00:02,000\"");
    EXPECT_FALSE(ReadCaptions(dir.file("missing.vtt"), vtt, err));
    EXPECT_EQ(err.rfind("The captions file " + dir.file("missing.vtt") + " cannot be published: ", 0), 0u) << err;
    std::filesystem::create_directory(dir.file("dir.vtt"));
    EXPECT_FALSE(ReadCaptions(dir.file("dir.vtt"), vtt, err));
    // Nothing is left half written where the output cannot be written.
    EXPECT_FALSE(WriteCaptions(vtt, dir.file("captions2.vtt"), dir.file("no/such/captions2.js"), "2", err));
    EXPECT_FALSE(std::filesystem::exists(dir.file("captions2.vtt")));
}

}  // namespace
