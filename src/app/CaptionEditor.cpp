#include "app/CaptionEditor.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "core/CaptionFiles.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "publish/Captions.h"

namespace pellucor {

namespace {

std::vector<std::string> editorWords(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::string joinedWords(const std::vector<std::string>& words, size_t from, size_t to)
{
    std::string text;
    for (size_t i = from; i < to; ++i)
        text += (text.empty() ? "" : " ") + words[i];
    return text;
}

// SubRip writes its times with a comma.
std::string subRipTime(double seconds)
{
    std::string t = CaptionEditor::TimeText(seconds);
    t[8] = ',';
    return t;
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
    automatic_ = IsMachineCaptions(captionsFile);
    bool ok = true;
    if (std::filesystem::exists(captionsFile)) {
        std::string vtt;
        std::vector<CaptionCue> read;
        ok = ReadCaptions(captionsFile, vtt, err) && ReadCaptionCues(vtt, read, err);
        for (const CaptionCue& c : read) {
            std::string text;
            for (const std::string& line : c.lines)
                text += (text.empty() ? "" : "\n") + line;
            cues_.push_back({c.start, c.end, text, c.id});
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
        cues_[cue].text = text;
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
    const std::vector<std::string> words = editorWords(cues_[cue].text);
    if (words.size() < 2)
        return false;
    const size_t half = words.size() / 2;
    const std::string first = joinedWords(words, 0, half), second = joinedWords(words, half, words.size());
    const Cue whole = cues_[cue];
    const double share = static_cast<double>(first.size()) / static_cast<double>(first.size() + second.size());
    const double at = std::round((whole.start + (whole.end - whole.start) * share) * 1000) / 1000;
    cues_[cue] = {whole.start, at, first, whole.id};
    cues_.insert(cues_.begin() + static_cast<std::ptrdiff_t>(cue) + 1, Cue {at, whole.end, second, {}});
    changed();
    return true;
}

bool CaptionEditor::Merge(size_t cue)
{
    if (cue + 1 >= cues_.size())
        return false;
    cues_[cue].end = std::max(cues_[cue].end, cues_[cue + 1].end);
    const std::vector<std::string> words = editorWords(cues_[cue].text + " " + cues_[cue + 1].text);
    cues_[cue].text = joinedWords(words, 0, words.size());
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
    std::string text = subRip_ ? "" : "WEBVTT\r\n\r\n";
    for (size_t i = 0; i < cues_.size(); ++i) {
        const Cue& c = cues_[i];
        if (subRip_)
            text += std::to_string(i + 1) + "\r\n" + subRipTime(c.start) + " --> " + subRipTime(c.end) + "\r\n";
        else
            text += (c.id.empty() ? "" : c.id + "\r\n") + TimeText(c.start) + " --> " + TimeText(c.end) + "\r\n";
        for (const std::string& line : Tav_Split(c.text, "\n"))
            if (!Trim(line).empty())
                text += Trim(line) + "\r\n";
        text += "\r\n";
    }
    // The text first, then the mark: a stop in between leaves a file whose
    // text no longer matches its mark, which counts as the lecturer's too.
    if (!WriteFileAtomically(file_, text, err) || !DropMachineMark(file_, err))
        return false;
    automatic_ = false;
    modified_ = false;
    emit cuesChanged();
    return true;
}

std::string CaptionEditor::TimeText(double seconds)
{
    const auto ms = static_cast<long long>(std::llround(std::max(0.0, seconds) * 1000));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    return buf;
}

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
        if (part.empty() || ++fields > 3 || part.find_first_not_of("0123456789.") != std::string::npos)
            return false;
        total = total * 60 + std::stod(part);
    }
    if (fields == 0)
        return false;
    seconds = total;
    return true;
}

}  // namespace pellucor
