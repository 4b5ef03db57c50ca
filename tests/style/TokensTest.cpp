#include <random>
#include <set>
#include <tuple>

#include "StyleFixture.h"
#include "style/StyleTokens.h"

namespace {
using namespace pellucor;
using namespace pellucor::style_test;

class Tokens : public StyleFixture { };

TEST_F(Tokens, SlideTokensStayInRangeAreCaseSensitiveAndSkipCommentLines)
{
    audioSlides(3);
    expectTokens({{"N-N N#N N+N", 1, "001 001 002"},
                  {"n-n n#n n+n", 1, "1 1 2"},
                  {"N-N N#N N+N", 3, "002 003 003"},
                  {"S-S S#S S+S", 3, "sld002.htm sld003.htm sld003.htm"},
                  {"S-S|X-X|X#X|X+X", 1, "sld001.htm|00:00:00|00:00:00|00:00:10"},
                  {"#N-N n-n", 2, "#N-N n-n"},
                  {"N-n s#s", 2, "N-n s#s"},
                  // Image map links lose their file prefix, other links keep it.
                  {"<AREA SHAPE=rect HREF=\"file://sld002.htm\">", 1, "<AREA SHAPE=rect HREF=\"sld002.htm\">"},
                  {"<A HREF=\"file://sld002.htm\">", 1, "<A HREF=\"file://sld002.htm\">"},
                  {"<area HREF=\"file://x\">", 1, "<area HREF=\"file://x\">"}});
    audioSlides(12);
    EXPECT_EQ(tokens("n#n N#N I#I T#T", 12), "12 012 img012.gif Title 12");
}

// Applies the tokens one after another in table order, each to the line as
// the earlier ones left it: the rule the engine must match.
std::string referenceSubstitution(std::string line, const std::vector<std::string>& values)
{
    if (!line.empty() && line[0] == '#')
        return line;
    for (size_t k = 0; k < values.size(); ++k)
        line = ReplaceAll(line, std::string(kStyleTokens[k].text), values[k]);
    return line.find("<AREA") == std::string::npos ? line : ReplaceAll(line, "HREF=\"file://", "HREF=\"");
}

size_t tokenIndex(std::string_view text)
{
    for (size_t k = 0; k < kStyleTokens.size(); ++k)
        if (kStyleTokens[k].text == text)
            return k;
    ADD_FAILURE() << "no token " << text;
    return 0;
}

TEST_F(Tokens, AgreeWithTokenByTokenSubstitutionOnRandomLines)
{
    audioSlides(3);
    browserCopy(1) = "talk1.mp4";
    std::vector<std::string> pieces, values;
    std::set<std::string_view> texts;
    for (const StyleToken& token : kStyleTokens) {
        EXPECT_FALSE(token.meaning.empty()) << token.text;  // each has a text of its own and a meaning
        EXPECT_TRUE(token.text.size() == 3 && texts.insert(token.text).second) << token.text;
        pieces.emplace_back(token.text);
        values.push_back(tokens(std::string(token.text), 2));
    }
    for (const char* piece :
         {"L*", "*W", "#", "*", "-", "+", "S", "N", "T", "W", "P", "x", " ", "<AREA ", "HREF=\"file://", "\""})
        pieces.emplace_back(piece);
    // Values that hold tokens (earlier, later and their own) or halves of
    // them: a later token in a value is replaced, an earlier one or the
    // value's own is not, and overlapping tokens go in table order.
    title(2) = values[tokenIndex("T#T")] = values[tokenIndex("T*T")] = values[tokenIndex("A*T")] = "T S* N*N n#n T#T L";
    source.S.LecName = values[tokenIndex("N*N")] = values[tokenIndex("H*N")] = "N-N W N*N";
    for (const auto& [token, dir, text] : {std::tuple {"S*P", &source.S.LecDir, "S*S#"},
                                           {"S*M", &source.S.MediaDir, "-"},
                                           {"S*C", &source.S.CopyDir, ""},
                                           {"S*S", &source.S.StyleDir, "*P"}})
        *dir = values[tokenIndex(token)] = text;
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::string line;
        for (int i = 0, n = 1 + static_cast<int>(rng() % 8); i < n; ++i)
            line += pieces[rng() % pieces.size()];
        ASSERT_EQ(tokens(line, 2), referenceSubstitution(line, values)) << "line: " << line;
    }
}

