#include "course/LectureAccessibility.h"

#include <algorithm>

namespace pellucor {

namespace {

std::string kindOf(const LectureRecord::Track& track)
{
    if (track.kind == "lecturer")
        return "the lecturer's";
    if (track.kind == "machine")
        return track.reviewed ? "reviewed" : "machine-made";
    return "unknown kind";
}

// Captions a person stands behind: the lecturer's own, or machine-made
// ones a person went through.
bool byAPerson(const PartAccessibility& part)
{
    return !part.captions.empty()
        && (part.captions.front().kind == "the lecturer's" || part.captions.front().kind == "reviewed");
}

std::string numbers(const std::vector<int>& list, const std::string& one, const std::string& many)
{
    std::string text = list.size() == 1 ? one : many;
    for (size_t i = 0; i < list.size(); ++i)
        text += (i == 0 ? " " : ", ") + std::to_string(list[i]);
    return text;
}

// The parts for which has() is false, numbered.
template <typename Has> std::vector<int> partsWithout(const std::vector<PartAccessibility>& parts, Has has)
{
    std::vector<int> without;
    for (const PartAccessibility& p : parts)
        if (!has(p))
            without.push_back(p.number);
    return without;
}

// What the parts without captions a person stands behind have instead:
// "part 1: machine-made captions only; part 2: no captions".
std::string withoutPersonsCaptions(const std::vector<PartAccessibility>& parts)
{
    std::string text;
    for (const PartAccessibility& p : parts)
        if (!byAPerson(p))
            text += (text.empty() ? "part " : "; part ") + std::to_string(p.number) + ": "
                + (p.captions.empty()                              ? "no captions"
                       : p.captions.front().kind == "machine-made" ? "machine-made captions only"
                                                                   : "captions of unknown kind (publish again)");
    return text;
}

}  // namespace

bool LectureAccessibility::PassesAA() const
{
    return problem.empty() && std::all_of(criteria.begin(), criteria.end(), [](const Criterion& c) { return c.met; });
}

std::string LectureAccessibility::Failed() const
{
    std::string failed;
    for (const Criterion& c : criteria)
        if (!c.met)
            failed += (failed.empty() ? "" : ", ") + c.id;
    return failed.empty() && !problem.empty() ? problem : failed;
}

LectureAccessibility UnassessedLecture(const std::string& problem)
{
    LectureAccessibility a;
    a.problem = problem;
    return a;
}

LectureAccessibility AssessLecture(const LectureRecord& record)
{
    LectureAccessibility a;
    a.title = record.title;
    for (const LectureRecord::Part& p : record.parts) {
        PartAccessibility part;
        part.number = p.number;
        for (const LectureRecord::Track& t : p.tracks)
            part.captions.push_back({t.lang, kindOf(t)});
        part.descriptions = p.descriptions;
        part.transcript = !p.captions.empty();
        a.parts.push_back(std::move(part));
    }
    for (const LectureRecord::Slide& s : record.slides)
        if (s.text.find_first_not_of(" \t\r\n") == std::string::npos)
            a.slidesWithoutText.push_back(s.number);

    const bool slidesHaveText = a.slidesWithoutText.empty();
    const auto noPersonsCaptions = partsWithout(a.parts, byAPerson);
    const auto noDescriptions
        = partsWithout(a.parts, [](const PartAccessibility& p) { return !p.descriptions.empty(); });
    std::vector<int> unnamed;
    for (const PartAccessibility& p : a.parts)
        if (std::any_of(p.captions.begin(), p.captions.end(), [](const auto& c) { return c.lang.empty(); }))
            unnamed.push_back(p.number);

    a.criteria.push_back(
        {"1.1.1", "Non-text Content", "A", slidesHaveText,
         slidesHaveText ? "every slide has text" : numbers(a.slidesWithoutText, "slide", "slides") + " without text"});
    a.criteria.push_back({"1.2.2", "Captions (Prerecorded)", "A", noPersonsCaptions.empty(),
                          noPersonsCaptions.empty() ? "every part has captions the lecturer wrote or a person reviewed"
                                                    : withoutPersonsCaptions(a.parts)});
    const bool alternative = noPersonsCaptions.empty() && slidesHaveText;
    a.criteria.push_back({"1.2.3", "Audio Description or Media Alternative (Prerecorded)", "A",
                          noDescriptions.empty() || alternative,
                          noDescriptions.empty() ? "every part has audio descriptions"
                              : alternative      ? "the captions' transcript and the slides' text are an alternative"
                                                 : "no audio descriptions, and the captions or the slides' text "
                                                   "are not a full alternative"});
    a.criteria.push_back({"1.2.5", "Audio Description (Prerecorded)", "AA", noDescriptions.empty(),
                          noDescriptions.empty()
                              ? "every part has audio descriptions"
                              : numbers(noDescriptions, "part", "parts") + " without audio descriptions"});
    a.criteria.push_back(
        {"3.1.2", "Language of Parts", "AA", unnamed.empty(),
         unnamed.empty() ? "every captions track names its language"
                         : numbers(unnamed, "part", "parts") + " with captions of unknown language (publish again)"});
    return a;
}

}  // namespace pellucor
