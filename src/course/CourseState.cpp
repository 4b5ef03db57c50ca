#include "course/CourseState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/TextFile.h"

namespace pellucor {

namespace {

constexpr int kFormat = 1;

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QJsonValue& v) { return v.toString().toStdString(); }

template <typename T> QJsonArray array(const T& items)
{
    QJsonArray a;
    for (const auto& item : items) {
        if constexpr (std::is_same_v<std::decay_t<decltype(item)>, std::string>)
            a.append(q(item));
        else
            a.append(item);
    }
    return a;
}

std::vector<int> ints(const QJsonValue& v)
{
    std::vector<int> out;
    for (const QJsonValue& x : v.toArray())
        out.push_back(x.toInt());
    return out;
}

std::vector<std::string> strings(const QJsonValue& v)
{
    std::vector<std::string> out;
    for (const QJsonValue& x : v.toArray())
        out.push_back(s(x));
    return out;
}

}  // namespace

bool CourseState::Write(const std::string& path, std::string& err) const
{
    QJsonArray lecs;
    for (const CourseEntry& e : lectures)
        lecs.append(QJsonObject {{"id", e.id},
                                 {"folder", q(e.folder)},
                                 {"stamp", q(e.stamp)},
                                 {"searchable", e.searchable},
                                 {"title", q(e.title)},
                                 {"date", q(e.date)},
                                 {"thumbnail", q(e.thumbnail)},
                                 {"length", e.length},
                                 {"pages", array(e.pages)}});
    QJsonArray segs;
    for (const SearchSegment& g : segments)
        segs.append(QJsonObject {{"id", g.id},
                                 {"lectures", array(g.lectures)},
                                 {"slides", array(g.slides)},
                                 {"keys", array(g.keys)},
                                 {"captionKeys", array(g.captionKeys)},
                                 {"files", array(g.files)}});
    const QJsonObject root {{"format", kFormat},
                            {"title", q(title)},
                            {"nextLecture", nextLecture},
                            {"nextSegment", nextSegment},
                            {"generation", generation},
                            {"lectures", lecs},
                            {"segments", segs},
                            {"files", array(files)},
                            {"pendingLectures", array(pendingLectures)},
                            {"pendingSegments", array(pendingSegments)}};
    return WriteFileAtomically(path, QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString(), err);
}

bool CourseState::Read(const std::string& path, std::string& err)
{
    std::string text;
    if (!ReadWholeFile(path, text)) {
        err = "cannot read " + path;
        return false;
    }
    QJsonParseError parse {};
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(text), &parse).object();
    if (parse.error != QJsonParseError::NoError || root.value("format").toInt() != kFormat) {
        err = path + " is not a course's record";
        return false;
    }
    title = s(root.value("title"));
    nextLecture = root.value("nextLecture").toInt(1);
    nextSegment = root.value("nextSegment").toInt(1);
    generation = root.value("generation").toInt();
    lectures.clear();
    for (const QJsonValue& v : root.value("lectures").toArray()) {
        const QJsonObject o = v.toObject();
        lectures.push_back({o.value("id").toInt(), s(o.value("folder")), s(o.value("stamp")),
                            o.value("searchable").toBool(), s(o.value("title")), s(o.value("date")),
                            s(o.value("thumbnail")), o.value("length").toDouble(), strings(o.value("pages"))});
    }
    segments.clear();
    for (const QJsonValue& v : root.value("segments").toArray()) {
        const QJsonObject o = v.toObject();
        SearchSegment g;
        g.id = o.value("id").toInt();
        g.lectures = ints(o.value("lectures"));
        g.slides = ints(o.value("slides"));
        g.keys = strings(o.value("keys"));
        g.captionKeys = strings(o.value("captionKeys"));
        g.files = strings(o.value("files"));
        segments.push_back(std::move(g));
    }
    const auto names = strings(root.value("files"));
    files = std::set<std::string>(names.begin(), names.end());
    pendingLectures = ints(root.value("pendingLectures"));
    pendingSegments = ints(root.value("pendingSegments"));
    return true;
}

std::set<std::string> CourseState::Referenced() const
{
    std::set<std::string> out {RootName() + ".js", "course.js", "course.css"};
    for (const CourseEntry& e : lectures)
        if (e.searchable)
            out.insert(LectureFileName(e.id));
    for (const SearchSegment& g : segments)
        out.insert(g.files.begin(), g.files.end());
    return out;
}

}  // namespace pellucor
