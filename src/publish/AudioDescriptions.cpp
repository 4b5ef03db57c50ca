#include "publish/AudioDescriptions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "core/CaptionFiles.h"
#include "core/Captions.h"
#include "core/TavUtils.h"
#include "publish/LectureRecord.h"

namespace pellucor {

namespace {

std::vector<std::string> wordsIn(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::string firstWords(const std::vector<std::string>& words, size_t count)
{
    std::string out;
    for (size_t i = 0; i < std::min(count, words.size()); ++i)
        out += (out.empty() ? "" : " ") + words[i];
    return out;
}

// The slide's words without the lines already said: its title, and the
// "Slide N" a slide without one is given.
std::string bodyOf(const ShownSlide& s)
{
    std::string body;
    std::istringstream in(s.text);
    for (std::string line; std::getline(in, line);) {
        const std::string shown = Trim(line);
        if (!IEquals(shown, Trim(s.title)) && !IEquals(shown, "Slide " + std::to_string(s.number)))
            body += shown + "\n";
    }
    return body;
}

// The first moment from t on, before end, when nobody speaks, and when the
// next speech begins (end at most).
std::pair<double, double> pauseFrom(double t, double end, const SpeechTimes& speech)
{
    for (bool moved = true; moved;) {
        moved = false;
        for (const auto& [from, to] : speech)
            if (from <= t && t < to) {
                t = to;
                moved = true;
            }
    }
    double next = end;
    for (const auto& [from, to] : speech)
        if (from >= t)
            next = std::min(next, from);
    return {t, std::max(next, t)};
}

}  // namespace

std::vector<DescriptionCue> MakeDescriptions(const std::vector<ShownSlide>& slides, const SpeechTimes& speech,
                                             const DescriptionRules& rules)
{
    std::vector<DescriptionCue> cues;
    for (const ShownSlide& s : slides) {
        if (s.end <= s.start)
            continue;
        const std::string title = Trim(s.title);
        const std::vector<std::string> head
            = wordsIn("Slide " + std::to_string(s.number) + (title.empty() ? "." : ": " + title + "."));
        std::vector<std::string> words = head;
        for (std::string& w : wordsIn(bodyOf(s)))
            words.push_back(std::move(w));

        const auto [from, to] = pauseFrom(s.start, s.end, speech);
        const double pause = to - from;
        const auto fits = static_cast<size_t>(std::floor(pause * rules.wordsPerSecond));
        DescriptionCue cue;
        cue.slide = s.number;
        if (pause >= rules.shortestPause && fits >= head.size()) {
            const size_t count = std::min(fits, words.size());
            cue.start = from;
            cue.end
                = std::min(to, from + std::max(rules.shortestPause, static_cast<double>(count) / rules.wordsPerSecond));
            cue.text = firstWords(words, count);
        } else {
            // Said where the slide appears, or in the short pause after it.
            cue.start = from < s.end ? from : s.start;
            cue.end = std::min(s.end, cue.start + rules.shortestPause);
            if (cue.end <= cue.start)
                cue.end = cue.start + 0.001;
            cue.text = firstWords(words, std::max(rules.mostWords, head.size()));
            cue.extended = true;
        }
        cues.push_back(std::move(cue));
    }
    return cues;
}

std::string DescriptionsText(const std::vector<DescriptionCue>& cues)
{
    // CR LF, as every other WebVTT file the program writes.
    std::string out = "WEBVTT\r\n\r\n" + std::string(kMachineDescriptionsNote)
        + ": made from the slides' titles and text, not checked by a person\r\n";
    for (const DescriptionCue& c : cues)
        out += "\r\nslide-" + std::to_string(c.slide) + (c.extended ? " extended" : "") + "\r\n"
            + WebVttTiming(c.start, c.end) + "\r\n" + WebVttEscaped(c.text) + "\r\n";
    return out;
}

bool IsExtendedDescription(const std::string& cueId)
{
    const std::vector<std::string> words = wordsIn(cueId);
    return std::find(words.begin(), words.end(), "extended") != words.end();
}

std::vector<ShownSlide> SlidesOfPart(const Lecture& lecture, int p)
{
    std::vector<ShownSlide> shown;
    for (int n = 1; n <= lecture.SlideCount(); ++n) {
        const Slide& s = lecture.SlideAt(n);
        if (s.AudioPart == p || s.VideoPart == p)
            shown.push_back(
                {n, Tav_TimeToTicks(s.StartTime) / 60.0, Tav_TimeToTicks(s.EndTime) / 60.0, s.Title, s.Text});
    }
    return shown;
}

namespace {

// Where the lecturer speaks in part p: the cues of its captions, any
// language's; none without captions.
SpeechTimes speechOf(const std::string& recording, int p)
{
    SpeechTimes speech;
    std::string err;
    for (const CaptionLanguage& language : FindCaptionLanguages(recording, p, err)) {
        for (const std::string& source : language.files) {
            std::string vtt;
            std::vector<CaptionCue> cues;
            if (!ReadCaptions(source, vtt, err) || IsSlideEventsTrack(vtt) || !ReadCaptionCues(vtt, cues, err))
                continue;
            for (const CaptionCue& c : cues)
                speech.emplace_back(c.start, c.end);
            break;
        }
        if (!speech.empty())
            break;
    }
    return speech;
}

}  // namespace

bool PartDescriptionCues(const Lecture& lecture, int p, const std::string& recording, std::vector<DescriptionCue>& cues,
                         std::string& err)
{
    cues.clear();
    const std::string file = DescriptionsPath(recording);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        cues = MakeDescriptions(SlidesOfPart(lecture, p), speechOf(recording, p));
        return true;
    }
    std::string vtt;
    std::vector<CaptionCue> read;
    if (!ReadCaptions(file, vtt, err) || !ReadCaptionCues(vtt, read, err)) {
        err = "The audio descriptions " + file + " cannot be read: " + err;
        return false;
    }
    for (const CaptionCue& c : read) {
        DescriptionCue cue;
        cue.start = c.start;
        cue.end = c.end;
        cue.text = PlainText(c.text);
        cue.extended = IsExtendedDescription(c.id);
        cues.push_back(std::move(cue));
    }
    return true;
}

PartDescriptions DescribePart(const Lecture& lecture, int p, const std::string& recording, bool replace)
{
    PartDescriptions d;
    d.part = p;
    d.recording = recording;
    d.file = DescriptionsPath(recording);
    std::error_code ec;
    if (std::filesystem::exists(d.file, ec)) {
        if (!IsMachineCaptions(d.file)) {
            d.result = PartDescriptions::Result::LecturersKept;
            return d;
        }
        if (!replace) {
            d.result = PartDescriptions::Result::MachineKept;
            return d;
        }
    }
    const SpeechTimes speech = speechOf(recording, p);
    d.captions = !speech.empty();
    const std::vector<DescriptionCue> cues = MakeDescriptions(SlidesOfPart(lecture, p), speech);
    if (cues.empty()) {
        d.error = "part " + std::to_string(p) + " shows no slide to describe";
        return d;
    }
    if (!WriteMachineCaptions(d.file, DescriptionsText(cues), d.error))
        return d;
    d.cues = cues.size();
    d.extended = static_cast<size_t>(std::count_if(cues.begin(), cues.end(), [](auto& c) { return c.extended; }));
    d.result = PartDescriptions::Result::Written;
    return d;
}

}  // namespace pellucor
