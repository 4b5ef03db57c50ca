#include "StyleFixture.h"

namespace {
using namespace pellucor;
using namespace pellucor::style_test;

class Directives : public StyleFixture {
protected:
    // Whether "!IFDEF word" holds for the slide.
    bool cond(const std::string& word, int slide, bool toDisk = true)
    {
        return run("!IFDEF " + word + "\nyes\n!ELSE\nno\n!ENDIF\n", slide, toDisk) == Lines {"yes"};
    }
    // Words and where they hold: "+" or "-" for slide 1, 2 ... (or, with
    // targets, on disk and on the web for slide 1).
    void expectConds(const std::vector<std::pair<std::string, std::string>>& rows, bool targets = false)
    {
        for (const auto& [word, where] : rows)
            for (size_t i = 0; i < where.size(); ++i)
                EXPECT_EQ(cond(word, targets ? 1 : static_cast<int>(i) + 1, !targets || i == 0), where[i] == '+')
                    << word << " at " << i;
    }
};

TEST_F(Directives, CommentAndBangLinesAreNeverWrittenAndConditionTableRowOrder)
{
    audioSlides(2);
    // The line that turns output off is not written either.
    EXPECT_EQ(run("a N#N\n#N#N hidden\n!anything\nb !IFDEF FIRSTSLIDE\nc\n!ENDIF\n", 2), Lines {"a 002"});
    // A directive inside a line is carried out and the line written too.
    EXPECT_EQ(run("x !IFDEF FIRSTSLIDE\ny\n!ENDIF\n", 1), (Lines {"x !IFDEF FIRSTSLIDE", "y"}));
    EXPECT_EQ(run("a\r\nb\rc\n\nd"), (Lines {"a", "b", "c", "", "d"}));
    // slide 1: audio only; 2: video only; 3: both; 4: neither. AUDIOONLY is
    // not decided by the AUDIO row.
    slides({{1, -1}, {-1, 2}, {3, 3}, {-1, -1}});
    expectConds({{"AUDIOONLY", "+---"},
                 {"AUDIO", "+-+-"},
                 {"AUDIOANDVIDEO", "--+-"},
                 {"VIDEOONLY", "-+--"},
                 {"VIDEO", "-++-"},
                 {"FIRSTSLIDE", "+---"},
                 {"LASTSLIDE", "---+"},
                 {"NOSUCHWORD", "----"}});
    slides({{1, -1}, {1, -1}, {-1, 2}, {-1, 2}});
    expectConds({{"FIRSTINPART", "+-+-"}, {"LASTINPART", "-+-+"}});
}

TEST_F(Directives, TargetConditionsFallThroughByDiskFlag)
{
    audioSlides(1);
    source.S.OptCD = source.S.OptWeb = true;
    source.S.Stream = false;
    // PSEUDOSTREAM is NOT the streaming option but decided by the STREAM
    // row; on disk there is no row for STREAM.
    expectConds({{"CDROM", "+-"}, {"WEB", "-+"}, {"PSEUDOSTREAM", "+-"}, {"STREAM", "--"}}, true);
    source.S.Stream = true;
    expectConds({{"PSEUDOSTREAM", "-+"}, {"STREAM", "-+"}}, true);
    // On disk a line naming both CDROM and STREAM is decided by CDROM.
    source.S.OptCD = false;
    expectConds({{"CDROM STREAM", "-"}}, true);
}

TEST_F(Directives, CaptionsAndSharpCopiesFollowTheSlide)
{
    // Part 1 audio with captions, part 2 video without, part 3 video with;
    // words of the older rows still decide a line that names both.
    slides({{1, -1}, {-1, 2}, {-1, 3}, {-1, -1}});
    captions(1);
    captions(3);
    expectConds({{"CAPTIONS", "+-+-"}, {"VIDEO CAPTIONS", "-++-"}, {"AUDIO CAPTIONS", "+---"}});
    EXPECT_EQ(run("!IFDEF CAPTIONS\n<track src=\"captionsP#P.vtt\">\n!ELSE\nnone\n!ENDIF\n", 3),
              (Lines {"<track src=\"captions3.vtt\">"}));
    // Sharp copies are those the lecture has, in any letter case.
    putLecture("img002.webp", "sharp");
    putLecture("IMG003.WEBP", "sharp");
    putLecture("img001.png", "not a sharp copy");
    expectConds({{"HIRES", "-++-"}});
}

TEST_F(Directives, NestedConditionsUnderflowAndTheirBound)
{
    audioSlides(2);
    EXPECT_EQ(
        run("!IFDEF LASTSLIDE\n!IFDEF AUDIO\na\n!ELSE\nb\n!ENDIF\n!ELSE\n!IFDEF AUDIO\nc\n!ENDIF\n!ENDIF\nd\n", 1),
        (Lines {"c", "d"}));
    // An inner ELSE never turns output on inside a false block.
    EXPECT_EQ(run("!IFDEF LASTSLIDE\n!IFDEF NOPE\na\n!ELSE\nb\n!ENDIF\n!ENDIF\n", 1), Lines {});
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(run("!IFDEF NOPE\na\n!ENDIF\n!ENDIF\nb\n", 1), Lines {"b"});
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "Error, Stack Underflow !ENDIF");
    // ENDIF on an empty stack turns output back on; ELSE leaves it alone.
    EXPECT_EQ(run("!ELSE\na\n!IFDEF NOPE\n!ENDIF\n!ENDIF x\nb\n", 1), (Lines {"a", "b"}));
    EXPECT_TRUE(sink.saw("Error, Stack Underflow !ELSE"));
    EXPECT_TRUE(sink.saw("Error, Stack Underflow !ENDIF x"));
    // An IFDEF left open is forgotten at the end of the file.
    EXPECT_EQ(run("!IFDEF NOPE\na\n"), Lines {});
    EXPECT_TRUE(lastOk);
    // A hundred nested !IFDEFs work; the next one stops the file.
    audioSlides(1);
    std::string text = "deep\n";
    for (int i = 0; i < 100; ++i)
        text = "!IFDEF AUDIO\n" + text + "!ENDIF\n";
    EXPECT_EQ(run(text), Lines {"deep"});
    EXPECT_TRUE(lastOk);
    run("before\n" + std::string("!IFDEF AUDIO\n") + text);
    EXPECT_FALSE(lastOk);
    EXPECT_TRUE(holds(engine.StyleError, "!IFDEF"));
    EXPECT_EQ(engine.StyleError.rfind("Too many nested !IFDEF", 0), 0u);
}

