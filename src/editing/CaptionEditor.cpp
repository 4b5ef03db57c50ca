#include "editing/CaptionEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "core/CaptionFiles.h"
#include "core/Captions.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"

namespace pellucor {

namespace {

// A cue's marks, one a word of its text: those given where they fit, else
// all certain.
std::vector<WordMark> fitted(std::vector<WordMark> marks, const std::string& text)
{
    const size_t words = CaptionWords(text).size();
    if (marks.size() != words)
        marks.assign(words, WordMark {});
    return marks;
}

// The first note of automatic captions, up to its blank line ("" lines
// when it is not there).
std::vector<std::string> firstNote(const std::string& raw)
{
    std::vector<std::string> lines;
    if (!OpensAsMachineCaptions(raw))
        return lines;
    std::istringstream in(raw.substr(raw.find(kMachineCaptionsNote)));
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.empty())
            break;
        if (Lower(line).rfind("reviewed:", 0) != 0)
            lines.push_back(line);
    }
    return lines;
}

// What the machine-made note says at its end, before and after a review.
constexpr std::string_view kNotChecked = "not checked by a person", kChecked = "reviewed by a person";

std::string joinedWords(const std::vector<std::string>& words, size_t from, size_t to)
{
    std::string text;
    for (size_t i = from; i < to; ++i)
        text += (text.empty() ? "" : " ") + words[i];
    return text;
}

}  // namespace

CaptionEditor::CaptionEditor(QObject* parent) : QObject(parent) { }

bool CaptionEditor::Open(const std::string& captionsFile, const std::string& recording, std::string& err)
{
    recording_ = recording;
    captionsFile_ = captionsFile;
    descriptions_ = false;
    return read(captionsFile, err);
}

bool CaptionEditor::OpenDescriptions(bool descriptions, std::string& err)
{
    descriptions_ = descriptions;
    return read(descriptions ? DescriptionsPath(recording_) : captionsFile_, err);
}

bool CaptionEditor::read(const std::string& captionsFile, std::string& err)
{
    file_ = captionsFile;
    cues_.clear();
    modified_ = false;
    subRip_ = IEquals(std::filesystem::path(captionsFile).extension().string(), ".srt");
    automatic_ = false;
    saidReviewed_ = confident_ = false;
    machineNote_.clear();
    bool ok = true;
    if (std::filesystem::exists(captionsFile)) {
        std::string vtt, raw;
        std::vector<CaptionCue> read;
        ok = ReadCaptions(captionsFile, vtt, err) && ReadCaptionCues(vtt, read, err);
        std::vector<std::vector<WordMark>> marks;
        if (!subRip_ && ReadWholeFile(captionsFile, raw)) {
            automatic_ = KindOfCaptions(captionsFile, raw).automatic;
            machineNote_ = firstNote(raw);
            saidReviewed_ = CaptionsReview(raw) == "yes";
            marks = CueConfidences(raw);
            if (marks.size() != read.size())
                marks.clear();  // cues that cannot be told apart: no marks rather than wrong ones
        }
        for (size_t i = 0; i < read.size(); ++i) {
            const CaptionCue& c = read[i];
            std::string text;
            for (const std::string& line : c.lines)
                text += (text.empty() ? "" : "\n") + line;
            confident_ = confident_ || (i < marks.size() && !marks[i].empty());
            cues_.push_back(
                {c.start, c.end, text, fitted(i < marks.size() ? marks[i] : std::vector<WordMark>(), text), c.id});
        }
    }
    emit cuesChanged();
    return ok;
}

void CaptionEditor::changed()
{
    modified_ = true;
    emit cuesChanged();
}

bool CaptionEditor::SetText(size_t cue, const std::string& text)
{
    if (cue >= cues_.size())
        return false;
    if (cues_[cue].text != text) {
        // Fixed in place: its words were seen; words added or taken away
        // leave it without marks.
        Cue& c = cues_[cue];
        for (WordMark& m : c.marks)
            m.seen = true;
        c.text = text;
        c.marks = fitted(c.marks, text);
        changed();
    }
    return true;
}

bool CaptionEditor::SetStart(size_t cue, const std::string& time, std::string& err)
{
    return setTime(cue, true, time, err);
}

