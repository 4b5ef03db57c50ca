#include "course/LecturePackage.h"

#include <zip.h>

#include <QString>

#include <algorithm>

#include <filesystem>
#include <map>
#include <set>

#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "course/CourseHtml.h"
#include "course/CoursePage.h"
#include "publish/LectureRecord.h"
#include "publish/OutputChecks.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

// The lecture's own first page inside a SCORM package, whose index.htm is
// the launcher.
constexpr const char* kContentsPage = "pellucor-contents.htm";
constexpr const char* kLaunchScript = "pellucor-scorm.js";

// What a publication holds for its own bookkeeping, not for students.
bool bookkeeping(const std::string& name)
{
    return name == kManifestName || name == kLectureRecordName || name == "process.bat" || name == "log.log";
}

std::string extensionOf(const std::string& name) { return Lower(fs::path(name).extension().string()); }

bool isHtml(const std::string& name)
{
    const std::string ext = extensionOf(name);
    return ext == ".htm" || ext == ".html";
}

// RealMedia originals a publication keeps beside the browser copies it
// plays: no browser plays them, so a package leaves them out unless one
// of its pages or scripts names them.
bool unplayable(const std::string& name)
{
    static const std::set<std::string> real {".rm", ".ra", ".ram", ".rat", ".rmvb", ".rpm", ".rv"};
    return real.count(extensionOf(name)) > 0;
}

// The publication's pages and scripts by name, read once: where a file
// they load is named, and what a package holds of them.
std::map<std::string, std::string> readPages(const std::string& dir, const std::set<std::string>& listed)
{
    std::map<std::string, std::string> pages;
    for (const std::string& name : listed) {
        const std::string ext = extensionOf(name);
        std::string page;
        if ((isHtml(name) || ext == ".js" || ext == ".css" || ext == ".vtt") && ReadWholeFile(dir + name, page))
            pages.emplace(name, std::move(page));
    }
    return pages;
}

bool namedIn(const std::map<std::string, std::string>& pages, const std::string& name)
{
    const std::string file = fs::path(name).filename().string();
    return std::any_of(pages.begin(), pages.end(),
                       [&](const auto& page) { return page.second.find(file) != std::string::npos; });
}

// A page as a package holds it: without the lines that link above the
// publication (the way back to a course page), which a package has no
// folder for. Empty when the page keeps every line.
std::string pageInPackage(const std::string& page)
{
    if (page.find("href=\"../") == std::string::npos)
        return {};
    std::string kept;
    size_t from = 0;
    while (from < page.size()) {
        const size_t end = std::min(page.find('\n', from), page.size() - 1) + 1;
        const std::string line = page.substr(from, end - from);
        if (line.find("href=\"../") == std::string::npos)
            kept += line;
        from = end;
    }
    return kept;
}

std::string launcherPage(PackageKind kind, const LectureRecord& rec)
{
    std::string pages;
    for (const auto& p : rec.parts)
        pages += (pages.empty() ? "" : " ") + p.page;
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"
        + HtmlEscaped(rec.title)
        + "</title>\n<link rel=\"icon\" href=\"data:,\">\n"
          "<style>html,body{margin:0;height:100%;overflow:hidden}"
          "iframe{display:block;border:0;width:100%;height:100%}</style>\n"
          "<script src=\""
        + std::string(kLaunchScript) + "\" data-version=\"" + (kind == PackageKind::Scorm12 ? "1.2" : "2004")
        + "\" data-contents=\"" + kContentsPage + "\" data-parts=\"" + HtmlEscaped(pages)
        + "\"></script>\n</head>\n<body>\n"
          "<noscript><p><a href=\""
        + kContentsPage + "\">" + HtmlEscaped(rec.title)
        + "</a></p></noscript>\n"
          "</body>\n</html>\n";
}

zip_int64_t addFile(zip_t* z, const PackageFile& f, std::string& err)
{
    zip_source_t* src = f.source.empty() ? zip_source_buffer(z, f.text.data(), f.text.size(), 0)
                                         : zip_source_file(z, f.source.c_str(), 0, -1);
    const zip_int64_t at = src ? zip_file_add(z, f.name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) : -1;
    if (at < 0) {
        if (src)
            zip_source_free(src);
        err = "Unable to add " + (f.source.empty() ? f.name : f.source) + " to the package: " + zip_strerror(z);
        return -1;
    }
    // Pictures, sound and video are compressed already.
    const std::string ext = extensionOf(f.name);
    static const std::set<std::string> packed {".gif", ".jpg",  ".jpeg", ".png", ".webp", ".mp4", ".m4a",
                                               ".m4v", ".webm", ".mp3",  ".ogg", ".opus", ".rm",  ".ra"};
    zip_set_file_compression(z, static_cast<zip_uint64_t>(at), packed.count(ext) ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    return at;
}

}  // namespace

