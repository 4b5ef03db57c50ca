#include "course/CourseIndex.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "course/CoursePage.h"
#include "course/CourseState.h"
#include "course/PublishedLectures.h"
#include "publish/LectureRecord.h"
#include "publish/OutputChecks.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

// Segments of one size class (1-7 lectures, 8-63, 64-511, ...) are merged
// once there are this many.
constexpr int kMergeFactor = 8;
constexpr const char* kLockName = ".lock";
constexpr int kLockWaitMs = 10 * 60 * 1000;

using Found = PublishedLecture;

std::string lastName(const std::string& folder)
{
    const std::string trimmed = folder.substr(0, folder.size() - 1);
    return trimmed.substr(trimmed.find_last_of('/') + 1);
}

CourseEntry entryOf(const LectureRecord& rec)
{
    CourseEntry e;
    e.searchable = true;
    e.title = rec.title;
    e.date = rec.recorded;
    e.thumbnail = rec.thumbnail;
    e.length = rec.Length();
    for (const auto& p : rec.parts)
        e.pages.push_back(p.page);
    return e;
}

// A publication without a record (published before records were written):
// listed by its folder's name, its parts' pages and its first slide.
CourseEntry entryWithoutRecord(const std::string& dir, const std::string& folder)
{
    CourseEntry e;
    e.title = lastName(folder);
    const std::set<std::string> files = ReadManifest(dir);
    for (int p = 1; files.count("part" + std::to_string(p) + ".htm"); ++p)
        e.pages.push_back("part" + std::to_string(p) + ".htm");
    if (files.count("img001.gif"))
        e.thumbnail = "img001.gif";
    const QFileInfo manifest(QString::fromStdString(Join(dir, kManifestName)));
    e.date = manifest.lastModified().toString(Qt::ISODate).toStdString();
    return e;
}

// A folder holding anything but the update lock (left by one that died).
bool holdsOtherThanLock(const std::string& dir)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.path().filename() != kLockName)
            return true;
    return false;
}

int sizeClass(int live)
{
    int c = 0;
    for (; live >= kMergeFactor; live /= kMergeFactor)
        ++c;
    return c;
}

// A segment to build: the lectures it will hold.
struct Planned {
    std::vector<int> lectures;
};

// Which segments stay, and which are built anew (from new lectures and
// merged ones). segments keeps the existing ones that stay.
std::vector<Planned> plan(std::vector<SearchSegment>& segments, const std::vector<int>& added)
{
    struct Item {
        const SearchSegment* existing;  // or planned
        Planned planned;
        int live, dead;
    };
    std::vector<Item> items;
    for (const SearchSegment& g : segments)
        items.push_back({&g, {}, g.Live(), static_cast<int>(g.lectures.size()) - g.Live()});
    if (!added.empty())
        items.push_back({nullptr, {added}, static_cast<int>(added.size()), 0});
    for (;;) {
        items.erase(std::remove_if(items.begin(), items.end(), [](const Item& i) { return i.live == 0; }), items.end());
        std::vector<size_t> merge;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].dead > items[i].live)
                merge.push_back(i);
        std::map<int, std::vector<size_t>> classes;
        for (size_t i = 0; i < items.size(); ++i)
            classes[sizeClass(items[i].live)].push_back(i);
        for (const auto& [c, members] : classes)
            if (static_cast<int>(members.size()) >= kMergeFactor) {
                merge.insert(merge.end(), members.begin(), members.end());
                break;
            }
        std::sort(merge.begin(), merge.end());
        merge.erase(std::unique(merge.begin(), merge.end()), merge.end());
        if (merge.empty())
            break;
        Planned joined;
        for (const size_t i : merge) {
            const auto& ids = items[i].existing ? items[i].existing->lectures : items[i].planned.lectures;
            for (const int id : ids)
                if (id >= 0)
                    joined.lectures.push_back(id);
        }
        for (auto i = merge.rbegin(); i != merge.rend(); ++i)
            items.erase(items.begin() + static_cast<long>(*i));
        const int live = static_cast<int>(joined.lectures.size());
        items.push_back({nullptr, std::move(joined), live, 0});
    }
    std::vector<SearchSegment> kept;
    std::vector<Planned> built;
    for (const Item& i : items) {
        if (i.existing)
            kept.push_back(*i.existing);
        else
            built.push_back(i.planned);
    }
    segments = std::move(kept);
    return built;
}

void removeFiles(const std::string& dir, const std::set<std::string>& names, CourseReport& report)
{
    std::error_code ec;
    for (const std::string& name : names)
        if (fs::remove(Join(dir, name), ec))
            report.deleted.push_back(name);
}