TEST_F(Directives, ForSlideRepeatsTheBodyWithEachSlidesTokens)
{
    audioSlides(3);
    EXPECT_EQ(run("<ul>\n!FORSLIDE\n<li>S#S T#T</li>\n!ENDSLIDE\n</ul>\n", 2),
              (Lines {"<ul>", "<li>sld001.htm Title 1</li>", "<li>sld002.htm Title 2</li>",
                      "<li>sld003.htm Title 3</li>", "</ul>"}));
    // Each pass has its own condition stack and slide.
    EXPECT_EQ(run("!FORSLIDE\n!IFDEF LASTSLIDE\nlast n#n\n!ELSE\nn#n\n!ENDIF\n!ENDSLIDE\n", 1),
              (Lines {"1", "2", "last 3"}));
    // A loop inside a false block is consumed without output.
    EXPECT_EQ(run("!IFDEF NOPE\n!FORSLIDE\nx\n!ENDIF\n!ENDSLIDE\n!ENDIF\nafter\n"), Lines {"after"});
    EXPECT_EQ(run("!FORSLIDE\nnever closed n#n\n"), (Lines {"never closed 1", "never closed 2", "never closed 3"}));
    EXPECT_EQ(engine.LoopDepth, 0);
    // A loop of the same kind inside ends the outer body early: the outer
    // body is "a", "!FORSLIDE", "b"; the trailing "c" and "!ENDSLIDE" are
    // then plain lines.
    audioSlides(2);
    EXPECT_EQ(run("!FORSLIDE\na\n!FORSLIDE\nb\n!ENDSLIDE\nc\n!ENDSLIDE\n"),
              (Lines {"a", "b", "b", "a", "b", "b", "c"}));
}

