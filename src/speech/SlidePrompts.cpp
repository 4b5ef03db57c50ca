#include "speech/SlidePrompts.h"

#include <QRegularExpression>
#include <QString>

#include <algorithm>

#include "core/LectureLoader.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {

// The words of a slide worth telling: four letters or more (short words
// the recogniser knows), each once, as the slide spells them.
std::vector<std::string> termsOf(const std::string& text)
{
    static const QRegularExpression word(QStringLiteral("[\\p{L}][\\p{L}\\p{N}'’-]{3,}"));
    std::vector<std::string> terms;
    auto it = word.globalMatch(QString::fromStdString(text));
    while (it.hasNext()) {
        const std::string term = it.next().captured(0).toStdString();
        if (std::none_of(terms.begin(), terms.end(), [&](const std::string& t) { return IEquals(t, term); }))
            terms.push_back(term);
    }
    return terms;
}

}  // namespace

SlidePrompts SlidePrompts::ForPart(const std::string& mediaDir, const std::string& lecName, int part)
{
    SlidePrompts prompts;
    Lecture lecture;
    const auto load = [&](bool titlesAndText, std::string& err) {
        return LectureLoader::ReadQuietly(mediaDir, lecName, titlesAndText, lecture, err);
    };
    // The slides' titles and words; where those cannot be read, at least
    // the slides' times (whose names then say nothing).
    std::string err;
    if (!load(true, err)) {
        Tav_DebugLog("Captions without the slides' titles and words: " + err);
        if (!load(false, err))
            return prompts;
    }
    for (const Slide& s : lecture.Slides)
        if (s.AudioPart == part || s.VideoPart == part)
            prompts.Add(Tav_TimeToTicks(s.StartTime) / 60.0, Tav_TimeToTicks(s.EndTime) / 60.0, s.Title, s.Text);
    return prompts;
}

void SlidePrompts::Add(double start, double end, const std::string& title, const std::string& text)
{
    shown_.push_back({start, std::max(end, start), Trim(title), termsOf(text)});
}

std::string SlidePrompts::For(double from, double to, size_t maxChars) const
{
    // The titles first (a sentence each), then the terms not in them.
    std::string titles, terms;
    std::vector<std::string> said;
    const auto known = [&](const std::string& term) {
        return std::any_of(said.begin(), said.end(), [&](const std::string& s) { return IEquals(s, term); });
    };
    for (const Shown& s : shown_) {
        if (s.end <= from || s.start >= to)
            continue;
        if (!s.title.empty() && titles.find(s.title) == std::string::npos) {
            titles += s.title + ". ";
            for (const std::string& t : termsOf(s.title))
                said.push_back(t);
        }
        for (const std::string& t : s.terms)
            if (!known(t)) {
                said.push_back(t);
                terms += (terms.empty() ? "" : ", ") + t;
            }
    }
    std::string prompt = Trim(titles + terms);
    if (prompt.size() > maxChars) {
        // Cut at a word, never inside a character.
        prompt.resize(maxChars);
        const auto cut = prompt.find_last_of(" ,");
        prompt.resize(cut == std::string::npos ? 0 : cut);
    }
    return prompt;
}

}  // namespace pellucor
