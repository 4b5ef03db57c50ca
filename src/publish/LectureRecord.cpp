#include "publish/LectureRecord.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "core/TavUtils.h"
#include "core/TextFile.h"

namespace pellucor {

namespace {

constexpr int kFormat = 1;

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QJsonValue& v) { return v.toString().toStdString(); }

}  // namespace

double LectureRecord::Length() const
{
    double total = 0;
    for (const Part& p : parts)
        total += p.length;
    return total;
}

bool LectureRecord::Write(const std::string& dir, std::string& err) const
{
    QJsonArray jsonParts;
    for (const Part& p : parts) {
        QJsonArray cues;
        for (const Cue& c : p.captions)
            cues.append(QJsonArray {c.start, q(c.text)});
        QJsonArray tracks;
        for (const Track& t : p.tracks) {
            QJsonObject track {{"lang", q(t.lang)}, {"kind", q(t.kind)}};
            if (t.reviewed)
                track.insert("reviewed", true);
            tracks.append(track);
        }
        QJsonObject part {
            {"number", p.number}, {"page", q(p.page)}, {"length", p.length}, {"captions", cues}, {"tracks", tracks}};
        if (!p.descriptions.empty())
            part.insert("descriptions", q(p.descriptions));
        jsonParts.append(part);
    }
    QJsonArray jsonSlides;
    for (const Slide& sl : slides)
        jsonSlides.append(QJsonObject {{"number", sl.number},
                                       {"part", sl.part},
                                       {"start", sl.start},
                                       {"title", q(sl.title)},
                                       {"notes", q(sl.notes)},
                                       {"text", q(sl.text)}});
    const QJsonObject root {{"format", kFormat},         {"title", q(title)},  {"recorded", q(recorded)},
                            {"thumbnail", q(thumbnail)}, {"parts", jsonParts}, {"slides", jsonSlides}};
    return WriteFileAtomically(Join(dir, kLectureRecordName),
                               QJsonDocument(root).toJson(QJsonDocument::Compact).toStdString(), err);
}

bool LectureRecord::Read(const std::string& dir, std::string& err)
{
    const std::string path = Join(dir, kLectureRecordName);
    QFile file(q(path));
    if (!file.open(QIODevice::ReadOnly)) {
        err = path + ": " + file.errorString().toStdString();
        return false;
    }
    QJsonParseError parse {};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parse);
    const QJsonObject root = doc.object();
    if (parse.error != QJsonParseError::NoError || root.value("format").toInt() != kFormat) {
        err = path + ": not a lecture record"
            + (parse.error != QJsonParseError::NoError ? " (" + parse.errorString().toStdString() + ")" : "");
        return false;
    }
    title = s(root.value("title"));
    recorded = s(root.value("recorded"));
    thumbnail = s(root.value("thumbnail"));
    parts.clear();
    for (const QJsonValue& v : root.value("parts").toArray()) {
        const QJsonObject o = v.toObject();
        Part p {o.value("number").toInt(), s(o.value("page")), o.value("length").toDouble(), {}, {}, {}};
        for (const QJsonValue& c : o.value("captions").toArray())
            p.captions.push_back({c.toArray().at(0).toDouble(), s(c.toArray().at(1))});
        for (const QJsonValue& t : o.value("tracks").toArray()) {
            const QJsonObject track = t.toObject();
            p.tracks.push_back({s(track.value("lang")), s(track.value("kind")), track.value("reviewed").toBool()});
        }
        if (!o.contains("tracks") && !p.captions.empty())
            p.tracks.push_back({});
        p.descriptions = s(o.value("descriptions"));
        parts.push_back(std::move(p));
    }
    slides.clear();
    for (const QJsonValue& v : root.value("slides").toArray()) {
        const QJsonObject o = v.toObject();
        slides.push_back({o.value("number").toInt(), o.value("part").toInt(), o.value("start").toDouble(),
                          s(o.value("title")), s(o.value("notes")), s(o.value("text"))});
    }
    return true;
}

std::string PlainText(const std::string& html)
{
    // Tags and comments out first; then the references, so that "&lt;b&gt;"
    // stays text.
    std::string text;
    text.reserve(html.size());
    for (size_t i = 0; i < html.size();) {
        if (html.compare(i, 4, "<!--") == 0) {
            const size_t end = html.find("-->", i + 4);
            i = end == std::string::npos ? html.size() : end + 3;
            text += ' ';
        } else if (html[i] == '<') {
            const size_t end = html.find('>', i);
            i = end == std::string::npos ? html.size() : end + 1;
            text += ' ';
        } else {
            text += html[i++];
        }
    }
    std::string out;
    out.reserve(text.size());
    bool blank = true;  // drops leading blanks and joins runs
    const auto put = [&](const std::string& piece) {
        for (const char c : piece) {
            const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
            if (space && blank)
                continue;
            out += space ? ' ' : c;
            blank = space;
        }
    };
    static const std::pair<const char*, const char*> named[]
        = {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    for (size_t i = 0; i < text.size();) {
        const size_t semi = text[i] == '&' ? text.find(';', i) : std::string::npos;
        if (semi != std::string::npos && semi - i <= 10) {
            const std::string ref = text.substr(i + 1, semi - i - 1);
            std::string value;
            if (ref.size() > 1 && ref[0] == '#') {
                bool ok = false;
                const uint code = (ref[1] == 'x' || ref[1] == 'X') ? q(ref.substr(2)).toUInt(&ok, 16)
                                                                   : q(ref.substr(1)).toUInt(&ok, 10);
                if (ok && code > 0 && code <= 0x10FFFF) {
                    const char32_t c = code;
                    value = QString::fromUcs4(&c, 1).toStdString();
                }
            }
            for (const auto& [name, repl] : named)
                if (ref == name)
                    value = repl;
            if (!value.empty()) {
                put(value);
                i = semi + 1;
                continue;
            }
        }
        put(std::string(1, text[i++]));
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

}  // namespace pellucor
