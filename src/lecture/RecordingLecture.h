// A whole lecture directory made from screen or meeting recordings alone:
// the distinct slides found in them (media/RecordingSlides.h) as
// imgNNN.gif at the size the pages show and the sharp copy imgNNN.webp at
// the recording's resolution, each slide's text read by OCR with the title
// it gives (titles.txt, index.htm), an events file per part and the
// recordings as parts 1..N (copied, or linked where asked; never moved).
// Everything is written into a staging directory beside the lecture
// directory and renamed into place once complete: a refused or cancelled
// run leaves nothing behind. A directory already there is kept, renamed
// DIR.bak (DIR.bak2 ...), when replacing was asked for.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "media/LectureSync.h"
#include "media/RecordingSlides.h"

namespace pellucor {

struct RecordingLectureOptions {
    std::vector<std::string> recordings;  // parts 1..N in order
    std::string lectureDir;               // to make
    std::string name;                     // the lecture's name; empty: the directory's
    RecordingSlidesOptions find;
    bool link = false;     // link the recordings instead of copying them
    bool replace = false;  // a lecture directory already there is kept as DIR.bak
    std::string languages = "eng";
    int width = 640;  // of the slide pictures shown in the pages
};

struct RecordingPart {
    int part = 1;
    std::string recording, copy, events;  // given; in the lecture
    std::vector<SyncedRow> rows;
    std::vector<NoSlideStretch> noSlide;
    bool meeting = false;
    bool camera = false;  // a camera pointed at a projected screen
};

class RecordingLecture {
public:
    using Progress = std::function<void(int percent, const std::string& status)>;

    // What would stop the run before it starts (a recording missing, the
    // lecture directory there already without replacing); "" when none.
    static std::string Problem(const RecordingLectureOptions& options);

    // False with err when it failed, was refused or cancelled ("Cancelled").
    bool Run(const RecordingLectureOptions& options, const Progress& progress, const std::atomic<bool>& cancel,
             std::string& err);

    const std::vector<RecordingPart>& Parts() const { return parts_; }
    const std::vector<std::string>& Titles() const { return titles_; }
    std::string Name() const { return name_; }
    // The old lecture directory as kept ("" when there was none).
    const std::string& Backup() const { return backup_; }

private:
    bool build(const RecordingLectureOptions& o, const std::string& stage, const Progress& progress,
               const std::atomic<bool>& cancel, std::string& err);
    bool pictures(const RecordingSlides& found, const std::string& stage, int width, const Progress& progress,
                  const std::atomic<bool>& cancel, std::string& err);
    bool titles(const RecordingLectureOptions& o, const std::string& stage, const Progress& progress,
                const std::atomic<bool>& cancel, std::string& err);
    bool put(const std::string& stage, const RecordingLectureOptions& o, std::string& err);

    std::vector<RecordingPart> parts_;
    std::vector<std::string> titles_;
    std::string name_, backup_;
};

}  // namespace pellucor
