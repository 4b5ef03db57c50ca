// From a style directory to output files: the scan, per-slide and per-part
// templates, output naming, and one output file per template and slide.
#include "style/StyleEngine.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/StatusColours.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {

// Whether a style file is one the directory scan leaves alone.
bool skipped(const std::string& name)
{
    if (name.empty() || name[0] == '.')
        return true;  // hidden
    const std::string l = Lower(name);
    // Images are copied by the publish driver; the configuration is not output.
    return EndsWith(l, ".gif") || EndsWith(l, ".jpg") || l == "style.cfg";
}

}  // namespace

void StyleEngine::SetStatus(const std::string& text) const
{
    if (host_)
        host_->SetStatus(text, kColourYellow);
}

void StyleEngine::Progress(int64_t done, int64_t total) const
{
    if (host_)
        host_->Progress(done, total);
}

bool IsBinaryStyleFile(const std::string& path)
{
    static const char* const kBinary[]
        = {".png",  ".ico", ".webp", ".woff", ".woff2", ".ttf", ".otf", ".mp3",  ".mp4", ".pdf", ".zip",
           ".jpeg", ".bmp", ".gz",   ".wasm", ".eot",   ".m4a", ".ogg", ".webm", ".wav", ".avif"};
    const std::string l = Lower(path);
    for (const char* ext : kBinary)
        if (EndsWith(l, ext))
            return true;
    std::ifstream in(path, std::ios::binary);
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        if (std::memchr(buffer, '\0', static_cast<size_t>(in.gcount())))
            return true;
    return false;
}

std::string StyleDirectoryProblem(const std::string& styleDir)
{
    const std::string dir = Tav_DirSlash(styleDir);
    if (dir.empty())
        return "No style directory given";
    if (!Tav_ChkDir(dir))
        return "Style directory not found: " + dir;
    for (const std::string& name : ListFiles(dir, "*.*"))
        if (!skipped(name) && !IsBinaryStyleFile(dir + name))
            return "";
    return "The style directory " + dir + " holds no templates";
}

bool StyleEngine::CopyBinaryFile(const std::string& fileName)
{
    const std::string from = Join(settings_.StyleDir, fileName);
    const std::string to = Join(settings_.OutDir, fileName);
    SetStatus("Destination:" + to);
    std::error_code ec;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec)
        return Fail("Unable to copy " + from + " to " + to + " - " + ec.message());
    return true;
}

bool StyleEngine::ProcessStyleDirectory(bool toDisk)
{
    StyleError.clear();
    if (const std::string problem = StyleDirectoryProblem(settings_.StyleDir); !problem.empty())
        return Fail(problem);
    // The lecture's pages and notes files are looked up in any letter case;
    // two of them that differ only in case cannot be told apart.
    lectureFileError_.clear();
    SlidePagePaths();
    for (int i = 1; i <= lecture_.SlideCount(); ++i)
        NotesFile(i);
    if (!lectureFileError_.empty())
        return Fail(lectureFileError_);
    bool ok = true;
    const auto templates = ListFiles(settings_.StyleDir, "*.*");
    int64_t done = 0;
    for (const std::string& name : templates) {
        Progress(done++, static_cast<int64_t>(templates.size()));
        PartRestrict = false;
        if (skipped(name))
            continue;
        if (IsBinaryStyleFile(Join(settings_.StyleDir, name))) {
            ok = CopyBinaryFile(name) && ok;
        } else if (name.find("000") != std::string::npos) {
            ok = ProcessPerSlide(name, toDisk) && ok;
        } else if (name.find('0') == std::string::npos) {
            ok = ProcessStyleFile(1, name, toDisk) && ok;
        } else {
            PartRestrict = true;
            ok = ProcessPerPart(name, toDisk) && ok;
        }
    }
    PartRestrict = false;
    Progress(done, done);
    return ok;
}

