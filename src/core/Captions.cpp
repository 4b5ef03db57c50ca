#include "core/Captions.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include "core/CaptionFiles.h"
#include "core/FileLookup.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {

// Captions of a whole day's lecture stay far below this; anything larger is
// not a captions file.
constexpr std::uintmax_t kMaxCaptionsBytes = 32u * 1024 * 1024;

}  // namespace

// UTF-16 is how Windows editors save "Unicode" text; a lone surrogate
// becomes U+FFFD.
std::string TextAsUtf8(const std::string& raw)
{
    QByteArray bytes = QByteArray::fromRawData(raw.data(), static_cast<qsizetype>(raw.size()));
    const auto bom = QStringConverter::encodingForData(bytes);
    if (bom == QStringConverter::Utf16LE || bom == QStringConverter::Utf16BE) {
        QStringDecoder utf16(*bom);
        return QString(utf16(bytes)).toStdString();
    }
    if (bom == QStringConverter::Utf8)
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes).toStdString() : text.toStdString();
}

namespace {

// The text's lines, without a byte-order mark, split at CR LF, LF or CR.
std::vector<std::string> textLines(const std::string& raw)
{
    const std::string text = TextAsUtf8(raw);
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

bool blank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

bool allDigits(const std::string& s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos; }

// "[h:]mm:ss[.,]fff" from pos (hours of any length, a fraction of one to
// three digits or none); pos moves past it.
bool readTime(const std::string& s, size_t& pos, long long& ms)
{
    std::vector<std::string> fields;
    std::string frac;
    size_t i = pos;
    std::string field;
    while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == ':')) {
        if (s[i] == ':') {
            fields.push_back(field);
            field.clear();
        } else {
            field += s[i];
        }
        ++i;
    }
    fields.push_back(field);
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            frac += s[i++];
        if (frac.empty() || frac.size() > 3)
            return false;
    }
    if (fields.size() < 2 || fields.size() > 3)
        return false;
    for (const auto& f : fields)
        if (!allDigits(f) || f.size() > 9)
            return false;
    const size_t n = fields.size();
    const long long sec = std::stoll(fields[n - 1]);
    const long long min = std::stoll(fields[n - 2]);
    const long long hours = n == 3 ? std::stoll(fields[0]) : 0;
    if (fields[n - 1].size() != 2 || fields[n - 2].size() > 2 || sec > 59 || min > 59)
        return false;
    while (frac.size() < 3)
        frac += '0';
    ms = ((hours * 60 + min) * 60 + sec) * 1000 + std::stoll(frac);
    pos = i;
    return true;
}

struct Timing {
    long long start = 0, end = 0;
    std::string settings;
};

// A cue's time line: start, "-->", end and, in WebVTT, the cue settings.
bool readTiming(const std::string& line, Timing& t)
{
    size_t pos = line.find_first_not_of(" \t");
    if (pos == std::string::npos || !readTime(line, pos, t.start))
        return false;
    pos = line.find_first_not_of(" \t", pos);
    if (pos == std::string::npos || line.compare(pos, 3, "-->") != 0)
        return false;
    pos = line.find_first_not_of(" \t", pos + 3);
    if (pos == std::string::npos || !readTime(line, pos, t.end))
        return false;
    if (pos < line.size() && line[pos] != ' ' && line[pos] != '\t')
        return false;
    t.settings = Trim(line.substr(pos));
    return true;
}

bool isTiming(const std::string& line)
{
    Timing t;
    return line.find("-->") != std::string::npos && readTiming(line, t);
}

std::string at(size_t index) { return "line " + std::to_string(index + 1) + ": "; }

std::string quoted(const std::string& line)
{
    return "\"" + (line.size() > 60 ? line.substr(0, 60) + "..." : line) + "\"";
}

struct Cue {
    std::string id;
    Timing timing;
    std::vector<std::string> text;
};

