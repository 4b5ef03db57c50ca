// Slide times found for a whole lecture: for each part (or the one asked
// for) its recording is synced with the lecture's slide images
// (imgNNN.gif) and the part's events file is written in the usual form,
// the one the slide-flip recorder writes and publishing reads. An events
// file already there is kept unless replacing was asked for; then it is
// renamed NAME.bak (NAME.bak2 ... when that exists), and the new file
// takes its place only once it is complete.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "media/SlideSync.h"

namespace pellucor {

struct LectureSyncOptions {
    std::string slideDir;  // where the slide images lie
    std::string mediaDir;  // where the recordings and events files lie
    std::string lecName;
    int part = 0;           // 0: every part
    std::string recording;  // a recording to sync instead of the part's own
    std::string events;     // an events file to write instead of the part's own
    bool replace = false;
};

// One line of a written events file.
struct SyncedRow {
    std::string start, end, page;  // "hh:mm:ss", "sld001.htm"
    double confidence = 0;
    bool review = false;  // below the threshold: to be looked at
};

struct PartSync {
    int part = 1;
    std::string recording;
    std::string events;                // written here
    std::string current;               // the events file read for the part before ("" when none)
    std::vector<std::string> backups;  // the files replaced, as kept
    std::vector<SyncedRow> rows;
    std::string error;  // why the part failed ("" when it did not)
};

// The name a replaced file (or directory) is kept under: path.bak, else
// path.bak2, path.bak3 ...
std::string BackupNameFor(const std::string& path);

class LectureSync {
public:
    // Changes less sure than this are marked for review.
    static constexpr double kReviewBelow = 0.6;

    // percent of the whole lecture; status: which part is being synced.
    using Progress = std::function<void(int percent, const std::string& status)>;

    // Finds the slide images and the parts; false with err when there are
    // no slide images, no recording, or no such part.
    bool Prepare(const LectureSyncOptions& options, std::string& err);
    const std::vector<PartSync>& Parts() const { return parts_; }
    const std::vector<std::string>& SlideImages() const { return images_; }
    // The events files that syncing would replace (each is then kept as a
    // backup): the caller decides whether it may.
    std::vector<std::string> Existing() const;

    // Syncs every part in turn and writes its events file, keeping the one
    // there was as a backup; false when a part failed (its error says why)
    // or cancel was set.
    bool Run(const Progress& progress, const std::atomic<bool>& cancel);

    // The rows of an events file for a sync result: whole seconds, changes
    // that round to no time at all left out.
    static std::vector<SyncedRow> Rows(const SyncResult& result, const std::vector<std::string>& pages);
    // Writes rows as an events file (a comment naming the recording and one
    // before each row to review); false with err when it cannot.
    // by: the command named in that comment.
    static bool WriteEvents(const std::string& path, const std::string& recording, const std::vector<SyncedRow>& rows,
                            std::string& err, const std::string& by = "pellucor sync-slides");

private:
    bool finish(PartSync& part, const SyncResult& result);

    LectureSyncOptions options_;
    std::vector<std::string> images_;
    std::vector<std::string> pages_;
    std::vector<PartSync> parts_;
};

}  // namespace pellucor
