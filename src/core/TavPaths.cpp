#include "core/FileLookup.h"
#include "core/TavUtils.h"

#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace pellucor {

std::string Tav_StripExt(const std::string& path)
{
    const std::string p = Trim(path);
    const auto dot = p.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return p;
    return p.substr(0, dot);
}

std::string Tav_FixSlashes(const std::string& path)
{
    const std::string p = Trim(path);
    if (p.empty())
        return p;
    std::string out(1, p[0]);
    for (size_t i = 1; i < p.size(); ++i) {
        if (p[i] == kPathSeparator && out.back() == kPathSeparator)
            continue;
        out.push_back(p[i]);
    }
    return out;
}

std::string Tav_DirSlash(const std::string& path)
{
    if (Trim(path).empty())
        return "";
    std::string out = Tav_FixSlashes(path);
    if (out.back() != kPathSeparator)
        out.push_back(kPathSeparator);
    return out;
}

std::string Join(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    size_t skip = 0;
    while (skip < name.size() && name[skip] == kPathSeparator)
        ++skip;
    std::string d = dir;
    while (d.size() > 1 && d.back() == kPathSeparator)
        d.pop_back();
    if (d.back() != kPathSeparator)
        d.push_back(kPathSeparator);
    return d + name.substr(skip);
}

TavPathParts Tav_SplitPath(const std::string& path)
{
    // File names are case-sensitive here, so the parts keep their letter
    // case; comparisons that must ignore case do so themselves.
    std::string p = Trim(path);
    if (p.empty())
        return {};
    size_t end = p.size();
    if (p.back() == kPathSeparator)
        --end;  // a separator at the very end is not counted
    const auto pos = p.rfind(kPathSeparator, end == 0 ? 0 : end - 1);
    if (pos == std::string::npos || end == 0)
        return {p.substr(0, end), ""};
    return {p.substr(pos + 1, end - pos - 1), p.substr(0, pos + 1)};
}

std::string FileUrl(const std::string& path)
{
    return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString();
}

bool Tav_ShellOpen(const std::string& target)
{
    Tav_DebugLog("ShellOpen " + target);
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(target)});
}

}  // namespace pellucor
