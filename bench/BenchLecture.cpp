#include "BenchLecture.h"

#include <filesystem>
#include <fstream>

#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

constexpr int kSlides = 500;
constexpr int kParts = 3;

bool write(const fs::path& path, const std::string& text, std::string& err)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        err = "cannot write " + path.string();
        return false;
    }
    return true;
}

std::string time(int seconds)
{
    return Fmt00(seconds / 3600) + ":" + Fmt00(seconds / 60 % 60) + ":" + Fmt00(seconds % 60);
}

const char* kSlideTemplate = R"(<!DOCTYPE html>
# One page per slide: the slide, its notes, the media at the slide's time
# and a table of contents of the whole lecture.
<html lang="en">
<head>
<meta charset="utf-8">
<title>N*N - T#T</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav class="top"><a href="S-S">Previous</a> | <a href="index.htm">Index</a> | <a href="part0.htm">Part P#P</a> | <a href="S+S">Next</a></nav>
<main>
<h1>T#T</h1>
<p class="where">Slide n#n, part P#P, from X#X to X+X</p>
<img src="I#I" width="W#F" alt="T#T">
!IFDEF AUDIOONLY
<audio src="U#UF*M" data-start="X#X" data-end="X*X" controls></audio>
!ELSE
<video src="M#MF*M" width="W#V" height="H#V" data-start="X#X" controls></video>
!ENDIF
!IFDEF LASTSLIDE
<p>End of the lecture.</p>
!ELSE
<p><a href="S+S">Next: slide n+n</a></p>
!ENDIF
<section class="notes">
!NOTES
</section>
</main>
<ol class="toc">
!FORSLIDE
<li><a href="S#S">T#T</a> <span class="time">X#X</span></li>
!ENDSLIDE
</ol>
</body>
</html>
)";

const char* kPartTemplate = R"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>N*N - part P#P</title></head>
<body>
<h1>Part P#P</h1>
<ol>
!FORSLIDE
<li><a href="S#S">T#T</a> X#X</li>
!ENDSLIDE
</ol>
</body></html>
)";

const char* kIndexTemplate = R"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>N*N</title></head>
<body>
<h1>N*N</h1>
!FORPART
<h2>Part P#P</h2>
<ol>
!FORSLIDE
<li><a href="S#S">T#T</a> X#X - X+X</li>
!ENDSLIDE
</ol>
!ENDPART
</body></html>
)";

}  // namespace

bool GenerateBenchLecture(const std::string& root, std::string& err)
{
    const fs::path media = fs::path(root) / "media";
    const fs::path style = fs::path(root) / "style";
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(media, ec);
    fs::create_directories(style, ec);
    if (ec) {
        err = "cannot create " + root + ": " + ec.message();
        return false;
    }
    std::string titles = "# titles of the benchmark lecture\r\n";
    const int perPart = (kSlides + kParts - 1) / kParts;
    for (int part = 1; part <= kParts; ++part) {
        std::string events = "# part " + std::to_string(part) + "\r\n";
        const int first = (part - 1) * perPart + 1;
        const int last = std::min(kSlides, part * perPart);
        for (int s = first; s <= last; ++s) {
            const int t = (s - first) * 20;
            const std::string page = "sld" + Fmt000(s) + ".htm";
            events += "u " + time(t) + " " + time(t + 20) + " URL\\" + page + "\r\n";
            titles += "\"" + page + "\" \"Slide " + std::to_string(s) + ": a topic of part " + std::to_string(part)
                + "\"\r\n";
            const std::string pageText = "<html><head><title>" + page
                + "</title></head><body>\r\n<P>Notes:</P>\r\n"
                  "Notes for slide "
                + std::to_string(s) + ", see www.example.org/s" + std::to_string(s)
                + " for more.\r\n<P>Second paragraph.</P><!-- end -->\r\n"
                  "</body></html>\r\n";
            if (!write(media / page, pageText, err))
                return false;
        }
        const std::string base = "talk" + std::to_string(part);
        if (!write(media / (base + ".txt"), events, err) || !write(media / (base + ".ra"), "", err))
            return false;
    }
    return write(media / "titles.txt", titles, err) && write(style / "sld000.htm", kSlideTemplate, err)
        && write(style / "part0.htm", kPartTemplate, err) && write(style / "index.htm", kIndexTemplate, err)
        && write(style / "logo.gif", "GIF89a", err) && write(style / "style.cfg", "bench\r\n", err);
}

}  // namespace pellucor
