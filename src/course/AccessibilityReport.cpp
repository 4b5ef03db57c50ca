#include "course/AccessibilityReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <filesystem>
#include <sstream>

#include "core/CourseFolder.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "course/CourseHtml.h"
#include "course/CourseIndex.h"
#include "course/PublishedLectures.h"
#include "publish/OutputChecks.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

LectureAccessibility assessOne(const std::string& root, const PublishedLecture& found)
{
    LectureRecord rec;
    std::string why;
    LectureAccessibility a = !found.record   ? UnassessedLecture("published without a lecture record: publish it again")
        : rec.Read(root + found.folder, why) ? AssessLecture(rec)
                                             : UnassessedLecture(why);
    a.folder = found.folder;
    if (a.title.empty())
        a.title = fs::path(root + found.folder).parent_path().filename().string();
    return a;
}

std::string captionsText(const PartAccessibility& part)
{
    if (part.captions.empty())
        return "none";
    std::string text;
    for (const auto& c : part.captions)
        text += (text.empty() ? "" : ", ") + (c.lang.empty() ? std::string("language unknown") : c.lang) + " (" + c.kind
            + ")";
    return text;
}

std::string slidesText(const std::vector<int>& slides)
{
    std::string text;
    for (const int s : slides)
        text += (text.empty() ? "" : ", ") + std::to_string(s);
    return text.empty() ? "none" : text;
}

std::string verdict(const LectureAccessibility& a) { return a.PassesAA() ? "passes AA" : "fails AA"; }

}  // namespace

std::vector<const LectureAccessibility*> AccessibilityReport::Failing() const
{
    std::vector<const LectureAccessibility*> failing;
    for (const LectureAccessibility& a : lectures)
        if (!a.PassesAA())
            failing.push_back(&a);
    return failing;
}

std::string LectureName(const LectureAccessibility& lecture)
{
    return "\"" + lecture.title + "\"" + (lecture.folder.empty() ? "" : " (" + lecture.folder + ")");
}

bool AssessAccessibility(const std::string& dirIn, AccessibilityReport& report, std::string& err)
{
    std::error_code ec;
    report = AccessibilityReport {};
    report.dir = Tav_DirSlash(fs::absolute(dirIn, ec).lexically_normal().string());
    if (!fs::is_directory(report.dir, ec)) {
        err = "The folder " + report.dir + " does not exist";
        return false;
    }
    if (fs::exists(report.dir + kManifestName, ec)) {
        PublishedLecture self {"", "", fs::exists(report.dir + kLectureRecordName, ec)};
        report.lectures.push_back(assessOne(report.dir, self));
        return true;
    }
    report.course = true;
    for (const PublishedLecture& found : FindPublishedLectures(report.dir))
        report.lectures.push_back(assessOne(report.dir, found));
    if (report.lectures.empty()) {
        err = report.dir + " holds no published lecture";
        return false;
    }
    return true;
}

std::string AccessibilityText(const AccessibilityReport& report)
{
    std::ostringstream out;
    for (const LectureAccessibility& a : report.lectures) {
        out << a.title << (a.folder.empty() ? "" : " (" + a.folder + ")") << ": " << verdict(a) << "\n";
        if (!a.problem.empty()) {
            out << "  not assessed: " << a.problem << "\n\n";
            continue;
        }
        for (const PartAccessibility& p : a.parts)
            out << "  part " << p.number << ": captions " << captionsText(p) << "; descriptions "
                << (p.descriptions.empty() ? "none" : p.descriptions) << "; transcript "
                << (p.transcript ? "from the captions" : "none") << "\n";
        out << "  slides without text: " << slidesText(a.slidesWithoutText) << "\n";
        for (const Criterion& c : a.criteria)
            out << "  " << c.id << " " << c.name << " (" << c.level << "): " << (c.met ? "met" : "failed") << " - "
                << c.reason << "\n";
        out << "\n";
    }
    return out.str();
}

