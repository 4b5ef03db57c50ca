#include "course/SearchSegment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>

#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "course/SearchText.h"

namespace pellucor {

namespace {

struct SlidePost {
    uint32_t doc;
    uint32_t where;  // bits: 1 title, 2 notes, 4 the slide's words
};
struct CaptionPost {
    uint32_t lecture, part, second;
    bool operator<(const CaptionPost& o) const
    {
        return std::tie(lecture, part, second) < std::tie(o.lecture, o.part, o.second);
    }
    bool operator==(const CaptionPost& o) const { return lecture == o.lecture && part == o.part && second == o.second; }
};

std::string encode(const std::vector<SlidePost>& posts)
{
    std::string out;
    uint32_t prev = 0;
    for (const SlidePost& p : posts) {
        AppendNumber(out, (static_cast<uint64_t>(p.doc - prev) << 3) | p.where);
        prev = p.doc;
    }
    return out;
}

// Groups of one lecture and part: lecture (difference), part, count, then
// the seconds (differences).
std::string encode(std::vector<CaptionPost>& posts)
{
    std::sort(posts.begin(), posts.end());
    posts.erase(std::unique(posts.begin(), posts.end()), posts.end());
    std::string out;
    uint32_t prevLecture = 0;
    for (size_t i = 0; i < posts.size();) {
        size_t end = i;
        while (end < posts.size() && posts[end].lecture == posts[i].lecture && posts[end].part == posts[i].part)
            ++end;
        AppendNumber(out, posts[i].lecture - prevLecture);
        AppendNumber(out, posts[i].part);
        AppendNumber(out, end - i);
        uint32_t prev = 0;
        for (size_t k = i; k < end; ++k) {
            AppendNumber(out, posts[k].second - prev);
            prev = posts[k].second;
        }
        prevLecture = posts[i].lecture;
        i = end;
    }
    return out;
}

// Writes the word lists in word order, cut into chunks; keys gets each
// chunk's first word.
template <typename Post>
bool writeChunks(const std::string& dir, const std::string& prefix,
                 std::unordered_map<std::string, std::vector<Post>>& index, std::vector<std::string>& keys,
                 std::vector<std::string>& files, std::string& err)
{
    std::vector<std::pair<std::u16string, std::string>> order;
    order.reserve(index.size());
    for (const auto& entry : index)
        order.emplace_back(TermOrder(entry.first), entry.first);
    std::sort(order.begin(), order.end());
    std::string text;
    const auto flush = [&] {
        const std::string name = prefix + std::to_string(keys.size() - 1);
        const std::string data
            = QJsonDocument(QJsonArray {QString::fromStdString(text)}).toJson(QJsonDocument::Compact).toStdString();
        files.push_back(name + ".js");
        text.clear();
        return WriteFileAtomically(Join(dir, name + ".js"), ChunkScript(name, data), err);
    };
    for (const auto& [key, term] : order) {
        if (text.empty())
            keys.push_back(term);
        text += term;
        text += '\t';
        text += encode(index[term]);
        text += '\n';
        if (text.size() >= kChunkBytes && !flush())
            return false;
    }
    return text.empty() || flush();
}

uint32_t wholeSeconds(double s) { return s > 0 ? static_cast<uint32_t>(std::floor(s)) : 0; }

}  // namespace

int SearchSegment::Live() const
{
    return static_cast<int>(std::count_if(lectures.begin(), lectures.end(), [](int id) { return id >= 0; }));
}

std::string ChunkScript(const std::string& name, const std::string& jsonData)
{
    return "PellucorCourse.chunk(\"" + name + "\"," + jsonData + ");\n";
}

bool WriteSearchSegment(const std::string& dir, int segmentId, const std::vector<int>& ids,
                        const std::vector<const LectureRecord*>& records, SearchSegment& seg, std::string& err)
{
    seg = SearchSegment {};
    seg.id = segmentId;
    std::unordered_map<std::string, std::vector<SlidePost>> slides;
    std::unordered_map<std::string, std::vector<CaptionPost>> captions;
    uint32_t doc = 0;
    for (size_t l = 0; l < records.size(); ++l) {
        const LectureRecord& rec = *records[l];
        seg.lectures.push_back(ids[l]);
        seg.slides.push_back(static_cast<int>(rec.slides.size()));
        for (const auto& slide : rec.slides) {
            for (const auto& [text, where] :
                 {std::pair {&slide.title, 1u}, std::pair {&slide.notes, 2u}, std::pair {&slide.text, 4u}})
                for (const std::string& term : SearchTerms(*text)) {
                    auto& posts = slides[term];
                    if (!posts.empty() && posts.back().doc == doc)
                        posts.back().where |= where;
                    else
                        posts.push_back({doc, where});
                }
            ++doc;
        }
        for (const auto& part : rec.parts)
            for (const auto& cue : part.captions)
                for (const std::string& term : SearchTerms(cue.text))
                    captions[term].push_back({static_cast<uint32_t>(l), static_cast<uint32_t>(std::max(part.number, 0)),
                                              wholeSeconds(cue.start)});
    }
    const std::string id = std::to_string(segmentId);
    return writeChunks(dir, "s" + id + "-", slides, seg.keys, seg.files, err)
        && writeChunks(dir, "c" + id + "-", captions, seg.captionKeys, seg.files, err);
}

std::string LectureFileName(int lectureId) { return "l" + std::to_string(lectureId) + ".js"; }

bool WriteLectureFile(const std::string& dir, int lectureId, const LectureRecord& record, std::string& err)
{
    QJsonArray parts;
    for (const auto& p : record.parts)
        parts.append(QJsonArray {p.number, QString::fromStdString(p.page), std::round(p.length)});
    QJsonArray slides;
    for (const auto& s : record.slides)
        slides.append(QJsonArray {s.number, s.part, std::floor(s.start), QString::fromStdString(s.title)});
    const std::string name = LectureFileName(lectureId);
    const std::string data = QJsonDocument(QJsonObject {{"parts", parts}, {"slides", slides}})
                                 .toJson(QJsonDocument::Compact)
                                 .toStdString();
    return WriteFileAtomically(Join(dir, name), ChunkScript(Tav_StripExt(name), data), err);
}

}  // namespace pellucor
