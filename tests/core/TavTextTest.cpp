// The text, path and time helpers every module leans on, and the message
// answers of unattended mode.
#include <gtest/gtest.h>

#include <sstream>

#include "ResultRows.h"
#include "TestSupport.h"
#include "core/EventsFile.h"
#include "core/PathVars.h"
#include "core/TavUtils.h"
#include "core/TitlesFile.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

std::string split(std::string_view text, std::string_view sep = " ")
{
    std::string out;
    for (const std::string& f : Tav_Split(text, sep))
        out += f + "|";
    return out;  // index 0, never a field, comes first
}

std::string readLines(const std::string& text)
{
    std::istringstream in(text);
    std::string line, out;
    while (Tav_ReadLine(in, line))
        out += line + "|";
    return out + line;  // the line given with the end of the input is empty
}

std::string splitPath(const std::string& path)
{
    const auto p = Tav_SplitPath(path);
    return p.leading + "|" + p.last;
}

TEST(TavText, Results)
{
    // Only the first character of a separator counts.
    expectRows({Is(split("a  b"), "|a|b|"), Is(split("1::2", ":"), "|1||2|"), Is(split("  x y  ", ""), "|x|y|"),
                Is(split("   "), "|"), Is(split(""), "|"), Is(split("a:b;c", ":;"), "|a|b;c|"),
                Is(readLines("\r\n\r\n  third\tline  x\r\nlast"), "third\tline  x|last|"),
                Is(readLines("a\rb\n\n\nc"), "a|b|c|")});
    expectRows({Is(Trim(" \t a b \t "), "a b"), Is(EndsWith("talk1.rm", ".rm"), "true"),
                Is(EndsWith("rm", "rm"), "true"), Is(EndsWith("m", "rm"), "false"),
                Is(ReplaceAll("aXbX", "X", "XX"), "aXXbXX"), Is(ReplaceAll("abc", "", "z"), "abc"),
                Is(ReplaceAll("URL\\a URL\\b", "URL\\", "&&slide&&"), "&&slide&&a &&slide&&b"),
                Is(Val("  12abc"), "12"), Is(Val("abc"), "0"), Is(Val("-3.5"), "-3.5"), Is(RoundHalfEven(2.5), "2"),
                Is(RoundHalfEven(3.5), "4"), Is(RoundHalfEven(1.48), "1"), Is(Fmt000(7), "007"),
                Is(Fmt000(1000), "1000"), Is(Fmt00(5), "05")});
    expectRows({Is(Tav_DirSlash("/a//b"), "/a/b/"), Is(Tav_DirSlash("  /a/b/  "), "/a/b/"), Is(Tav_DirSlash("   "), ""),
                Is(Tav_DirSlash(""), ""), Is(Tav_FixSlashes("//x///y"), "/x/y"), Is(Join("/a", "b"), "/a/b"),
                Is(Join("/a/", "b"), "/a/b"), Is(Join("/a//", "/b"), "/a/b"), Is(Join("/", "b"), "/b"),
                Is(Tav_StripExt("a.b.c"), "a.b"), Is(Tav_StripExt(" noext "), "noext"),
                Is(Tav_StripExt(".hidden"), ".hidden"), Is(splitPath("/lec/L01/"), "/lec/|L01"),
                Is(splitPath("lectures/x-talk1"), "lectures/|x-talk1"), Is(splitPath("talk"), "|talk"),
                Is(TavPrefString("${lecdir}/copy/", "/lec/l01/"), "/lec/l01//copy/"),
                Is(TavPrefString("${lecname}-${lecname}", "/lec/L01/"), "L01-L01"),
                Is(TavPrefString("${lecparent}x", "/lec/l01/"), "/lec/x"),
                Is(TavPrefString("${lecparent}x", "/lec/l01/", false), "${lecparent}x")});
    // Ticks are 1/60 s; seconds round halves to even, and too many saturate.
    expectRows({Is(Tav_TimeToTicks("1:02:03"), "223380"), Is(Tav_TimeToTicks("90"), "5400"),
                Is(Tav_TimeToTicks("01:10"), "4200"), Is(Tav_TimeToTicks("1:2:3:4"), "0"), Is(Tav_TimeToTicks(""), "0"),
                Is(Tav_TimeToTicks("xx:yy"), "0"), Is(Tav_TimeToTicks("00:00:02.5"), "120"),
                Is(Tav_TimeToTicks("10000:00:00"), "2147483647"), Is(Tav_TimeToTicks("99999999:00:00"), "2147483647"),
                Is(Tav_TicksToTime(223380), "01:02:03"), Is(Tav_TicksToTime(3540), "00:00:59"),
                Is(Tav_TicksToTime(89), "00:00:01"), Is(Tav_TicksToTime(91), "00:00:02"),
                Is(Tav_TicksToTime(90), "00:00:02"), Is(Tav_TicksToTime(150), "00:00:02"),
                Is(Tav_TicksToTime(int64_t(100) * 3600 * 60), "100:00:00")});
    // Sizes are decimal; wildcards match as a directory listing does.
    expectRows({Is(Tav_SizeText(5000), "5000 Bytes"), Is(Tav_SizeText(5001), "4 KB"),
                Is(Tav_SizeText(5000000), "4882 KB"), Is(Tav_SizeText(5000001), "4 MB"),
                Is(WildcardMatch("img001.gif", "img???.gif"), "true"),
                Is(WildcardMatch("img0001.gif", "img???.gif"), "false"), Is(WildcardMatch("TALK.RM", "*.rm"), "true"),
                Is(WildcardMatch("noext", "*.*"), "true"), Is(WildcardMatch("talk.rmx", "*.rm"), "false"),
                Is(WildcardMatch("talk12.txt", "talk*.txt"), "true")});
}

