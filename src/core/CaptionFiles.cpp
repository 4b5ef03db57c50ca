#include "core/CaptionFiles.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include <filesystem>
#include <system_error>

#include "core/FileLookup.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"

namespace pellucor {

namespace {

std::string checksum(const std::string& text)
{
    return QCryptographicHash::hash(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

}  // namespace

std::vector<std::string> FindCaptionsFiles(const std::string& mediaPath, int part, std::string& err)
{
    err.clear();
    std::vector<std::string> found;
    if (mediaPath.empty())
        return found;
    const std::filesystem::path media(mediaPath);
    const DirListing dir(media.parent_path().string());
    const std::string stem = media.stem().string();
    for (const std::string& name : {stem + ".vtt", stem + ".srt", "captions" + std::to_string(part) + ".vtt"}) {
        std::string path;
        if (dir.Find(name, path, err))
            found.push_back(path);
        else if (!err.empty())
            return {};
    }
    return found;
}

std::vector<CaptionLanguage> FindCaptionLanguages(const std::string& mediaPath, int part, std::string& err)
{
    std::vector<CaptionLanguage> out;
    std::vector<std::string> plain = FindCaptionsFiles(mediaPath, part, err);
    if (!err.empty())
        return {};
    if (!plain.empty())
        out.push_back({"", std::move(plain)});
    if (mediaPath.empty())
        return out;
    // NAME.LANG.vtt, NAME.LANG.srt and captionsP.LANG.vtt, in any letter
    // case; a language's files in that order.
    const std::filesystem::path media(mediaPath);
    const std::string stem = Lower(media.stem().string()), published = "captions" + std::to_string(part);
    struct Named {
        std::string tag;  // as the first file found spells it
        std::vector<std::pair<int, std::string>> files;
    };
    std::map<std::string, Named> named;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(media.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        const auto dot = name.rfind('.');
        const auto langDot = dot == std::string::npos ? dot : name.rfind('.', dot - 1);
        if (langDot == std::string::npos || langDot == 0)
            continue;
        const std::string tag = name.substr(langDot + 1, dot - langDot - 1);
        if (!IsLanguageTag(tag))
            continue;
        const std::string base = Lower(name.substr(0, langDot)), ext = Lower(name.substr(dot));
        const int rank = base == stem && ext == ".vtt" ? 0
            : base == stem && ext == ".srt"            ? 1
            : base == published && ext == ".vtt"       ? 2
                                                       : -1;
        if (rank < 0)
            continue;
        Named& language = named[Lower(tag)];
        if (language.tag.empty())
            language.tag = tag;
        language.files.emplace_back(rank, entry.path().string());
    }
    for (auto& [lower, language] : named) {
        std::sort(language.files.begin(), language.files.end());
        CaptionLanguage found {language.tag, {}};
        for (const auto& file : language.files)
            found.files.push_back(file.second);
        out.push_back(std::move(found));
    }
    return out;
}

bool IsLanguageTag(const std::string& text)
{
    // A known language only: "talk1.old.vtt" is an old copy, not captions
    // in a language "old".
    static const QRegularExpression tag(QStringLiteral("^[A-Za-z]{2,3}(-[A-Za-z0-9]{2,8})*$"));
    return tag.match(QString::fromStdString(text)).hasMatch()
        && QLocale::codeToLanguage(QString::fromStdString(text.substr(0, text.find('-')))) != QLocale::AnyLanguage;
}

std::string CaptionsHeaderValue(const std::string& vtt, const std::string& name)
{
    // The header lines after "WEBVTT", then the first note's lines, up to
    // the first cue.
    const std::string key = Lower(name) + ":";
    size_t at = 0;
    while (at < vtt.size()) {
        size_t end = vtt.find('\n', at);
        if (end == std::string::npos)
            end = vtt.size();
        const std::string line = Trim(vtt.substr(at, end - at));
        if (line.find("-->") != std::string::npos)
            break;
        if (Lower(line).rfind(key, 0) == 0)
            return Trim(line.substr(key.size()));
        at = end + 1;
    }
    return "";
}

std::string WebVttTime(double seconds)
{
    const long long ms = std::llround(std::max(0.0, seconds) * 1000.0);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, (ms / 60000) % 60, (ms / 1000) % 60,
                  ms % 1000);
    return buf;
}

std::string WebVttTiming(double start, double end) { return WebVttTime(start) + " --> " + WebVttTime(end); }

bool OpensAsMachineCaptions(const std::string& vtt) { return StartsWith(vtt, kMachineCaptionsStart); }

std::string SubRipTime(double seconds)
{
    std::string t = WebVttTime(seconds);
    t[t.size() - 4] = ',';
    return t;
}

std::string WebVttEscaped(const std::string& text) { return MarkupEscaped(text); }

std::string CaptionsLanguage(const std::string& vtt)
{
    const std::string lang = CaptionsHeaderValue(vtt, "Language");
    return IsLanguageTag(lang) ? lang : std::string();
}

std::string LectureLanguage(const std::string& preference)
{
    const std::string lang = Trim(preference);
    return IsLanguageTag(lang) ? lang : "en";
}

std::string LanguageName(const std::string& tag)
{
    const QLocale locale(QString::fromStdString(tag));
    const std::string primary = Lower(tag.substr(0, tag.find('-')));
    if (locale.language() == QLocale::C || Lower(locale.name().toStdString()).rfind(primary, 0) != 0)
        return tag;
    // A language without a region is named without one ("en" is English,
    // not the American English Qt takes it for).
    if (locale.language() == QLocale::English && tag.find('-') == std::string::npos)
        return "English";
    QString name = locale.nativeLanguageName();
    return name.isEmpty() ? tag : name.toStdString();
}

std::string MachineCaptionsPath(const std::string& mediaPath, const std::string& lang)
{
    return std::filesystem::path(mediaPath).replace_extension(lang.empty() ? ".vtt" : "." + lang + ".vtt").string();
}

std::string DescriptionsPath(const std::string& mediaPath)
{
    const std::string path = std::filesystem::path(mediaPath).replace_extension(".descriptions.vtt").string();
    std::string found, err;
    return FindPath(path, found, err) ? found : path;
}

std::string MachineCaptionsMark(const std::string& captionsPath) { return captionsPath + ".auto"; }

bool IsMachineCaptionsText(const std::string& captionsPath, const std::string& text)
{
    std::string mark;
    if (!ReadWholeFile(MachineCaptionsMark(captionsPath), mark))
        return false;
    return Trim(mark) == checksum(text);
}

bool IsMachineCaptions(const std::string& captionsPath)
{
    std::string text;
    return ReadWholeFile(captionsPath, text) && IsMachineCaptionsText(captionsPath, text);
}

bool WriteMachineCaptions(const std::string& captionsPath, const std::string& vtt, std::string& err)
{
    const std::string markPath = MachineCaptionsMark(captionsPath);
    std::string oldMark;
    const bool hadMark = ReadWholeFile(markPath, oldMark);
    if (!WriteFileAtomically(markPath, checksum(vtt) + "\n", err))
        return false;
    if (WriteFileAtomically(captionsPath, vtt, err))
        return true;
    std::string ignored;
    std::error_code ec;
    if (hadMark)
        WriteFileAtomically(markPath, oldMark, ignored);
    else
        std::filesystem::remove(markPath, ec);
    return false;
}

bool DropMachineMark(const std::string& captionsPath, std::string& err)
{
    std::error_code ec;
    std::filesystem::remove(MachineCaptionsMark(captionsPath), ec);
    if (ec) {
        err = "Unable to remove " + MachineCaptionsMark(captionsPath) + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace pellucor
