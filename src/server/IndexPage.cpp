// The index page of one published lecture: links to what its publish
// directory holds (slides, recordings, sub-directories).
#include "server/LectureWatcher.h"

#include <QDateTime>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {
bool nonEmptyFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec) && fs::file_size(p, ec) > 0;
}
}  // namespace

bool LectureWatcher::WriteIndexPage()
{
    const std::string dir = Tav_DirSlash(txtPubDir);
    const std::string index = dir + "index.htm";
    std::error_code ec;
    if (dir.empty() || fs::exists(index, ec))
        return false;  // an existing index page is never replaced
    std::ofstream out(index, std::ios::binary);
    if (!out)
        return false;
    const std::string when = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
    Tav_WriteLine(out, "<title>Pellucor Server Edition - " + txtName + "</title>");
    Tav_WriteLine(out, "<h2>Pellucor Server Edition - " + txtName + "</h2>");
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
        const bool isDir = fs::is_directory(path, ec);
        auto fileEntry = [&](const std::string& what) {
            Tav_WriteLine(out, "<p><li><a href=\"" + name + "\">" + what + "</a>");
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
                Tav_WriteLine(out, "<p><li><a href=" + name + "/f001.htm>Real Media plus slides</a>");
        } else if (low == Tav_Lower(txtName)) {
            if (nonEmptyFile(path / "index.htm"))
                Tav_WriteLine(out, "<p><li><a href=\"" + name + "/index.htm\">Web Version of Slides</a>");
        } else if (isDir && fs::exists(path / "index.htm", ec)) {
            Tav_WriteLine(out, "<p><li><a href=\"" + name + "/index.htm\">" + name + " (Directory)</a>");
        } else if (isDir) {
            Tav_WriteLine(out, "<p><li><a href=\"" + name + "\">" + name + " (Directory)</a>");
        }
    }
    out.close();
    return !out.fail();
}

}  // namespace pellucor