std::string AccessibilityJson(const AccessibilityReport& report)
{
    QJsonArray lectures;
    for (const LectureAccessibility& a : report.lectures) {
        QJsonArray parts;
        for (const PartAccessibility& p : a.parts) {
            QJsonArray captions;
            for (const auto& c : p.captions)
                captions.append(QJsonObject {{"lang", qs(c.lang)}, {"kind", qs(c.kind)}});
            parts.append(QJsonObject {{"number", p.number},
                                      {"captions", captions},
                                      {"descriptions", qs(p.descriptions)},
                                      {"transcript", p.transcript}});
        }
        QJsonArray slides;
        for (const int s : a.slidesWithoutText)
            slides.append(s);
        QJsonArray criteria;
        for (const Criterion& c : a.criteria)
            criteria.append(QJsonObject {{"id", qs(c.id)},
                                         {"name", qs(c.name)},
                                         {"level", qs(c.level)},
                                         {"met", c.met},
                                         {"reason", qs(c.reason)}});
        QJsonObject lecture {{"folder", qs(a.folder)}, {"title", qs(a.title)},        {"passesAA", a.PassesAA()},
                             {"parts", parts},         {"slidesWithoutText", slides}, {"criteria", criteria}};
        if (!a.problem.empty())
            lecture.insert("problem", qs(a.problem));
        lectures.append(lecture);
    }
    const QJsonObject root {{"folder", qs(report.dir)}, {"course", report.course}, {"lectures", lectures}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

namespace {

std::string reportHtml(const AccessibilityReport& report)
{
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<meta name=\"robots\" content=\"noindex\">\n<title>Accessibility report</title>\n"
           "<style>body{font:16px/1.5 system-ui,sans-serif;margin:1em auto;max-width:60em;padding:0 1em}"
           "table{border-collapse:collapse}th,td{border:1px solid #888;padding:.2em .5em;text-align:left}"
           ".met{color:#064}.failed{color:#900}</style>\n</head>\n<body>\n<h1>Accessibility report</h1>\n";
    const auto failing = report.Failing();
    out << "<p>" << report.lectures.size() << (report.lectures.size() == 1 ? " lecture, " : " lectures, ")
        << failing.size() << " failing WCAG 2.1 AA.</p>\n";
    for (const LectureAccessibility& a : report.lectures) {
        out << "<section>\n<h2>" << HtmlEscaped(a.title) << " <small>(" << verdict(a) << ")</small></h2>\n";
        if (!a.folder.empty())
            out << "<p><a href=\"" << RelativeHref(a.folder) << "index.htm\">" << HtmlEscaped(a.folder) << "</a></p>\n";
        if (!a.problem.empty()) {
            out << "<p class=\"failed\">Not assessed: " << HtmlEscaped(a.problem) << "</p>\n</section>\n";
            continue;
        }
        out << "<table>\n<caption>Parts</caption>\n<tr><th scope=\"col\">Part</th><th scope=\"col\">Captions</th>"
               "<th scope=\"col\">Descriptions</th><th scope=\"col\">Transcript</th></tr>\n";
        for (const PartAccessibility& p : a.parts)
            out << "<tr><td>" << p.number << "</td><td>" << HtmlEscaped(captionsText(p)) << "</td><td>"
                << HtmlEscaped(p.descriptions.empty() ? "none" : p.descriptions) << "</td><td>"
                << (p.transcript ? "from the captions" : "none") << "</td></tr>\n";
        out << "</table>\n<p>Slides without text: " << slidesText(a.slidesWithoutText) << "</p>\n";
        out << "<table>\n<caption>WCAG 2.1 success criteria</caption>\n<tr><th scope=\"col\">Criterion</th>"
               "<th scope=\"col\">Level</th><th scope=\"col\">Result</th><th scope=\"col\">Why</th></tr>\n";
        for (const Criterion& c : a.criteria)
            out << "<tr><td>" << c.id << " " << HtmlEscaped(c.name) << "</td><td>" << c.level << "</td><td class=\""
                << (c.met ? "met\">met" : "failed\">failed") << "</td><td>" << HtmlEscaped(c.reason) << "</td></tr>\n";
        out << "</table>\n</section>\n";
    }
    out << "</body>\n</html>\n";
    return out.str();
}

}  // namespace

bool WriteAccessibilityPage(const AccessibilityReport& report, std::string& page, std::string& err)
{
    page = report.dir + kAccessibilityPageName;
    if (!WriteFileAtomically(page, reportHtml(report), err))
        return false;
    if (!report.course)
        return AddToManifest(report.dir, kAccessibilityPageName, err);
    std::error_code ec;
    if (!fs::exists(report.dir + kCourseDirName + "/" + kCourseStateName, ec))
        return true;
    CourseReport course;
    return WriteCourse(report.dir, {}, course, err);
}

}  // namespace pellucor