// A slide's events line and a publication's, and a title's lines, written
// and read back.
TEST(LectureFiles, LinesWrittenAndRead)
{
    const auto read = [](const std::string& line, bool published = false) {
        EventLine e;
        const bool ok = published ? ParsePublishedEventLine(line, e) : ParseEventLine(line, e);
        return ok ? e.start + "|" + e.end + "|" + e.page : std::string("-");
    };
    expectRows({Is(EventLineText({"00:00:04", "00:00:06", "sld003.htm"}), "u 00:00:04 00:00:06 URL\\sld003.htm"),
                Is(PublishedEventLineText({"00:00:04", "00:00:06", "http://h/sld003.htm"}),
                   "u 00:00:04 00:00:06 &&slide&&http://h/sld003.htm"),
                Is(read("u 00:00:04 00:00:06 URL\\sld003.htm"), "00:00:04|00:00:06|sld003.htm"),
                Is(read("x 1 2 junk URL\\my page.htm "), "1|2|my page.htm"), Is(read("u 00:00:04 00:00:06 URL\\"), "-"),
                Is(read("u 00:00:04 00:00:06"), "-"), Is(read("u 1 2 &&slide&&sld001.htm", true), "1|2|sld001.htm"),
                Is(read("u 1 2 URL\\sld001.htm", true), "-"), Is(read("u &&slide&&x", true), "-")});
    // A title as titles.txt and the slides' list page hold it.
    expectRows({Is(TitlesFileLine(3, "Why \"timing\""), "\"img003.gif\" \"Why &qt;timing&qt;\""),
                Is(SlideIndexLine(3, "a < b & \"c\""), "<P ALIGN=LEFT><A HREF=\"sld003.htm\">a &lt; b &amp; \"c\"</A></P>"),
                Is(SlideIndexTitleText("R&amp;D &lt;x&gt; &amp;lt;"), "R&D <x> &lt;")});
}

TEST(Messages, UnattendedModeSilencesAndAnswersAffirmatively)
{
    RecordingMessageSink sink;
    sink.answers = {TavCancel, TavNo};
    Tav_SetUnattended(true);
    Tav_Message("hidden");
    EXPECT_EQ(Tav_AskOkCancel("q1"), TavOK);
    EXPECT_EQ(Tav_AskYesNoCancel("q2"), TavYes);
    PlainMessage("plain is shown even now");
    Tav_SetUnattended(false);
    EXPECT_TRUE(sink.questions.empty());
    EXPECT_EQ(sink.messages, (Strings {"plain is shown even now"}));
    EXPECT_EQ(Tav_AskOkCancel("q3"), TavCancel);
    EXPECT_EQ(Tav_AskYesNoCancel("q4"), TavNo);
}

// What the windows show with a warning sign rather than as information.
TEST(Messages, FailuresAreToldFromInformation)
{
    for (const char* failure :
         {"Unable to Start Encoder", "Error Directory does not exist - /x", "Slide sync failed: no slide",
          "No microphone was found: connect one, then press Setup", "Cannot connect to h: refused",
          "The timing editor is not available", "Upload Failure - Upload not Complete: x"})
        EXPECT_TRUE(IsFailureMessage(failure)) << failure;
    for (const char* information : {"Slide processing complete - 3 slides", "Encoding Complete", "Publish Done",
                                    "This option uploads the 'raw' lecture images"})
        EXPECT_FALSE(IsFailureMessage(information)) << information;
}

}  // namespace