bool PlanPackage(const std::string& dirIn, PackageKind kind, std::vector<PackageFile>& files, std::string& err)
{
    const std::string dir = Tav_DirSlash(dirIn);
    const std::set<std::string> listed = ReadManifest(dir);
    if (listed.empty()) {
        err = dir + " is not a published lecture (it has no " + kManifestName + ")";
        return false;
    }
    LectureRecord rec;
    std::string why;
    if (!rec.Read(dir, why)) {
        rec = LectureRecord {};
        rec.title = Tav_SplitPath(Tav_FixSlashes(dir.substr(0, dir.size() - 1))).last;
        for (int p = 1; listed.count("part" + std::to_string(p) + ".htm"); ++p)
            rec.parts.push_back({p, "part" + std::to_string(p) + ".htm", 0, {}, {}, {}});
    }
    const bool scorm = kind != PackageKind::CommonCartridge;
    if (!listed.count("index.htm")) {
        err = dir + " has no index.htm to open the lecture with";
        return false;
    }
    if (scorm && (listed.count(kContentsPage) || listed.count(kLaunchScript))) {
        err = dir + " already holds " + kContentsPage + " or " + kLaunchScript;
        return false;
    }
    files.clear();
    files.push_back({"imsmanifest.xml", "", ""});
    std::vector<std::string> names;
    const std::map<std::string, std::string> pages = readPages(dir, listed);
    for (const std::string& name : listed) {
        if (bookkeeping(name) || (unplayable(name) && !namedIn(pages, name)))
            continue;
        const std::string inside = scorm && name == "index.htm" ? kContentsPage : name;
        const auto read = pages.find(name);
        const std::string page = read != pages.end() && isHtml(name) ? pageInPackage(read->second) : std::string();
        files.push_back({inside, page.empty() ? dir + name : "", page});
        names.push_back(inside);
    }
    if (scorm) {
        files.push_back({"index.htm", "", launcherPage(kind, rec)});
        files.push_back({kLaunchScript, "", CourseAsset(kLaunchScript)});
        names.push_back("index.htm");
        names.push_back(kLaunchScript);
    }
    std::sort(names.begin(), names.end());
    files.front().text = PackageManifest(kind, rec.title.empty() ? "Lecture" : rec.title, "index.htm", names);
    return true;
}

bool WritePackage(const std::string& dir, PackageKind kind, const std::string& out, std::string& err,
                  const std::function<void(int)>& progress)
{
    std::error_code ec;
    const fs::path target = fs::absolute(out, ec).lexically_normal();
    const fs::path published = fs::weakly_canonical(fs::absolute(dir, ec), ec);
    if (fs::is_directory(target, ec)) {
        err = target.string() + " is a directory: give the package's file name";
        return false;
    }
    const fs::path targetDir = fs::weakly_canonical(target.parent_path(), ec);
    if (!fs::is_directory(targetDir, ec)) {
        err = "The folder " + target.parent_path().string() + " does not exist";
        return false;
    }
    std::vector<PackageFile> files;
    if (!PlanPackage(dir, kind, files, err))
        return false;
    const auto rel = targetDir.lexically_relative(published);
    if (!rel.empty() && *rel.begin() != "..") {
        err = target.string() + " would be written inside the published lecture: write it elsewhere";
        return false;
    }

    const std::string temp = (target.parent_path() / ("." + target.filename().string() + ".pellucor-part")).string();
    fs::remove(temp, ec);
    int zerr = 0;
    zip_t* z = zip_open(temp.c_str(), ZIP_CREATE | ZIP_EXCL, &zerr);
    if (!z) {
        zip_error_t e;
        zip_error_init_with_code(&e, zerr);
        err = "Unable to create " + temp + ": " + zip_error_strerror(&e);
        zip_error_fini(&e);
        return false;
    }
    for (const PackageFile& f : files)
        if (addFile(z, f, err) < 0) {
            zip_discard(z);
            fs::remove(temp, ec);
            return false;
        }
    if (progress)
        zip_register_progress_callback_with_state(
            z, 0.01,
            [](zip_t*, double done, void* ud) {
                (*static_cast<const std::function<void(int)>*>(ud))(static_cast<int>(done * 99));
            },
            nullptr, const_cast<std::function<void(int)>*>(&progress));
    if (zip_close(z) != 0) {
        err = "Unable to write " + target.string() + ": " + zip_strerror(z);
        zip_discard(z);
        fs::remove(temp, ec);
        return false;
    }
    fs::rename(temp, target, ec);
    if (ec) {
        err = "Unable to put " + target.string() + " in place: " + ec.message();
        fs::remove(temp, ec);
        return false;
    }
    if (progress)
        progress(100);
    return true;
}

}  // namespace pellucor
