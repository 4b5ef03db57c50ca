#include <random>
#include <set>
#include <tuple>

#include "StyleFixture.h"
#include "style/StyleTokens.h"

namespace pellucor {

using namespace style_test;

namespace {

class Tokens : public StyleFixture { };

TEST_F(Tokens, SlideNumbersStayInRangeAtBothEnds)
{
    audioSlides(3);
    EXPECT_EQ(tokens("N-N N#N N+N", 1), "001 001 002");
    EXPECT_EQ(tokens("n-n n#n n+n", 1), "1 1 2");
    EXPECT_EQ(tokens("N-N N#N N+N", 3), "002 003 003");
    EXPECT_EQ(tokens("S-S S#S S+S", 3), "sld002.htm sld003.htm sld003.htm");
    EXPECT_EQ(tokens("S-S|X-X|X#X|X+X", 1), "sld001.htm|00:00:00|00:00:00|00:00:10");
    audioSlides(12);
    EXPECT_EQ(tokens("n#n N#N I#I T#T", 12), "12 012 img012.gif Title 12");
}

TEST_F(Tokens, AreCaseSensitiveAndSkipCommentLines)
{
    audioSlides(3);
    EXPECT_EQ(tokens("N-N n-n", 2), "001 1");
    EXPECT_EQ(tokens("#N-N n-n", 2), "#N-N n-n");
    EXPECT_EQ(tokens("N-n s#s", 2), "N-n s#s");
}

TEST_F(Tokens, FixedOrderReplacesLaterTokensInsideValuesOnly)
{
    audioSlides(2);
    source.SI.EditSlide(1).Title = "About N*N, slide N#N";  // N*N comes after T#T, N#N before it
    EXPECT_EQ(tokens("T#T", 1), "About talk, slide N#N");
    // A value holding its own token is inserted once, not expanded forever.
    source.S.LecName = "the N*N lecture";
    EXPECT_EQ(tokens("N*N and N*N", 1), "the N*N lecture and the N*N lecture");
}

TEST_F(Tokens, ValuesFormingTokensWithTheirNeighboursFollowTheOrder)
{
    audioSlides(2);
    source.SI.EditSlide(1).Title = "ab L";
    // T#T gives "ab L*W#V": L*W comes before W#V and takes its W.
    EXPECT_EQ(tokens("T#T*W#V", 1), "ab C:#V");
    // Overlapping tokens: S#S comes first and breaks S*S.
    EXPECT_EQ(tokens("S*S#S", 1), "S*sld001.htm");
    EXPECT_EQ(tokens("S#S*S", 1), "sld001.htm*S");
}

// Applies the tokens one after another in table order, each to the line as
// the earlier ones left it: the rule the engine must match.
std::string referenceSubstitution(std::string line, const std::vector<std::string>& values)
{
    if (!line.empty() && line[0] == '#')
        return line;
    for (size_t k = 0; k < values.size(); ++k)
        line = ReplaceAll(line, std::string(kStyleTokens[k].text), values[k]);
    if (line.find("<AREA") != std::string::npos)
        line = ReplaceAll(line, "HREF=\"file://", "HREF=\"");
    return line;
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
    source.SI.EditPart(1).BrowserCopy = "talk1.mp4";
    std::vector<std::string> pieces, values;
    for (const StyleToken& token : kStyleTokens) {
        pieces.emplace_back(token.text);
        values.push_back(tokens(std::string(token.text), 2));
    }
    for (const char* piece :
         {"L*", "*W", "#", "*", "-", "+", "S", "N", "T", "W", "P", "x", " ", "<AREA ", "HREF=\"file://", "\""})
        pieces.emplace_back(piece);
    // Values that hold tokens or halves of them.
    source.SI.EditSlide(2).Title = values[tokenIndex("T#T")] = values[tokenIndex("T*T")] = "T S*";
    source.S.LecName = values[tokenIndex("N*N")] = values[tokenIndex("H*N")] = "N-N W";
    for (const auto& [token, dir, text] : {std::tuple {"S*P", &source.S.LecDir, "S*S#"},
                                           {"S*M", &source.S.MediaDir, "-"},
                                           {"S*C", &source.S.CopyDir, ""},
                                           {"S*S", &source.S.StyleDir, "*P"}})
        *dir = values[tokenIndex(token)] = text;
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::string line;
        const int n = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < n; ++i)
            line += pieces[rng() % pieces.size()];
        ASSERT_EQ(tokens(line, 2), referenceSubstitution(line, values)) << "line: " << line;
    }
}

