// Random and garbage templates, pages and events lines: nothing may crash,
// hang or write out of bounds, and the loop depth always comes back to 0.
#include <random>

#include "StyleFixture.h"
#include "style/PublishedLecture.h"

namespace {
using namespace pellucor;
using namespace pellucor::style_test;

class Fuzz : public StyleFixture {
protected:
    std::mt19937 rng {20240517};

    std::string garbage(size_t maxLen)
    {
        std::string s(rng() % (maxLen + 1), ' ');
        for (char& c : s)
            c = static_cast<char>(rng() % 256);
        return s;
    }

    std::string randomLine()
    {
        // Directives, condition words, tokens and pieces of markup ("" first).
        static const Strings words = [] {
            Strings w
                = Tav_Split("!INCLUDE !HEAD !NOTES !RTNOTES !MAP !FORSLIDE !ENDSLIDE !FORPART !ENDPART !IFDEF !ELSE "
                            "!ENDIF AUDIO VIDEOONLY STREAM PSEUDOSTREAM CDROM WEB FIRSTINPART LASTINPART N-N N+N "
                            "n#n S+S X*X P+P P-P F*M T#T N*N L*C # < > <!-- --> http:// www.");
            w.insert(w.end(), {"<AREA HREF=\"file://", "\r", "\n"});
            return w;
        }();
        std::string line;
        for (int i = 0, n = static_cast<int>(rng() % 6); i < n; ++i)
            line += (rng() % 4 == 0) ? garbage(8) : words[rng() % words.size()] + " ";
        return line;
    }

    std::string randomText(int maxLines)
    {
        std::string text;
        for (int i = 0, n = static_cast<int>(rng() % static_cast<unsigned>(maxLines)); i < n; ++i)
            text += randomLine() + (rng() % 3 ? "\n" : "\r\n");
        return text;
    }
};

TEST_F(Fuzz, RandomTemplatesAndPages)
{
    slides({{1, -1}, {1, 2}, {-1, 2}, {-1, -1}});
    title(2) = "N*N T#T";
    source.S.LecName = "N*N";
    engine.MaxLoopPasses = 2000;
    Tav_SetUnattended(true);
    for (int round = 0; round < 300; ++round) {
        putLecture("sld001.htm", randomText(12));
        putLecture("sld002.htm", garbage(200));
        putLecture("img004.not", randomText(5));
        const bool toDisk = rng() % 2;
        source.S.Stream = rng() % 2;
        engine.PartRestrict = rng() % 2;
        run(randomText(30), static_cast<int>(rng() % 6), toDisk);
        ASSERT_EQ(engine.LoopDepth, 0) << "round " << round;
        std::string line = garbage(40) + randomLine();
        engine.SubstituteTokens(line, static_cast<int>(rng() % 700) - 100, toDisk);
        StyleEngine::AutoLink(StyleEngine::StripTags(line));
    }
    // Whole style directories, including slide numbers beyond the table.
    source.SI.Slides.resize(500);
    source.SI.Parts.resize(3);
    for (int round = 0; round < 5; ++round) {
        putStyle("sld000.htm", "!IFDEF LASTINPART\nN+N X*X\n!ENDIF\n");
        putStyle("p0.htm", randomText(10));
        putStyle("index.htm", randomText(10));
        engine.ProcessStyleDirectory(rng() % 2);
        ASSERT_EQ(engine.LoopDepth, 0);
    }
    Tav_SetUnattended(false);
}

TEST_F(Fuzz, RandomEventsFilesAndPublishedDirectories)
{
    Tav_SetUnattended(true);
    for (int round = 0; round < 100; ++round) {
        std::string events;
        for (int i = 0; i < 8; ++i) {
            events += rng() % 2 ? randomLine() : garbage(30);
            if (rng() % 2)
                events += "&&slide&&" + garbage(12) + (rng() % 2 ? "sld00" + std::to_string(i) + ".htm" : "");
            events += "\r\n";
        }
        writeFile(lecture.file("talk1.rat"), events);
        writeFile(lecture.file("n001.htm"),
                  "x Slide Index\n" + randomText(10) + "\nsld" + garbage(5) + "\n x /SELECT\n");
        std::filesystem::remove(lecture.file("talk1.txt"));
        std::string name, err;
        ConvertPublishedLecture(lecture.dir(), "talk", name, err);
        ASSERT_TRUE(std::filesystem::exists(lecture.file("talk1.txt")));
        engine.ConvertEventUrls(rng() % 2, garbage(10), lecture.file("talk1.txt"), lecture.file("out.txt"));
        engine.ReplaceInFile(garbage(3), garbage(5), lecture.file("n001.htm"), lecture.file("out2.txt"));
    }
    Tav_SetUnattended(false);
}

}  // namespace