// Files an update that did not finish may have written: those of the ids
// it reserved, and those it meant to remove.
void clearLeftovers(const std::string& dir, CourseState& st, CourseReport& report)
{
    const std::set<std::string> referenced = st.Referenced();
    std::set<std::string> stale;
    for (const std::string& f : st.files)
        if (!referenced.count(f))
            stale.insert(f);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        for (const int id : st.pendingSegments)
            for (const std::string prefix : {"s", "c"})
                if (name.rfind(prefix + std::to_string(id) + "-", 0) == 0 && EndsWith(name, ".js"))
                    stale.insert(name);
        for (const int id : st.pendingLectures)
            if (name == LectureFileName(id))
                stale.insert(name);
    }
    removeFiles(dir, stale, report);
    for (const std::string& f : stale)
        st.files.erase(f);
    st.pendingLectures.clear();
    st.pendingSegments.clear();
}

// One update of the course page, step by step. The caller holds the
// update lock from readState() to the end.
class CourseUpdate {
public:
    CourseUpdate(const CourseOptions& options, CourseReport& report, std::string& err,
                 const std::function<void(int)>& progress)
        : options_(options), report_(report), err_(err), progress_(progress)
    { }

    // The course folder checked and its own folder made.
    bool openRoot(const std::string& rootIn)
    {
        std::error_code ec;
        rootPath_ = fs::absolute(rootIn, ec).lexically_normal();
        root_ = Tav_DirSlash(rootPath_.string());
        if (!fs::is_directory(rootPath_, ec)) {
            err_ = "The course folder " + root_ + " does not exist";
            return false;
        }
        if (fs::exists(root_ + kManifestName, ec)) {
            err_ = root_ + " is a published lecture: give the folder that holds the published lectures";
            return false;
        }
        dir_ = root_ + kCourseDirName + "/";
        statePath_ = dir_ + kCourseStateName;
        report_ = CourseReport {};
        report_.page = root_ + "index.htm";
        // A course folder of another program's is never written into.
        const bool ours = fs::exists(statePath_, ec);
        if (foreignPage())
            return false;
        if (!ours && holdsOtherThanLock(dir_)) {
            err_ = dir_ + " holds files this program did not write: move them away";
            return false;
        }
        fs::create_directories(dir_, ec);
        if (ec) {
            err_ = "Unable to create " + dir_ + ": " + ec.message();
            return false;
        }
        return true;
    }

    std::string lockPath() const { return dir_ + kLockName; }
    const std::string& root() const { return root_; }
    const fs::path& rootPath() const { return rootPath_; }

    // The state of the last update, and what an unfinished one left.
    bool readState()
    {
        std::error_code ec;
        const bool had = fs::exists(statePath_, ec);
        if (had && !st_.Read(statePath_, err_))
            return false;
        if (!had && foreignPage())
            return false;
        if (!options_.title.empty() || st_.title.empty())
            st_.title = options_.title.empty() ? "Lectures" : options_.title;
        clearLeftovers(dir_, st_, report_);
        return true;
    }

    // What changed since the last update: lectures gone or published
    // again leave their segments; the new and changed ones are returned.
    std::map<std::string, const Found*> dropChanged(const std::vector<Found>& found)
    {
        std::map<std::string, const Found*> byFolder;
        for (const Found& f : found)
            byFolder[f.folder] = &f;
        std::map<int, int> gone;  // lecture id -> 1
        for (CourseEntry& e : st_.lectures) {
            const auto it = byFolder.find(e.folder);
            if (it != byFolder.end() && it->second->stamp == e.stamp) {
                byFolder.erase(it);
                kept_.push_back(std::move(e));
                continue;
            }
            gone[e.id] = 1;
            ++(it == byFolder.end() ? report_.removed : report_.changed);
        }
        for (SearchSegment& g : st_.segments)
            for (int& id : g.lectures)
                if (id >= 0 && gone.count(id))
                    id = -1;
        before_ = st_.Referenced();
        return byFolder;
    }

    // New lectures (and ones published again): their records.
    void readNew(const std::map<std::string, const Found*>& byFolder)
    {
        size_t done = 0;
        for (const auto& [folder, f] : byFolder) {
            CourseEntry e;
            LectureRecord rec;
            std::string why;
            if (f->record && rec.Read(root_ + folder, why)) {
                e = entryOf(rec);
            } else {
                e = entryWithoutRecord(root_ + folder, folder);
                report_.warnings.push_back(
                    folder + " cannot be searched: "
                    + (f->record ? why : "it was published without a lecture record; publish it again"));
            }
            e.id = st_.nextLecture++;
            e.folder = folder;
            e.stamp = f->stamp;
            if (e.searchable) {
                records_[e.id] = std::move(rec);
                added_.push_back(e.id);
                st_.pendingLectures.push_back(e.id);
            }
            kept_.push_back(std::move(e));
            tell(static_cast<int>(50 * ++done / byFolder.size()));
        }
        report_.added = static_cast<int>(byFolder.size()) - report_.changed;
        st_.lectures = std::move(kept_);
    }