bool CaptionEditor::SetEnd(size_t cue, const std::string& time, std::string& err)
{
    return setTime(cue, false, time, err);
}

bool CaptionEditor::setTime(size_t cue, bool start, const std::string& time, std::string& err)
{
    double seconds = 0;
    if (cue >= cues_.size() || !ParseTime(time, seconds)) {
        err = "\"" + time + "\" is no time: write it as 00:01:02.500 (hours, minutes, seconds)";
        return false;
    }
    (start ? cues_[cue].start : cues_[cue].end) = seconds;
    changed();
    return true;
}

bool CaptionEditor::Split(size_t cue)
{
    if (cue >= cues_.size())
        return false;
    const std::vector<std::string> words = CaptionWords(cues_[cue].text);
    if (words.size() < 2)
        return false;
    const size_t half = words.size() / 2;
    const std::string first = joinedWords(words, 0, half), second = joinedWords(words, half, words.size());
    const Cue whole = cues_[cue];
    const std::vector<WordMark> marks = fitted(whole.marks, whole.text);
    const auto middle = marks.begin() + static_cast<std::ptrdiff_t>(half);
    const double share = static_cast<double>(first.size()) / static_cast<double>(first.size() + second.size());
    const double at = std::round((whole.start + (whole.end - whole.start) * share) * 1000) / 1000;
    cues_[cue] = {whole.start, at, first, {marks.begin(), middle}, whole.id};
    cues_.insert(cues_.begin() + static_cast<std::ptrdiff_t>(cue) + 1,
                 Cue {at, whole.end, second, {middle, marks.end()}, {}});
    changed();
    return true;
}

bool CaptionEditor::Merge(size_t cue)
{
    if (cue + 1 >= cues_.size())
        return false;
    cues_[cue].end = std::max(cues_[cue].end, cues_[cue + 1].end);
    const std::vector<std::string> words = CaptionWords(cues_[cue].text + " " + cues_[cue + 1].text);
    cues_[cue].text = joinedWords(words, 0, words.size());
    cues_[cue].marks.insert(cues_[cue].marks.end(), cues_[cue + 1].marks.begin(), cues_[cue + 1].marks.end());
    cues_.erase(cues_.begin() + static_cast<std::ptrdiff_t>(cue) + 1);
    changed();
    return true;
}

void CaptionEditor::PlayFrom(size_t cue)
{
    if (cue < cues_.size())
        emit playRequested(QString::fromStdString(recording_), cues_[cue].start);
}

std::string CaptionEditor::Problem(size_t cue) const
{
    if (cue >= cues_.size())
        return "there is no such cue";
    const Cue& c = cues_[cue];
    if (Trim(c.text).empty())
        return "it has no text";
    if (c.end <= c.start)
        return "it ends before it starts";
    if (cue > 0 && c.start < cues_[cue - 1].start)
        return "it starts before the cue above it";
    return {};
}

bool CaptionEditor::Save(std::string& err)
{
    for (size_t i = 0; i < cues_.size(); ++i)
        if (const std::string why = Problem(i); !why.empty()) {
            err = "Cue " + std::to_string(i + 1) + " (" + TimeText(cues_[i].start) + "): " + why;
            return false;
        }
    const bool review = automatic_ && !subRip_;
    std::string text = subRip_ ? "" : "WEBVTT\r\n\r\n" + (review ? reviewLines() : "");
    for (size_t i = 0; i < cues_.size(); ++i) {
        const Cue& c = cues_[i];
        if (review && confident_)
            text += ConfidenceNote(c.marks) + "\r\n\r\n";
        if (subRip_)
            text += std::to_string(i + 1) + "\r\n" + SubRipTime(c.start) + " --> " + SubRipTime(c.end) + "\r\n";
        else
            text += (c.id.empty() ? "" : c.id + "\r\n") + WebVttTiming(c.start, c.end) + "\r\n";
        for (const std::string& line : Tav_Split(c.text, "\n"))
            if (!Trim(line).empty())
                text += Trim(line) + "\r\n";
        text += "\r\n";
    }
    // The text first, then the mark: a stop in between leaves a file whose
    // text no longer matches its mark, which counts as the lecturer's too.
    if (!WriteFileAtomically(file_, text, err) || !DropMachineMark(file_, err))
        return false;
    modified_ = false;
    emit cuesChanged();
    return true;
}

