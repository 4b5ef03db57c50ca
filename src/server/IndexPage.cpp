// The index page of one published lecture: links to what its publish
// directory holds (slides, recordings, sub-directories).
#include "server/LectureWatcher.h"

#include <unistd.h>

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "core/TavUtils.h"
#include "server/HtmlText.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

bool nonEmptyFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec) && fs::file_size(p, ec) > 0;
}

// "<p><li><a href="TARGET">CAPTION</a>", the target percent-encoded and the
// caption escaped.
std::string item(const std::string& target, const std::string& caption)
{
    return "<p><li><a href=\"" + HrefForPath(target) + "\">" + HtmlEscape(caption) + "</a>";
}

}  // namespace

bool LectureWatcher::WriteIndexPage()
{
    const std::string dir = Tav_DirSlash(txtPubDir);
    const std::string index = dir + "index.htm";
    std::error_code ec;
    if (dir.empty() || fs::exists(index, ec))
        return false;  // an existing index page is never replaced
    // Written aside and linked into place, so that a crash never leaves a
    // half page that would then be kept for good.
    const std::string aside = dir + ".index.htm.new";
    std::ofstream out(aside, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    const std::string when = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
    Tav_WriteLine(out, "<title>Pellucor Server Edition - " + HtmlEscape(txtName) + "</title>");
    Tav_WriteLine(out, "<h2>Pellucor Server Edition - " + HtmlEscape(txtName) + "</h2>");
    Tav_WriteLine(out, "Lecture Created:<b> " + when + "</b><br>");
    Tav_WriteLine(out, "<ul>");

    std::vector<std::string> names;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    // Names are compared in lower case; links keep the real name.
    for (const auto& name : names) {
        const std::string low = Tav_Lower(name);
        if (Tav_StartsWith(low, "index") || Tav_StartsWith(low, ".") || Tav_StartsWith(low, "ws_ft"))
            continue;
        const fs::path path = fs::path(dir) / name;
        const bool isDir = fs::is_directory(fs::symlink_status(path, ec));
        auto fileEntry = [&](const std::string& what) {
            Tav_WriteLine(out, item(name, what));
            Tav_WriteLine(out, " (" + Tav_SizeText(Tav_FileLen(path.string())) + ")");
        };
        if (!isDir && Tav_EndsWith(low, ".ppt"))
            fileEntry("PowerPoint Slides");
        else if (!isDir && Tav_EndsWith(low, ".pdf"))
            fileEntry("PDF Slides");
        else if (!isDir && Tav_EndsWith(low, ".mp3"))
            fileEntry("MP3 Audio");
        else if (low == "syncweb") {
            if (nonEmptyFile(path / "f001.htm"))
                Tav_WriteLine(out, "<p><li><a href=" + HrefForPath(name) + "/f001.htm>Real Media plus slides</a>");
        } else if (low == Tav_Lower(txtName)) {
            if (nonEmptyFile(path / "index.htm"))
                Tav_WriteLine(out, "<p><li><a href=\"" + HrefForPath(name) + "/index.htm\">Web Version of Slides</a>");
        } else if (isDir && fs::exists(path / "index.htm", ec)) {
            Tav_WriteLine(out, item(name + "/index.htm", name + " (Directory)"));
        } else if (isDir) {
            Tav_WriteLine(out, item(name, name + " (Directory)"));
        }
    }
    out.close();
    if (out.fail()) {
        fs::remove(aside, ec);
        return false;
    }
    // A hard link never replaces: a page another run put there meanwhile stays.
    const bool placed = ::link(aside.c_str(), index.c_str()) == 0;
    fs::remove(aside, ec);
    return placed;
}

}  // namespace pellucor