TEST_F(Tokens, EachHasItsOwnTextAndAMeaning)
{
    std::set<std::string_view> texts;
    for (const StyleToken& token : kStyleTokens) {
        EXPECT_EQ(token.text.size(), 3u);
        EXPECT_FALSE(token.meaning.empty()) << token.text;
        EXPECT_TRUE(texts.insert(token.text).second) << token.text;
    }
}

TEST_F(Tokens, HtmlTitleIsSafeInTextAndAttributesAndKeepsCharacterReferences)
{
    audioSlides(2);
    source.SI.EditSlide(1).Title = R"(Why "timing" <matters> & R&D &amp; &#39;x&#x2014; &bogus)";
    EXPECT_EQ(tokens(R"(<img alt="T*T">)", 1),
              R"(<img alt="Why &quot;timing&quot; &lt;matters&gt; &amp; R&amp;D &amp; &#39;x&#x2014; &amp;bogus">)");
    // The plain title stays exactly as loaded.
    EXPECT_EQ(tokens("T#T", 1), source.SI.SlideAt(1).Title);
    source.SI.EditSlide(2).Title = "a N*N b";
    EXPECT_EQ(tokens("T*T|N*N", 2), "a N*N b|talk");
}

TEST_F(Tokens, HtmlLectureNameIsSafeInTextAndAttributes)
{
    audioSlides(1);
    source.S.LecName = R"(x-<img src=x onerror=alert(1)> "q")";
    EXPECT_EQ(
        tokens(R"(<h1 data-lecture="H*N">H*N</h1>)", 1),
        R"(<h1 data-lecture="x-&lt;img src=x onerror=alert(1)&gt; &quot;q&quot;">x-&lt;img src=x onerror=alert(1)&gt; &quot;q&quot;</h1>)");
    // The plain name stays exactly as set.
    EXPECT_EQ(tokens("N*N", 1), source.S.LecName);
}

TEST_F(Tokens, BrowserCopyIsTheSlidesPartsCopyAsAnAddressSafeInHtml)
{
    slides({{-1, 1}, {-1, 2}, {3, -1}});
    source.SI.EditPart(1).BrowserCopy = "talk1.mp4";
    source.SI.EditPart(2).BrowserCopy = R"(my "talk" #2 & 100%.webm)";
    source.SI.EditPart(3).BrowserCopy = "N*N <x>3.m4a";
    EXPECT_EQ(tokens(R"(<video src="B*C">)", 1), R"(<video src="talk1.mp4">)");
    EXPECT_EQ(tokens(R"(<video src="B*C">)", 2), R"(<video src="my%20%22talk%22%20%232%20%26%20100%25.webm">)");
    // An audio part's copy; a name holding a token is not expanded.
    EXPECT_EQ(tokens("B*C", 3), "N%2AN%20%3Cx%3E3.m4a");
    // Before media preparation made a copy the value is empty.
    source.SI.EditPart(1).BrowserCopy.clear();
    EXPECT_EQ(tokens("[B*C]", 1), "[]");
}

TEST_F(Tokens, ReplaceAllGoesLeftToRightWithoutRescanning)
{
    std::string s = "aXa XaX";
    StyleEngine::ReplaceInPlace(s, "X", "XX");
    EXPECT_EQ(s, "aXXa XXaXX");
    s = "aaaa";
    StyleEngine::ReplaceInPlace(s, "aa", "a");
    EXPECT_EQ(s, "aa");
    s = "abc";
    StyleEngine::ReplaceInPlace(s, "", "x");
    EXPECT_EQ(s, "abc");
}

TEST_F(Tokens, AddressesDependOnTargetAndStreaming)
{
    audioSlides(1);
    EXPECT_EQ(tokens("U#U M#M", 1, true), "file: file:");
    EXPECT_EQ(tokens("U#U|M#M", 1, false), "http://example.org/talk/|http://example.org/talk/");
    source.S.Stream = true;
    EXPECT_EQ(tokens("U#U|M#M", 1, false), "http://example.org/talk/|rtsp://example.org/talk/");
    EXPECT_EQ(tokens("M#M", 1, true), "file:");
}

TEST_F(Tokens, DriveLettersAndSettings)
{
    audioSlides(1);
    source.S.CDDir = "E:\\cd\\";
    source.S.WebDir = "\\\\server\\web\\";
    EXPECT_EQ(tokens("L*C L*W", 1), "E: C:");
    source.S.CDDir = "/media/cd/";
    EXPECT_EQ(tokens("L*C", 1), "C:");
    source.S.MediaDir = "/m/";
    source.S.CopyDir = "/c/";
    source.S.WebDir = "/w/";
    EXPECT_EQ(tokens("S*P|S*M|S*C|S*S|D*C|D*W", 1),
              source.S.LecDir + "|/m/|/c/|" + source.S.StyleDir + "|/media/cd/|/w/");
    EXPECT_EQ(tokens("H#V W#V W#F W#C", 1), "120 160 190 160");
    layout.VideoHeight = 240;
    layout.VideoWidth = 320;
    layout.FrameWidth = 350;
    layout.PlayerWidth = 320;
    EXPECT_EQ(tokens("H#V W#V W#F W#C", 1), "240 320 350 320");
}

TEST_F(Tokens, PartsAndMediaFiles)
{
    slides({{1, -1}, {2, -1}, {-1, 3}, {-1, -1}});
    source.SI.EditPart(1).AudioFile = "/m/talk1.ra";
    source.SI.EditPart(2).AudioFile = "/m/talk2.ra";
    source.SI.EditPart(3).VideoFile = "/m/talk3.rm";
    EXPECT_EQ(tokens("P-P P#P P+P F*M", 1), "1 1 2 /m/talk1.ra");
    // The audio rule compares with the last slide's audio part (-1): no cap.
    EXPECT_EQ(tokens("P-P P#P P+P F*M", 2), "1 2 3 /m/talk2.ra");
    EXPECT_EQ(tokens("P-P P#P P+P F*M", 3), "2 3 4 /m/talk3.rm");
    // Neither audio nor video: the rules work on -1, and there is no file.
    EXPECT_EQ(tokens("P-P P#P P+P [F*M]", 4), "-2 -1 -1 []");
}

TEST_F(Tokens, PartEndTimeIsTheEndOfTheLastSlideSharingTheMedia)
{
    slides({{1, -1}, {1, -1}, {2, -1}, {2, -1}, {2, -1}});
    EXPECT_EQ(tokens("X*X", 1), "00:00:20");
    EXPECT_EQ(tokens("X*X", 2), "00:00:20");
    EXPECT_EQ(tokens("X*X", 3), "00:00:50");
    EXPECT_EQ(tokens("X*X", 5), "00:00:50");
}

TEST_F(Tokens, ImageMapLinksLoseTheFilePrefix)
{
    audioSlides(1);
    EXPECT_EQ(tokens("<AREA SHAPE=rect HREF=\"file://sld002.htm\">", 1), "<AREA SHAPE=rect HREF=\"sld002.htm\">");
    EXPECT_EQ(tokens("<A HREF=\"file://sld002.htm\">", 1), "<A HREF=\"file://sld002.htm\">");
    EXPECT_EQ(tokens("<area HREF=\"file://x\">", 1), "<area HREF=\"file://x\">");
}

}  // namespace

}  // namespace pellucor
