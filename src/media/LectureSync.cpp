#include "media/LectureSync.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/EventsFile.h"
#include "core/FileLookup.h"
#include "core/PartRecordings.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

std::string hms(long seconds) { return Tav_TicksToTime(static_cast<int64_t>(seconds) * 60); }

std::string percent(double confidence) { return std::to_string(std::lround(confidence * 100)) + "%"; }

// The files a part's new events file replaces: the one read for it now and
// the one written, where they differ.
std::vector<std::string> replaced(const PartSync& p)
{
    std::vector<std::string> files;
    for (const std::string& f : {p.current, p.events})
        if (!f.empty() && IsRegularFile(f) && (files.empty() || files.front() != f))
            files.push_back(f);
    return files;
}

// NAME.bak, or NAME.bak2, NAME.bak3 ... when that is taken.

}  // namespace

bool LectureSync::Prepare(const LectureSyncOptions& o, std::string& err)
{
    options_ = o;
    images_.clear();
    pages_.clear();
    parts_.clear();
    const std::string slideDir = Tav_DirSlash(o.slideDir);
    for (const std::string& name : ListFiles(slideDir, "img???.gif")) {
        const std::string digits = name.substr(3, 3);
        if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
            continue;
        images_.push_back(slideDir + name);
        pages_.push_back("sld" + digits + ".htm");
    }
    if (images_.empty()) {
        err = "No slide images (img001.gif ...) in " + slideDir;
        return false;
    }
    std::vector<PartRecording> found;
    std::string lookErr;
    const bool haveParts = FindPartRecordings(o.mediaDir, o.lecName, found, lookErr);
    if (!haveParts && o.recording.empty()) {
        err = lookErr;
        return false;
    }
    if (o.part > 0) {
        std::erase_if(found, [&](const PartRecording& p) { return p.part != o.part; });
        if (found.empty() && o.recording.empty()) {
            err = "The lecture has no part " + std::to_string(o.part);
            return false;
        }
    }
    if (!o.recording.empty()) {
        if (found.size() > 1) {
            err = "The lecture has " + std::to_string(found.size()) + " parts: say which one the recording is for";
            return false;
        }
        if (found.empty()) {
            const int part = std::max(1, o.part);
            const std::string events = Tav_DirSlash(o.mediaDir) + o.lecName + std::to_string(part) + ".txt";
            found.push_back({part, "", events, IsRegularFile(events) ? events : ""});
        }
        found.front().recording = o.recording;
    }
    if (!o.events.empty()) {
        if (found.size() > 1) {
            err = "The lecture has " + std::to_string(found.size()) + " parts: say which one to write the events of";
            return false;
        }
        found.front().events = o.events;
        found.front().current = IsRegularFile(o.events) ? o.events : "";
    }
    for (const PartRecording& p : found) {
        PartSync s;
        s.part = p.part;
        s.recording = p.recording;
        s.events = p.events;
        s.current = p.current;
        parts_.push_back(std::move(s));
    }
    return true;
}

std::vector<std::string> LectureSync::Existing() const
{
    std::vector<std::string> all;
    for (const PartSync& p : parts_)
        for (std::string& f : replaced(p))
            all.push_back(std::move(f));
    return all;
}

bool LectureSync::Run(const Progress& progress, const std::atomic<bool>& cancel)
{
    bool ok = true;
    const int n = static_cast<int>(parts_.size());
    for (int i = 0; i < n; ++i) {
        PartSync& p = parts_[static_cast<size_t>(i)];
        const std::string status = "Syncing part " + std::to_string(p.part) + ": " + Tav_SplitPath(p.recording).last;
        if (progress)
            progress(i * 100 / n, status);
        SlideSync sync(images_);
        SyncResult result;
        const bool synced = sync.Run(
            p.recording, result, [&](int percent) { progress((i * 100 + percent) / n, status); }, cancel, p.error);
        if (cancel.load()) {
            p.error = "Cancelled";
            return false;
        }
        if (!synced || !finish(p, result))
            ok = false;
    }
    return ok;
}

bool LectureSync::finish(PartSync& p, const SyncResult& result)
{
    p.rows = Rows(result, pages_);
    // The new file is complete before anything is renamed.
    const std::string part = p.events + ".part";
    if (!WriteEvents(part, p.recording, p.rows, p.error))
        return false;
    std::error_code ec;
    for (const std::string& f : replaced(p)) {
        const std::string backup = BackupNameFor(f);
        fs::rename(f, backup, ec);
        if (ec) {
            p.error = "Unable to keep " + f + " as " + backup + ": " + ec.message();
            fs::remove(part, ec);
            return false;
        }
        p.backups.push_back(backup);
    }
    fs::rename(part, p.events, ec);
    if (ec) {
        p.error = "Unable to write " + p.events + ": " + ec.message();
        return false;
    }
    return true;
}

std::string BackupNameFor(const std::string& path)
{
    std::error_code ec;
    std::string name = path + ".bak";
    for (int n = 2; fs::exists(name, ec) || fs::is_symlink(name, ec); ++n)
        name = path + ".bak" + std::to_string(n);
    return name;
}

std::vector<SyncedRow> LectureSync::Rows(const SyncResult& result, const std::vector<std::string>& pages)
{
    struct Start {
        long second;
        int slide;
        double confidence;
    };
    std::vector<Start> starts;
    for (const SlideChange& c : result.changes) {
        const long second = starts.empty() ? 0 : std::lround(c.time);
        // A slide shown for less than a second after rounding is left out.
        if (!starts.empty() && starts.back().second >= second)
            starts.pop_back();
        if (!starts.empty() && starts.back().slide == c.slide)
            continue;
        starts.push_back({second, c.slide, c.confidence});
    }
    std::vector<SyncedRow> rows;
    for (size_t i = 0; i < starts.size(); ++i) {
        const long end = i + 1 < starts.size() ? starts[i + 1].second
                                               : std::max(starts[i].second + 1, std::lround(result.duration));
        const double conf = starts[i].confidence;
        rows.push_back(
            {hms(starts[i].second), hms(end), pages[static_cast<size_t>(starts[i].slide)], conf, conf < kReviewBelow});
    }
    return rows;
}

bool LectureSync::WriteEvents(const std::string& path, const std::string& recording, const std::vector<SyncedRow>& rows,
                              std::string& err, const std::string& by)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) {
        WriteLine(out, "# Slide times found from " + Tav_SplitPath(recording).last + " by " + by);
        for (const SyncedRow& r : rows) {
            if (r.review)
                WriteLine(out, std::string(kEventReviewComment) + " " + r.page + " from " + r.start + ", confidence "
                                   + percent(r.confidence));
            WriteLine(out, EventLineText({r.start, r.end, r.page}));
        }
        out.close();
    }
    if (!out) {
        err = "Unable to write " + path;
        return false;
    }
    return true;
}

}  // namespace pellucor