    // The segments to build, their ids reserved (and the state written)
    // before any file is written.
    bool reserveSegments()
    {
        builds_ = plan(st_.segments, added_);
        for (size_t i = 0; i < builds_.size(); ++i) {
            buildIds_.push_back(st_.nextSegment++);
            st_.pendingSegments.push_back(buildIds_.back());
        }
        return st_.Write(statePath_, err_);
    }

    // The new lectures' files and the segments planned.
    bool writeIndex()
    {
        for (const int id : added_) {
            if (!WriteLectureFile(dir_, id, records_[id], err_))
                return false;
            report_.written.push_back(LectureFileName(id));
        }
        std::map<int, CourseEntry*> entries;
        for (CourseEntry& e : st_.lectures)
            entries[e.id] = &e;
        for (size_t b = 0; b < builds_.size(); ++b) {
            std::vector<int> ids;
            std::vector<const LectureRecord*> recs;
            for (const int id : builds_[b].lectures) {
                CourseEntry* e = entries.count(id) ? entries[id] : nullptr;
                if (!e || !recordOf(id, *e))
                    continue;
                ids.push_back(id);
                recs.push_back(&records_[id]);
            }
            SearchSegment seg;
            const bool ok = WriteSearchSegment(dir_, buildIds_[b], ids, recs, seg, err_);
            report_.written.insert(report_.written.end(), seg.files.begin(), seg.files.end());
            if (!ok)
                return false;
            if (seg.Live() > 0)
                st_.segments.push_back(std::move(seg));
            tell(50 + static_cast<int>(45 * (b + 1) / builds_.size()));
        }
        return true;
    }

    // The page in place, then the state, then what it no longer uses.
    bool finish()
    {
        ++st_.generation;
        std::sort(st_.lectures.begin(), st_.lectures.end(), [](const CourseEntry& a, const CourseEntry& b) {
            return a.date != b.date ? a.date > b.date : a.title < b.title;
        });
        if (!WriteCourseFiles(root_, st_, report_, err_))
            return false;
        const std::set<std::string> now = st_.Referenced();
        st_.files.insert(before_.begin(), before_.end());
        st_.files.insert(now.begin(), now.end());
        st_.pendingLectures.clear();
        st_.pendingSegments.clear();
        if (!st_.Write(statePath_, err_))
            return false;
        std::set<std::string> obsolete;
        for (const std::string& f : st_.files)
            if (!now.count(f))
                obsolete.insert(f);
        removeFiles(dir_, obsolete, report_);
        st_.files = now;
        std::string why;
        if (!st_.Write(statePath_, why))
            Tav_DebugLog("Course: " + why);  // the next update removes them again

        report_.lectures = static_cast<int>(st_.lectures.size());
        report_.searchable = static_cast<int>(
            std::count_if(st_.lectures.begin(), st_.lectures.end(), [](const CourseEntry& e) { return e.searchable; }));
        tell(100);
        return true;
    }

private:
    bool foreignPage()
    {
        std::error_code ec;
        if (options_.replace || fs::exists(statePath_, ec) || !fs::exists(report_.page, ec))
            return false;
        err_ = report_.page
            + " was not written by pellucor course: move it away, or give --replace to put the course page in its "
              "place";
        return true;
    }

    // A kept lecture's record, read for a merged segment; false (and the
    // lecture no longer searchable) when it cannot be read.
    bool recordOf(int id, CourseEntry& e)
    {
        if (records_.count(id))
            return true;
        std::string why;
        if (records_[id].Read(root_ + e.folder, why))
            return true;
        records_.erase(id);
        e.searchable = false;
        report_.warnings.push_back(e.folder + " cannot be searched: " + why);
        return false;
    }

    void tell(int percent) const
    {
        if (progress_)
            progress_(percent);
    }

    const CourseOptions& options_;
    CourseReport& report_;
    std::string& err_;
    const std::function<void(int)>& progress_;
    fs::path rootPath_;
    std::string root_, dir_, statePath_;
    CourseState st_;
    std::vector<CourseEntry> kept_;
    std::set<std::string> before_;
    std::map<int, LectureRecord> records_;
    std::vector<int> added_;
    std::vector<Planned> builds_;
    std::vector<int> buildIds_;
};

}  // namespace

bool WriteCourse(const std::string& rootIn, const CourseOptions& options, CourseReport& report, std::string& err,
                 const std::function<void(int)>& progress)
{
    CourseUpdate update(options, report, err, progress);
    if (!update.openRoot(rootIn))
        return false;
    // One update at a time (a server and the command, or two servers, on
    // one tree); a lock left by a process that died is taken over.
    QLockFile lock(QString::fromStdString(update.lockPath()));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(kLockWaitMs)) {
        err = "Another update of the course page in " + update.root() + " is still running";
        return false;
    }
    if (!update.readState())
        return false;
    const std::vector<Found> found = FindPublishedLectures(update.rootPath());
    update.readNew(update.dropChanged(found));
    return update.reserveSegments() && update.writeIndex() && update.finish();
}

}  // namespace pellucor
