#include "core/CutList.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "core/FileLookup.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"

namespace pellucor {

namespace {

// Cut lists of a day's recording stay far below this.
constexpr size_t kMaxCutListBytes = 1024 * 1024;

bool digits(const std::string& s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos; }

std::string overlapText(const CutStretch& a, const CutStretch& b)
{
    return CutTimeText(a.from) + " " + CutTimeText(a.to) + " overlaps the cut " + CutTimeText(b.from) + " "
        + CutTimeText(b.to);
}

}  // namespace

double CutList::Shifted(double t) const
{
    double removed = 0;
    for (const CutStretch& c : cuts_) {
        if (t <= c.from)
            break;
        removed += std::min(t, c.to) - c.from;
    }
    return t - removed;
}

bool CutList::IsCut(double t) const
{
    return std::any_of(cuts_.begin(), cuts_.end(), [t](const CutStretch& c) { return t >= c.from && t < c.to; });
}

std::vector<CutStretch> CutList::Kept(double length) const
{
    std::vector<CutStretch> kept;
    double at = 0;
    for (const CutStretch& c : cuts_) {
        if (c.from > at)
            kept.push_back({at, std::min(c.from, length)});
        at = std::max(at, c.to);
        if (at >= length)
            break;
    }
    if (at < length)
        kept.push_back({at, length});
    kept.erase(std::remove_if(kept.begin(), kept.end(), [](const CutStretch& k) { return k.to <= k.from; }),
               kept.end());
    return kept;
}

double CutList::KeptLength(double length) const
{
    double total = 0;
    for (const CutStretch& k : Kept(length))
        total += k.to - k.from;
    return total;
}

bool CutList::Add(CutStretch stretch, double length, std::string& err)
{
    const std::string what = CutTimeText(stretch.from) + " " + CutTimeText(stretch.to);
    if (!(stretch.from < stretch.to)) {
        err = stretch.from == stretch.to ? "the cut " + what + " is empty" : "the cut " + what + " ends before it starts";
        return false;
    }
    if (stretch.from < 0) {
        err = "the cut " + what + " starts before the recording";
        return false;
    }
    if (length > 0 && stretch.to > length + 1e-3) {
        err = "the cut " + what + " ends after the recording, which is " + CutTimeText(length) + " long";
        return false;
    }
    for (const CutStretch& c : cuts_)
        if (stretch.from < c.to && c.from < stretch.to) {
            err = "the cut " + overlapText(stretch, c);
            return false;
        }
    cuts_.insert(std::upper_bound(cuts_.begin(), cuts_.end(), stretch,
                                  [](const CutStretch& a, const CutStretch& b) { return a.from < b.from; }),
                 stretch);
    return true;
}

bool ParseCutTime(const std::string& text, double& seconds)
{
    const std::string t = Trim(text);
    std::string whole = t, frac;
    if (const auto dot = t.find('.'); dot != std::string::npos) {
        whole = t.substr(0, dot);
        frac = t.substr(dot + 1);
        if (!digits(frac) || frac.size() > 6)
            return false;
    }
    std::vector<std::string> fields;
    std::istringstream parts(whole);
    for (std::string f; std::getline(parts, f, ':');)
        fields.push_back(f);
    if (whole.empty() || whole.back() == ':')
        return false;
    if (fields.empty() || fields.size() > 3)
        return false;
    double value = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!digits(fields[i]) || fields[i].size() > 9)
            return false;
        // Minutes and seconds after a colon are below 60.
        if (i > 0 && (fields[i].size() != 2 || std::stoi(fields[i]) > 59))
            return false;
        value = value * 60 + static_cast<double>(std::stoll(fields[i]));
    }
    if (!frac.empty())
        value += std::stod("0." + frac);
    seconds = value;
    return true;
}

std::string CutTimeText(double seconds)
{
    const long long ms = std::llround(std::max(0.0, seconds) * 1000.0);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld.%03lld", ms / 3600000, (ms / 60000) % 60, (ms / 1000) % 60,
                  ms % 1000);
    return buf;
}

bool ParseCutList(const std::string& text, double length, CutList& cuts, std::string& err)
{
    if (text.size() > kMaxCutListBytes) {
        err = "it is too large to be a cut list";
        return false;
    }
    CutList read;
    int number = 0;
    std::istringstream lines(ReplaceAll(text, "\r\n", "\n"));
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (const auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        line = Trim(ReplaceAll(line, "\t", " "));
        if (line.empty())
            continue;
        std::istringstream words(line);
        const std::string at = "line " + std::to_string(number) + ": ";
        std::vector<std::string> fields;
        for (std::string f; words >> f;)
            fields.push_back(f);
        CutStretch stretch;
        if (fields.size() != 2 || !ParseCutTime(fields[0], stretch.from) || !ParseCutTime(fields[1], stretch.to)) {
            err = at + "expected two times FROM TO (such as 0:41:10 0:52:30.5), found \"" + line + "\"";
            return false;
        }
        if (!read.Add(stretch, length, err)) {
            err = at + err;
            return false;
        }
    }
    cuts = std::move(read);
    return true;
}

std::string CutListText(const CutList& cuts, const std::string& recordingName)
{
    std::string text = "# Stretches of " + recordingName + " left out of the published lecture: FROM TO\n";
    for (const CutStretch& c : cuts.Stretches())
        text += CutTimeText(c.from) + " " + CutTimeText(c.to) + "\n";
    return text;
}

std::string CutListPath(const std::string& mediaPath)
{
    const std::string path = std::filesystem::path(mediaPath).replace_extension(".cuts").string();
    std::string found, err;
    return FindPath(path, found, err) ? found : path;
}

bool ReadCutList(const std::string& mediaPath, double length, CutList& cuts, std::string& err)
{
    const std::string path = CutListPath(mediaPath);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        cuts = CutList();
        return true;
    }
    std::string text;
    if (!ReadWholeFile(path, text)) {
        err = "The cut list " + path + " cannot be read: " + ErrnoText();
        return false;
    }
    if (!ParseCutList(text, length, cuts, err)) {
        err = "The cut list " + path + " is not right: " + err;
        return false;
    }
    return true;
}

bool WriteCutList(const std::string& mediaPath, const CutList& cuts, std::string& err)
{
    const std::string path = CutListPath(mediaPath);
    if (cuts.Empty()) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        if (ec)
            err = "The cut list " + path + " cannot be removed: " + ec.message();
        return !ec;
    }
    return WriteFileAtomically(path, CutListText(cuts, std::filesystem::path(mediaPath).filename().string()), err);
}

}  // namespace pellucor