// The first note of automatic captions as saved after a person worked on
// them: what made them, whether a person checked them, and the review.
std::string CaptionEditor::reviewLines() const
{
    std::vector<std::string> note = machineNote_;
    if (note.empty())
        note.push_back(std::string(kMachineCaptionsNote) + ": made by speech recognition, " + std::string(kNotChecked));
    std::string& first = note.front();
    const bool reviewed = Reviewed();
    for (const std::string_view from : {kNotChecked, kChecked})
        if (const size_t at = first.rfind(from); at != std::string::npos && at + from.size() == first.size())
            first.replace(at, from.size(), reviewed ? kChecked : kNotChecked);
    std::string text;
    for (const std::string& line : note)
        text += line + "\r\n";
    return text + "Reviewed: " + (reviewed ? "yes" : "no") + "\r\n\r\n";
}

size_t CaptionEditor::DoubtfulLeft() const
{
    size_t left = 0;
    for (size_t i = 0; i < cues_.size(); ++i)
        left += DoubtfulWords(i).size();
    return left;
}

double CaptionEditor::ReviewedShare() const
{
    size_t doubtful = 0;
    for (const Cue& c : cues_)
        doubtful += static_cast<size_t>(std::count_if(c.marks.begin(), c.marks.end(), IsDoubtful));
    if (saidReviewed_ || doubtful == 0)
        return 1;
    return 1 - static_cast<double>(DoubtfulLeft()) / static_cast<double>(doubtful);
}

bool CaptionEditor::Reviewed() const { return automatic_ && (saidReviewed_ || (confident_ && DoubtfulLeft() == 0)); }

void CaptionEditor::SetReviewed(bool reviewed)
{
    if (saidReviewed_ != reviewed) {
        saidReviewed_ = reviewed;
        changed();
    }
}

std::vector<size_t> CaptionEditor::DoubtfulWords(size_t cue) const
{
    std::vector<size_t> words;
    if (cue < cues_.size())
        for (size_t w = 0; w < cues_[cue].marks.size(); ++w)
            if (IsDoubtful(cues_[cue].marks[w]) && !cues_[cue].marks[w].seen)
                words.push_back(w);
    return words;
}

bool CaptionEditor::NextDoubtful(size_t from)
{
    for (size_t step = 0; step < cues_.size(); ++step) {
        const size_t cue = (from + step) % cues_.size();
        const std::vector<size_t> doubtful = DoubtfulWords(cue);
        if (doubtful.empty())
            continue;
        Cue& c = cues_[cue];
        const size_t word = doubtful.front();
        c.marks[word].seen = true;
        // Where the word is said, told from where it stands in the text.
        const std::vector<std::string> words = CaptionWords(c.text);
        size_t before = 0, all = 0;
        for (size_t w = 0; w < words.size(); ++w) {
            before += w < word ? words[w].size() + 1 : 0;
            all += words[w].size() + 1;
        }
        const double said = c.start + (c.end - c.start) * static_cast<double>(before) / static_cast<double>(all);
        changed();
        emit doubtfulShown(static_cast<int>(cue), static_cast<int>(word));
        emit playRequested(QString::fromStdString(recording_), std::max(0.0, said - 1));
        return true;
    }
    return false;
}

std::string CaptionEditor::TimeText(double seconds) { return WebVttTime(seconds); }

bool CaptionEditor::ParseTime(const std::string& text, double& seconds)
{
    std::string t = Trim(text);
    for (char& c : t)
        if (c == ',')
            c = '.';
    double total = 0;
    size_t fields = 0;
    std::istringstream in(t);
    for (std::string part; std::getline(in, part, ':');) {
        // Digits with at most one point among them ("." alone is no time).
        const size_t point = part.find('.');
        if (++fields > 3 || part.find_first_not_of("0123456789.") != std::string::npos
            || part.find_first_of("0123456789") == std::string::npos
            || (point != std::string::npos && part.find('.', point + 1) != std::string::npos))
            return false;
        total = total * 60 + std::strtod(part.c_str(), nullptr);
    }
    if (fields == 0 || !std::isfinite(total))
        return false;
    seconds = total;
    return true;
}

}  // namespace pellucor