TEST_F(Tokens, HtmlTitleLectureNameAndBrowserCopyAreSafeInTextAndAttributes)
{
    audioSlides(2);
    title(1) = R"(Why "timing" <matters> & R&D &amp; &#39;x&#x2014; &bogus)";
    // Character references are kept; the plain title stays exactly as loaded.
    EXPECT_EQ(tokens(R"(<img alt="T*T">)", 1),
              R"(<img alt="Why &quot;timing&quot; &lt;matters&gt; &amp; R&amp;D &amp; &#39;x&#x2014; &amp;bogus">)");
    EXPECT_EQ(tokens("T#T", 1), title(1));
    title(2) = "a N*N b";
    EXPECT_EQ(tokens("T*T|N*N", 2), "a N*N b|talk");
    source.S.LecName = R"(x-<img src=x onerror=alert(1)> "q")";
    EXPECT_EQ(
        tokens(R"(<h1 data-lecture="H*N">H*N</h1>)", 1),
        R"(<h1 data-lecture="x-&lt;img src=x onerror=alert(1)&gt; &quot;q&quot;">x-&lt;img src=x onerror=alert(1)&gt; &quot;q&quot;</h1>)");
    EXPECT_EQ(tokens("N*N", 1), source.S.LecName);
    // The browser copy is the slide's part's copy as an address safe in HTML.
    slides({{-1, 1}, {-1, 2}, {3, -1}});
    browserCopy(1) = "talk1.mp4";
    browserCopy(2) = R"(my "talk" #2 & 100%.webm)";
    browserCopy(3) = "N*N <x>3.m4a";  // an audio part's copy; a name holding a token is not expanded
    expectTokens({{R"(<video src="B*C">)", 1, R"(<video src="talk1.mp4">)"},
                  {R"(<video src="B*C">)", 2, R"(<video src="my%20%22talk%22%20%232%20%26%20100%25.webm">)"},
                  {"B*C", 3, "N%2AN%20%3Cx%3E3.m4a"}});
    // Before media preparation made a copy the value is empty.
    browserCopy(1).clear();
    EXPECT_EQ(tokens("[B*C]", 1), "[]");
}

TEST_F(Tokens, AddressesDriveLettersSettingsPartsAndMediaFiles)
{
    audioSlides(1);
    expectTokens({{"U#U M#M", 1, "file: file:"}});
    expectTokens({{"U#U|M#M", 1, "http://example.org/talk/|http://example.org/talk/"}}, false);
    source.S.Stream = true;
    expectTokens({{"U#U|M#M", 1, "http://example.org/talk/|rtsp://example.org/talk/"}}, false);
    EXPECT_EQ(tokens("M#M", 1, true), "file:");
    source.S.CDDir = "E:\\cd\\";
    source.S.WebDir = "\\\\server\\web\\";
    EXPECT_EQ(tokens("L*C L*W", 1), "E: C:");
    source.S.CDDir = "/media/cd/";
    source.S.MediaDir = "/m/";
    source.S.CopyDir = "/c/";
    source.S.WebDir = "/w/";
    EXPECT_EQ(tokens("L*C|S*P|S*M|S*C|S*S|D*C|D*W", 1),
              "C:|" + source.S.LecDir + "|/m/|/c/|" + source.S.StyleDir + "|/media/cd/|/w/");
    EXPECT_EQ(tokens("H#V W#V W#F W#C", 1), "120 160 190 160");
    layout.VideoHeight = 240;
    layout.VideoWidth = 320;
    layout.FrameWidth = 350;
    layout.PlayerWidth = 320;
    EXPECT_EQ(tokens("H#V W#V W#F W#C", 1), "240 320 350 320");
    // Parts, media files and part end times.
    slides({{1, -1}, {2, -1}, {-1, 3}, {-1, -1}});
    mediaFile(1, false) = "/m/talk1.ra";
    mediaFile(2, false) = "/m/talk2.ra";
    mediaFile(3, true) = "/m/talk3.rm";
    // The audio rule compares with the last slide's audio part (-1): no cap.
    // With neither audio nor video the rules work on -1, and there is no file.
    expectTokens({{"P-P P#P P+P F*M", 1, "1 1 2 /m/talk1.ra"},
                  {"P-P P#P P+P F*M", 2, "1 2 3 /m/talk2.ra"},
                  {"P-P P#P P+P F*M", 3, "2 3 4 /m/talk3.rm"},
                  {"P-P P#P P+P [F*M]", 4, "-2 -1 -1 []"}});
    // A part ends with the last slide sharing its media.
    slides({{1, -1}, {1, -1}, {2, -1}, {2, -1}, {2, -1}});
    expectTokens({{"X*X", 1, "00:00:20"}, {"X*X", 2, "00:00:20"}, {"X*X", 3, "00:00:50"}, {"X*X", 5, "00:00:50"}});
    // The same times as the pages show them, and the whole lecture's
    // length: a part lasts at least a second past its last slide's start.
    expectTokens({{"x#x|x*x|L*L", 2, "0:10|0:20|1:10"}, {"x#x|x*x|L*L", 5, "0:40|0:50|1:10"}});
    endTime(2).clear();
    endTime(5) = "01:02:03";
    expectTokens({{"x*x", 1, "0:11"}, {"x*x|L*L", 4, "1:02:03|1:02:14"}});
}

}  // namespace
