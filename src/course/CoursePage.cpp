#include "course/CoursePage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "course/AccessibilityReport.h"
#include "course/CourseHtml.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

std::string clockText(double seconds)
{
    const long t = std::lround(seconds);
    char buf[32];
    if (t >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", t / 3600, t / 60 % 60, t % 60);
    else
        std::snprintf(buf, sizeof buf, "%ld:%02ld", t / 60, t % 60);
    return buf;
}

std::string rootScript(const CourseState& st)
{
    QJsonArray segs;
    const auto ints = [](const std::vector<int>& v) {
        QJsonArray a;
        for (const int x : v)
            a.append(x);
        return a;
    };
    const auto strs = [](const std::vector<std::string>& v) {
        QJsonArray a;
        for (const auto& x : v)
            a.append(QString::fromStdString(x));
        return a;
    };
    for (const SearchSegment& g : st.segments)
        segs.append(QJsonObject {{"id", g.id},
                                 {"lectures", ints(g.lectures)},
                                 {"slides", ints(g.slides)},
                                 {"keys", strs(g.keys)},
                                 {"captionKeys", strs(g.captionKeys)}});
    return ChunkScript(st.RootName(),
                       QJsonDocument(QJsonObject {{"segments", segs}}).toJson(QJsonDocument::Compact).toStdString());
}

void writeLecture(std::ostream& out, const CourseEntry& e)
{
    const std::string base = RelativeHref(e.folder);
    out << "<li class=\"lecture\" data-lecture=\"" << (e.searchable ? e.id : -1) << "\" data-href=\"" << base
        << "\">\n";
    if (!e.thumbnail.empty())
        out << "<a class=\"thumb\" href=\"" << base << "index.htm\" tabindex=\"-1\" aria-hidden=\"true\"><img src=\""
            << base << RelativeHref(e.thumbnail)
            << "\" alt=\"\" width=\"160\" height=\"120\" loading=\"lazy\" decoding=\"async\"></a>\n";
    out << "<h3><a class=\"title\" href=\"" << base << "index.htm\">" << HtmlEscaped(e.title) << "</a></h3>\n";
    out << "<p class=\"facts\">";
    if (e.date.size() >= 10) {
        const std::string day = HtmlEscaped(e.date.substr(0, 10));
        out << "<time datetime=\"" << day << "\">" << day << "</time> ";
    }
    if (e.length > 0)
        out << "<span class=\"length\">length " << clockText(e.length) << "</span> ";
    out << "<span class=\"count\">" << e.pages.size() << (e.pages.size() == 1 ? " part" : " parts") << "</span></p>\n";
    if (e.pages.size() > 1) {
        out << "<p class=\"parts\">";
        for (size_t p = 0; p < e.pages.size(); ++p)
            out << "<a href=\"" << base << RelativeHref(e.pages[p]) << "\">Part " << p + 1 << "</a> ";
        out << "</p>\n";
    }
    if (!e.searchable)
        out << "<p class=\"note\">Not in the search: publish it again to search it.</p>\n";
    out << "</li>\n";
}

// reported: the accessibility report is there to link to, for staff.
std::string pageHtml(const CourseState& st, bool reported)
{
    std::ostringstream out;
    const std::string title = HtmlEscaped(st.title);
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<title>" << title << "</title>\n"
        << "<meta name=\"description\" content=\"" << title
        << ": every lecture with its slides and recordings, and a search over all of them.\">\n"
           "<link rel=\"icon\" href=\"data:,\">\n"
        << "<link rel=\"stylesheet\" href=\"" << kCourseDirName << "/course.css\">\n"
        << "<script src=\"" << kCourseDirName << "/course.js\" defer></script>\n"
        << "</head>\n<body class=\"course-page\" data-index=\"" << kCourseDirName << "/\" data-root=\"" << st.RootName()
        << "\">\n<header class=\"bar\">\n<h1>" << title << "</h1>\n<p>" << st.lectures.size()
        << (st.lectures.size() == 1 ? " lecture" : " lectures") << "</p>\n</header>\n<main>\n"
        // The hits are headed by their lectures (h3), so the search has a
        // heading of its own: the page's headings stay in order.
        << "<section class=\"search\" role=\"search\" aria-labelledby=\"search-title\" hidden>\n"
           "<h2 id=\"search-title\">Search every lecture</h2>\n"
           "<label for=\"search\">Search the slides, notes and captions of every lecture</label>\n"
           "<input id=\"search\" type=\"search\" autocomplete=\"off\" spellcheck=\"false\">\n"
           "<p id=\"search-status\" class=\"status\" role=\"status\" aria-live=\"polite\"></p>\n"
           "<ol id=\"results\" class=\"results\"></ol>\n"
           "<p class=\"more\"><button id=\"more\" type=\"button\" hidden>More lectures</button> "
           "<button id=\"said\" type=\"button\" hidden>Search what was said as well</button></p>\n"
           "</section>\n"
           "<section class=\"catalogue\" aria-labelledby=\"lectures-title\">\n"
           "<h2 id=\"lectures-title\">Lectures, newest first</h2>\n<ol class=\"lectures\">\n";
    for (const CourseEntry& e : st.lectures)
        writeLecture(out, e);
    out << "</ol>\n</section>\n</main>\n";
    if (reported)
        out << "<footer class=\"staff\"><p><a href=\"" << kAccessibilityPageName
            << "\">Accessibility report (for staff)</a></p></footer>\n";
    out << "</body>\n</html>\n";
    return out.str();
}

// Writes name in dir unless it already holds exactly text.
bool writeIfChanged(const std::string& dir, const std::string& name, const std::string& text, CourseReport& report,
                    std::string& err)
{
    std::string old;
    if (ReadWholeFile(Join(dir, name), old) && old == text)
        return true;
    if (!WriteFileAtomically(Join(dir, name), text, err))
        return false;
    report.written.push_back(name);
    return true;
}

}  // namespace

std::string CourseAsset(const std::string& name)
{
    QFile file(QString::fromStdString(":/course/" + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

bool WriteCourseFiles(const std::string& root, const CourseState& st, CourseReport& report, std::string& err)
{
    const std::string dir = Join(root, kCourseDirName);
    for (const char* asset : {"course.js", "course.css"})
        if (!writeIfChanged(dir, asset, CourseAsset(asset), report, err))
            return false;
    if (!WriteFileAtomically(Join(dir, st.RootName() + ".js"), rootScript(st), err))
        return false;
    report.written.push_back(st.RootName() + ".js");
    std::error_code ec;
    if (!WriteFileAtomically(Join(root, "index.htm"), pageHtml(st, fs::exists(Join(root, kAccessibilityPageName), ec)),
                             err))
        return false;
    report.written.push_back("index.htm");
    return true;
}

}  // namespace pellucor
