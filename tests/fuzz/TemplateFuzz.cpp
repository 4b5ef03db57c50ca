// The template engine on a style someone else wrote: the input's first
// piece is a template, the second the lecture's slide page it reads, the
// third a line of tokens; its first byte picks the slide and whether the
// pages are for disk or the web. A lecture of four slides over two parts.
// The loop depth must always come back to 0.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "FuzzInput.h"
#include "core/EngineHost.h"
#include "core/Messages.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"
#include "style/StyleEngine.h"
#include "style/TemplateLines.h"

using namespace pellucor;

namespace {

struct Engine {
    BasicEngineHost host;
    SlideEngine source {&host};
    PageLayout layout;
    StyleEngine engine {source.SI, source.S, layout, &host};

    Engine()
    {
        Tav_SetUnattended(true);
        const std::string root = fuzz::Scratch();
        for (const char* dir : {"style", "lecture", "out"})
            std::filesystem::create_directories(root + dir);
        source.S.StyleDir = root + "style/";
        source.S.LecDir = root + "lecture/";
        source.S.OutDir = root + "out";
        source.S.LecName = "N*N";
        source.S.WebURL = "http://example.org/talk/";
        source.S.StreamURL = "rtsp://example.org/talk/";
        const int parts[][2] = {{1, -1}, {1, 2}, {-1, 2}, {-1, -1}};
        for (int i = 1; i <= 4; ++i)
            source.SI.Slides.push_back({"00:00:" + Fmt00(10 * (i - 1)),
                                        "00:00:" + Fmt00(10 * i),
                                        "sld" + Fmt000(i) + ".htm",
                                        "img" + Fmt000(i) + ".gif",
                                        i == 2 ? "N*N T#T <b>&" : "Title " + std::to_string(i),
                                        parts[i - 1][0],
                                        parts[i - 1][1],
                                        {},
                                        {},
                                        {}});
        source.SI.Parts.resize(2);
        engine.MaxLoopPasses = 2000;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Engine e;
    const uint8_t pick = size ? data[0] : 0;
    const auto pieces = fuzz::Pieces(size ? data + 1 : data, size ? size - 1 : 0, 3);
    const int slide = pick % 7 - 1;  // -1 to 5: before, on and past the table
    const bool toDisk = pick & 0x80;
    e.source.S.Stream = pick & 0x40;
    e.engine.PartRestrict = pick & 0x20;
    fuzz::Put("lecture/sld001.htm", pieces[1]);
    std::istringstream in(pieces[0]);
    TemplateLines lines(in);
    std::ostringstream out;
    (void)e.engine.ProcessTemplate(slide, e.source.S.LecDir + "sld001.htm", lines, out, toDisk);
    if (e.engine.LoopDepth != 0)
        std::abort();
    std::string line = pieces[2];
    e.engine.SubstituteTokens(line, slide, toDisk);
    (void)StyleEngine::AutoLink(StyleEngine::StripTags(line));
    e.host.statuses.clear();
    return 0;
}