// Reads cues from lines[i] on until the end. A cue is an optional
// identifier line, a time line and text up to a blank line (or up to the
// next time line, when the blank line between two cues was lost). With
// others given (WebVTT), NOTE, STYLE and REGION blocks before the first cue
// are kept there as they are; later ones are dropped.
bool readCues(const std::vector<std::string>& lines, size_t i, bool keepSettings, std::vector<Cue>& cues,
              std::vector<std::vector<std::string>>* others, std::string& err)
{
    const auto startsBlockWord = [](const std::string& line) {
        for (const char* word : {"NOTE", "STYLE", "REGION"}) {
            const size_t n = std::char_traits<char>::length(word);
            if (line.compare(0, n, word) == 0 && (line.size() == n || line[n] == ' ' || line[n] == '\t'))
                return true;
        }
        return false;
    };
    while (i < lines.size()) {
        if (blank(lines[i])) {
            ++i;
            continue;
        }
        if (others && startsBlockWord(lines[i])) {
            std::vector<std::string> block;
            while (i < lines.size() && !blank(lines[i]))
                block.push_back(lines[i++]);
            if (cues.empty())
                others->push_back(block);
            continue;
        }
        Cue cue;
        if (lines[i].find("-->") == std::string::npos) {
            if (i + 1 >= lines.size() || lines[i + 1].find("-->") == std::string::npos) {
                err = at(i) + "expected a cue number or a time line such as 00:00:01,000 --> 00:00:04,000, found "
                    + quoted(lines[i]);
                return false;
            }
            cue.id = Trim(lines[i++]);
        }
        if (!readTiming(lines[i], cue.timing)) {
            err = at(i) + "the times cannot be read (expected hh:mm:ss,mmm --> hh:mm:ss,mmm): " + quoted(lines[i]);
            return false;
        }
        if (cue.timing.end < cue.timing.start) {
            err = at(i) + "the cue ends before it starts: " + quoted(lines[i]);
            return false;
        }
        if (!keepSettings)
            cue.timing.settings.clear();
        ++i;
        while (i < lines.size() && !blank(lines[i])) {
            if (isTiming(lines[i]) || (allDigits(Trim(lines[i])) && i + 1 < lines.size() && isTiming(lines[i + 1])))
                break;
            std::string text = lines[i++];
            // "-->" would end the cue text early in WebVTT.
            for (size_t p = text.find("-->"); p != std::string::npos; p = text.find("-->", p))
                text.replace(p, 3, "--&gt;");
            cue.text.push_back(text);
        }
        cues.push_back(std::move(cue));
    }
    if (cues.empty()) {
        err = "it holds no captions (no cue with a time line such as 00:00:01,000 --> 00:00:04,000)";
        return false;
    }
    return true;
}

void writeCues(std::ostringstream& out, const std::vector<Cue>& cues)
{
    for (const Cue& cue : cues) {
        WriteLine(out, "");
        if (!cue.id.empty())
            WriteLine(out, cue.id);
        std::string timing
            = WebVttTiming(static_cast<double>(cue.timing.start) / 1000, static_cast<double>(cue.timing.end) / 1000);
        if (!cue.timing.settings.empty())
            timing += " " + cue.timing.settings;
        WriteLine(out, timing);
        for (const auto& line : cue.text)
            WriteLine(out, line);
    }
}

