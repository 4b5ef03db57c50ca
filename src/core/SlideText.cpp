#include "core/SlideText.h"

#include <QCryptographicHash>
#include <QFile>

#include <array>
#include <cctype>
#include <vector>

#include "core/TavString.h"
#include "core/TextFile.h"

namespace pellucor {

namespace {

constexpr const char* kMagic = "# Pellucor slide text";
constexpr size_t kMaxSlideTextBytes = 1 << 20;

struct SourceName {
    SlideTextSource source;
    const char* key;
};
constexpr std::array<SourceName, 4> kSources {{
    {SlideTextSource::Deck, "deck"},
    {SlideTextSource::Pdf, "pdf"},
    {SlideTextSource::Ocr, "ocr"},
    {SlideTextSource::Lecturer, "lecturer"},
}};

// A header value on one line: breaks become blanks.
std::string headerValue(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '\r' || c == '\n' ? ' ' : c;
    return Trim(out);
}

// The lines of a text, without their CR LF or LF ends.
std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    while (from <= text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        from = end + 1;
    }
    return lines;
}

}  // namespace

std::string SlideTextFileFor(const std::string& picture)
{
    const size_t slash = picture.find_last_of('/');
    const size_t dot = picture.rfind('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExt ? picture.substr(0, dot) : picture) + ".text";
}

std::string SlideTextSourceKey(SlideTextSource source)
{
    for (const SourceName& s : kSources)
        if (s.source == source)
            return s.key;
    return "";
}

std::string SlideTextSourceLabel(const SlideText& text)
{
    switch (text.source) {
    case SlideTextSource::Deck: return "the presentation";
    case SlideTextSource::Pdf: return "the PDF's text";
    case SlideTextSource::Ocr:
        return text.confidence >= 0 ? "OCR (" + std::to_string(text.confidence) + "%)" : std::string("OCR");
    case SlideTextSource::Lecturer: return "the lecturer";
    case SlideTextSource::None: break;
    }
    return "";
}

std::string FormatSlideText(const SlideText& t)
{
    std::string out(kMagic);
    out += "\r\n";
    const auto line = [&](const char* key, const std::string& value) {
        if (!value.empty())
            out.append("# ").append(key).append(": ").append(headerValue(value)).append("\r\n");
    };
    line("source", SlideTextSourceKey(t.source));
    line("language", t.language);
    line("confidence", t.confidence >= 0 ? std::to_string(t.confidence) : std::string());
    line("picture", t.picture);
    line("title", t.title);
    out += "\r\n";
    for (const std::string& l : splitLines(t.text))
        out += l + "\r\n";
    return out;
}

bool ParseSlideText(const std::string& content, SlideText& out)
{
    out = SlideText {};
    const std::vector<std::string> lines = splitLines(content);
    if (lines.empty() || lines[0] != kMagic)
        return false;
    size_t i = 1;
    for (; i < lines.size() && !lines[i].empty(); ++i) {
        const std::string& l = lines[i];
        const size_t colon = l.find(':');
        if (!StartsWith(l, "# ") || colon == std::string::npos)
            return false;
        const std::string key = Lower(Trim(l.substr(2, colon - 2)));
        const std::string value = Trim(l.substr(colon + 1));
        if (key == "source") {
            for (const SourceName& s : kSources)
                if (value == s.key)
                    out.source = s.source;
        } else if (key == "language") {
            out.language = value;
        } else if (key == "confidence") {
            out.confidence = value.empty() || !std::isdigit(static_cast<unsigned char>(value[0]))
                ? -1
                : std::min(100, std::atoi(value.c_str()));
        } else if (key == "picture") {
            out.picture = value;
        } else if (key == "title") {
            out.title = value;
        }
    }
    if (out.source == SlideTextSource::None)
        return false;
    std::string text;
    for (size_t k = i + 1; k < lines.size(); ++k)
        text += (k > i + 1 ? "\n" : "") + lines[k];
    out.text = Trim(text);
    return true;
}

bool ReadSlideText(const std::string& path, SlideText& out, std::string& err)
{
    err.clear();
    QFile file(QString::fromStdString(path));
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly)) {
        err = "Unable to read " + path + ": " + file.errorString().toStdString();
        return false;
    }
    const QByteArray bytes = file.read(kMaxSlideTextBytes + 1);
    if (bytes.size() > static_cast<qsizetype>(kMaxSlideTextBytes) || !ParseSlideText(bytes.toStdString(), out)) {
        err = path + " is not a slide text file";
        return false;
    }
    return true;
}

bool WriteSlideText(const std::string& path, const SlideText& text, std::string& err)
{
    return WriteFileAtomically(path, FormatSlideText(text), err);
}

std::string FileContentHash(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return "";
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return "";
    return hash.result().toHex().toStdString();
}

std::string SlideTextOnOneLine(const std::string& text)
{
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
            space = !out.empty();
        } else {
            if (space)
                out += ' ';
            space = false;
            out += c;
        }
    }
    return out;
}

std::string ShortText(const std::string& text, size_t maxChars)
{
    const std::string line = SlideTextOnOneLine(text);
    // Count characters, not bytes.
    size_t chars = 0, cut = std::string::npos, lastBlank = std::string::npos;
    for (size_t i = 0; i < line.size(); ++i) {
        if (IsUtf8Continuation(line[i]))
            continue;
        if (chars == maxChars) {
            cut = i;
            break;
        }
        if (line[i] == ' ')
            lastBlank = i;
        ++chars;
    }
    if (cut == std::string::npos)
        return line;
    const size_t at = lastBlank != std::string::npos && lastBlank > cut / 2 ? lastBlank : cut;
    return Trim(line.substr(0, at)) + "\xE2\x80\xA6";
}

std::string ShortSlideText(const SlideText& t, size_t maxChars)
{
    if (!Trim(t.title).empty())
        return ShortText(t.title, maxChars);
    for (const std::string& l : splitLines(t.text))
        if (!Trim(l).empty())
            return ShortText(l, maxChars);
    return "";
}

}  // namespace pellucor