bool StyleEngine::LoadTemplate(const std::string& fileName, std::vector<std::string>& lines)
{
    const std::string templatePath = Join(settings_.StyleDir, fileName);
    if (!Tav_ChkFileMsg(templatePath) || !ReadTextFile(templatePath, lines)) {
        if (StyleError.empty())
            StyleError = templatePath + " does not exist ";
        return false;
    }
    currentTemplate_ = templatePath;
    return true;
}

// A template is read once and expanded from memory for every slide or part.
bool StyleEngine::ExpandTemplateFor(const std::vector<int>& slides, const std::string& fileName,
                                    const std::vector<std::string>& lines, bool toDisk)
{
    passTexts_.clear();
    keepPasses_ = true;
    bool ok = true;
    for (const int s : slides)
        if (!(ok = ExpandTemplate(s, fileName, lines, toDisk)))
            break;  // the same template fails the same way for every slide
    keepPasses_ = false;
    passTexts_.clear();
    return ok;
}

bool StyleEngine::ProcessPerSlide(const std::string& fileName, bool toDisk)
{
    const int n = lecture_.SlideCount();
    std::vector<std::string> lines;
    if (n < 1)
        return true;
    if (!LoadTemplate(fileName, lines))
        return false;
    std::vector<int> slides;
    for (int s = 1; s <= n; ++s)
        slides.push_back(s);
    return ExpandTemplateFor(slides, fileName, lines, toDisk);
}

bool StyleEngine::ProcessPerPart(const std::string& fileName, bool toDisk)
{
    if (lecture_.SlideCount() < 1 || lecture_.PartCount() < 1)
        return true;
    std::vector<std::string> lines;
    if (!LoadTemplate(fileName, lines))
        return false;
    std::vector<int> slides;
    for (int p = 1; p <= lecture_.PartCount(); ++p)
        slides.push_back(FirstSlideOfPart(p));
    return ExpandTemplateFor(slides, fileName, lines, toDisk);
}

bool StyleEngine::ProcessStyleFile(int slide, const std::string& fileName, bool toDisk)
{
    std::vector<std::string> lines;
    return LoadTemplate(fileName, lines) && ExpandTemplateFor({slide}, fileName, lines, toDisk);
}

bool StyleEngine::ExpandTemplate(int slide, const std::string& fileName, const std::vector<std::string>& lines,
                                 bool toDisk)
{
    const int s = SlideIndex(slide);
    const Slide& here = lecture_.SlideAt(s);
    int part = 1;
    if (here.AudioPart != -1)
        part = here.AudioPart;
    if (here.VideoPart != -1)
        part = here.VideoPart;  // video wins

    std::string outName = ReplaceAll(fileName, "000", Fmt000(slide));
    if (outName == fileName)
        outName = ReplaceAll(fileName, "0", std::to_string(part));

    if (Trim(settings_.OutDir).empty())
        return Fail("No output directory for " + outName);
    const std::string outPath = Join(settings_.OutDir, outName);
    constexpr std::streamsize kBufferSize = 1 << 16;
    const std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    std::ofstream out;
    out.rdbuf()->pubsetbuf(buffer.get(), kBufferSize);
    out.open(outPath, std::ios::binary | std::ios::trunc);
    if (!out)
        return Fail("Unable to create " + outPath + ": " + ErrnoText());
    SetStatus("Destination:" + outPath);

    TemplateLines in(lines);
    bool ok = ProcessTemplate(slide, Join(settings_.LecDir, outName), in, out, toDisk);
    out.flush();
    if (ok && out.fail())
        ok = Fail("Unable to write " + outPath + ": " + ErrnoText());
    out.close();
    if (ok && out.fail())
        ok = Fail("Unable to write " + outPath + ": " + ErrnoText());

    // A broken-off file is not left behind looking finished, and a template
    // that wrote nothing leaves no file.
    std::error_code ec;
    if (!ok || std::filesystem::file_size(outPath, ec) == 0)
        std::filesystem::remove(outPath, ec);
    return ok;
}

}  // namespace pellucor