// The text as a JavaScript string literal.
std::string jsString(const std::string& s)
{
    std::string out = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '<': out += "\\u003c"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else if (c == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80
                       && (static_cast<unsigned char>(s[i + 2]) == 0xA8
                           || static_cast<unsigned char>(s[i + 2]) == 0xA9)) {
                // Line and paragraph separators end a line in older scripts.
                out += static_cast<unsigned char>(s[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
                i += 2;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

bool writeFile(const std::string& path, const std::string& content, std::string& err)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out) {
        err = "unable to write " + path + ": " + ErrnoText();
        return false;
    }
    return true;
}

}  // namespace

bool SrtToWebVtt(const std::string& srt, std::string& vtt, std::string& err)
{
    const auto lines = textLines(srt);
    std::vector<Cue> cues;
    if (!readCues(lines, 0, false, cues, nullptr, err))
        return false;
    std::ostringstream out;
    WriteLine(out, "WEBVTT");
    writeCues(out, cues);
    vtt = out.str();
    return true;
}

namespace {

// The tidied text; with cuts, every cue moved by the cuts before it, one
// inside a cut left out, one across a cut shortened by it.
bool tidy(const std::string& text, const CutList* cuts, std::string& vtt, std::string& err)
{
    const auto lines = textLines(text);
    const std::string first = lines.empty() ? std::string() : lines[0];
    if (first.compare(0, 6, "WEBVTT") != 0 || (first.size() > 6 && first[6] != ' ' && first[6] != '\t')) {
        err = at(0) + "a WebVTT file begins with WEBVTT, found " + quoted(first);
        return false;
    }
    std::ostringstream out;
    size_t i = 0;
    // The header: the WEBVTT line and what follows it up to a blank line.
    for (; i < lines.size() && !blank(lines[i]); ++i) {
        if (i > 0 && lines[i].find("-->") != std::string::npos) {
            err = at(i) + "a blank line must separate the WEBVTT line from the first cue";
            return false;
        }
        WriteLine(out, lines[i]);
    }
    std::vector<Cue> cues;
    std::vector<std::vector<std::string>> blocks;
    if (!readCues(lines, i, true, cues, &blocks, err))
        return false;
    for (const auto& block : blocks) {
        WriteLine(out, "");
        for (const auto& line : block)
            WriteLine(out, line);
    }
    if (cuts && !cuts->Empty()) {
        std::vector<Cue> kept;
        for (Cue cue : cues) {
            const double from = cuts->Shifted(static_cast<double>(cue.timing.start) / 1000);
            const double to = cuts->Shifted(static_cast<double>(cue.timing.end) / 1000);
            if (to <= from)
                continue;
            cue.timing.start = std::llround(from * 1000);
            cue.timing.end = std::llround(to * 1000);
            kept.push_back(std::move(cue));
        }
        cues = std::move(kept);
    }
    writeCues(out, cues);
    vtt = out.str();
    return true;
}

}  // namespace

bool TidyWebVtt(const std::string& text, std::string& vtt, std::string& err) { return tidy(text, nullptr, vtt, err); }

bool CutWebVtt(const std::string& text, const CutList& cuts, std::string& vtt, std::string& err)
{
    return tidy(text, &cuts, vtt, err);
}

bool IsSlideEventsTrack(const std::string& vtt)
{
    const auto lines = textLines(vtt);
    int cues = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!isTiming(lines[i]))
            continue;
        const std::string text = i + 1 < lines.size() ? Trim(lines[i + 1]) : std::string();
        const bool alone = i + 2 >= lines.size() || blank(lines[i + 2]);
        if (!alone || text.empty() || text.find_first_of(" \t") != std::string::npos || !EndsWith(Lower(text), ".htm"))
            return false;
        ++cues;
    }
    return cues > 0;
}

bool ReadCaptions(const std::string& source, std::string& vtt, std::string& err)
{
    const std::string prefix = "The captions file " + source + " cannot be published: ";
    if (const std::string problem = FileProblem(source); !problem.empty()) {
        err = prefix + problem;
        return false;
    }
    std::error_code ec;
    if (std::filesystem::file_size(source, ec) > kMaxCaptionsBytes) {
        err = prefix + "it is too large to be captions";
        return false;
    }
    std::ifstream in(source, std::ios::binary);
    std::stringstream raw;
    raw << in.rdbuf();
    if (in.bad()) {
        err = prefix + "it cannot be read";
        return false;
    }
    std::string why;
    const bool srt = EndsWith(Lower(source), ".srt");
    if (!(srt ? SrtToWebVtt(raw.str(), vtt, why) : TidyWebVtt(raw.str(), vtt, why))) {
        err = prefix + why;
        return false;
    }
    return true;
}

bool WriteCaptions(const std::string& vtt, const std::string& vttPath, const std::string& jsPath,
                   const std::string& key, std::string& err)
{
    std::ostringstream js;
    WriteLine(js, "// The captions of part " + key + " for pages opened from disk.");
    WriteLine(js,
              "(window.pellucorCaptions = window.pellucorCaptions || {})[" + jsString(key) + "] = " + jsString(vtt)
                  + ";");
    if (!writeFile(vttPath, vtt, err) || !writeFile(jsPath, js.str(), err)) {
        std::error_code ec;
        std::filesystem::remove(vttPath, ec);
        std::filesystem::remove(jsPath, ec);
        return false;
    }
    return true;
}

bool ReadCaptionCues(const std::string& vtt, std::vector<CaptionCue>& cues, std::string& err)
{
    const auto lines = textLines(vtt);
    if (lines.empty() || lines[0].compare(0, 6, "WEBVTT") != 0) {
        err = at(0) + "a WebVTT file begins with WEBVTT";
        return false;
    }
    size_t i = 0;
    while (i < lines.size() && !blank(lines[i]))
        ++i;
    std::vector<Cue> read;
    std::vector<std::vector<std::string>> blocks;
    if (!readCues(lines, i, false, read, &blocks, err))
        return false;
    cues.clear();
    for (const Cue& cue : read) {
        std::string text;
        for (const auto& line : cue.text)
            text += (text.empty() ? "" : " ") + line;
        cues.push_back({static_cast<double>(cue.timing.start) / 1000.0, text,
                        static_cast<double>(cue.timing.end) / 1000.0, cue.text, cue.id});
    }
    return true;
}

}  // namespace pellucor