TEST_F(Directives, ForPartVisitsEachPartAndRestrictsInnerSlideLoopsToSlidesSharingMedia)
{
    slides({{1, -1}, {1, -1}, {-1, 2}, {-1, 2}, {-1, 2}});
    EXPECT_EQ(run("!FORPART\npart P#P from n#n\n!ENDPART\n"), (Lines {"part 1 from 1", "part 2 from 3"}));
    EXPECT_EQ(run("!FORPART\n[P#P]\n!FORSLIDE\nn#n\n!ENDSLIDE\n!ENDPART\n"),
              (Lines {"[1]", "1", "2", "[2]", "3", "4", "5"}));
    EXPECT_FALSE(engine.PartRestrict);  // restored after each pass
    // Restricted, a slide loop keeps the slides sharing audio or video.
    const std::string loop = "!FORSLIDE\nn#n\n!ENDSLIDE\n";
    slides({{1, -1}, {1, 2}, {-1, 2}, {3, -1}});
    engine.PartRestrict = true;
    EXPECT_EQ(run(loop, 1), (Lines {"1", "2"}));
    EXPECT_EQ(run(loop, 3), (Lines {"2", "3"}));
    engine.PartRestrict = false;
    EXPECT_EQ(run(loop, 3), (Lines {"1", "2", "3", "4"}));
    // Audio-only parts: every slide's video part is -1, which names no part.
    slides({{1, -1}, {1, -1}, {2, -1}, {-1, -1}, {-1, -1}});
    engine.PartRestrict = true;
    EXPECT_EQ(run(loop, 3), Lines {"3"});
    EXPECT_EQ(run(loop, 1), (Lines {"1", "2"}));
    EXPECT_EQ(run(loop, 4), (Lines {"4", "5"}));
}

TEST_F(Directives, LoopNestingAndExpansionAreBounded)
{
    audioSlides(1);
    std::string text;
    for (int i = 0; i < StyleEngine::kMaxLoopDepth; ++i)
        text += i % 2 ? "!FORSLIDE\n" : "!FORPART\n";
    EXPECT_EQ(run(text + "x\n"), Lines {"x"});
    EXPECT_TRUE(lastOk);
    run("!FORSLIDE\n" + text + "x\n");
    EXPECT_FALSE(lastOk);
    EXPECT_EQ(engine.StyleError.rfind("Too many nested loops", 0), 0u);
    EXPECT_EQ(engine.LoopDepth, 0);
    // A runaway expansion is stopped.
    engine.StyleError.clear();
    audioSlides(10);
    engine.MaxLoopPasses = 500;
    // 10 + 10 + 100 passes fit; another two levels do not.
    EXPECT_EQ(run("!FORSLIDE\n!FORPART\n!FORSLIDE\nx\n").size(), 100u);
    EXPECT_TRUE(lastOk);
    run("!FORSLIDE\n!FORPART\n!FORSLIDE\n!FORPART\n!FORSLIDE\nx\n");
    EXPECT_FALSE(lastOk);
    EXPECT_EQ(engine.StyleError.rfind("Loop expansion too large", 0), 0u);
    EXPECT_EQ(engine.LoopDepth, 0);
}

TEST_F(Directives, PageDirectivesCopyFromTheSlidePage)
{
    audioSlides(3);
    putLecture("sld001.htm",
               "<HTML><HEAD>\n<TITLE>T#T</TITLE>\n</HEAD>\n<BODY>\n<MAP NAME=m>\n"
               "<AREA HREF=\"file://sld002.htm\">\n</MAP>\n<P>Notes:</P>\nSee www.a.org\n<b>bold</b><!-- end -->\n"
               "</BODY></HTML>\n");
    EXPECT_EQ(run("!HEAD\n", 1), (Lines {"", "<TITLE>Title 1</TITLE>", ""}));
    EXPECT_EQ(run("!MAP\n", 1), (Lines {"<MAP NAME=m>", "<AREA HREF=\"sld002.htm\">", "</MAP>"}));
    EXPECT_EQ(run("!NOTES\n", 1), (Lines {"", "See <a href=http://www.a.org>www.a.org</a>", "<b>bold</b>"}));
    EXPECT_EQ(run("!RTNOTES\n", 1), (Lines {"", "See <a href=http://www.a.org>www.a.org</a>", "bold"}));
    EXPECT_EQ(run("!INCLUDE\n", 1).size(), 11u);
    // Directives are skipped while inactive.
    EXPECT_EQ(run("!IFDEF NOPE\n!INCLUDE\n!ENDIF\n", 1), Lines {});
    // Without a page the notes come from the notes file, for !NOTES only.
    putLecture("img002.not", "Read http://a.org/x first\nN#N\n");
    EXPECT_EQ(run("!NOTES\n", 2), (Lines {"Read <a href=http://a.org/x>http://a.org/x</a> first", "002"}));
    EXPECT_EQ(run("!RTNOTES\n", 2), Lines {});
    EXPECT_EQ(run("!NOTES\n", 3), Lines {});  // neither page nor notes file
}

}  // namespace
