// What to publish, as the detailed form's controls hold it: the paths,
// URLs and options by their control names (the names settings files and
// the automation interface use), filled from the preferences for a
// lecture directory. A publish session publishes one; the detailed form
// shows the session's.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/PreferenceStore.h"
#include "core/PublishSettings.h"

namespace pellucor {

struct PublishRequest {
    // Text fields (directories end in "/").
    std::string TextPP, TextMedia, TextStyle, TextCopy, TextCDDir, TextWebDir, TextWebURL, TextStream;
    std::string TextLocDir, TextName, TextCP = "pellucor";
    // Check boxes: 0 clear, 1 checked.
    int optCD = 1, optWeb = 0, chkStream = 0, chkAutoStart = 1, chkVerbose = 0, chkAuto = 0;
    // The lecture as one video (lecture.mp4) in the disk and the web
    // publication (from the prfVideo preference).
    int chkVideo = 0, chkWebVideo = 0;
    // Adaptive streaming (HLS) beside each recording of the web
    // publication (from the prfHls preference: on unless "No").
    int chkHls = 1;
    // The slide times of parts without an events file are found from
    // their recordings first ("--sync-slides").
    bool findSlideTimes = false;
    // Files that no earlier publication wrote, found in an output, may be
    // removed with the publication they share it with ("--replace", or the
    // user's yes to the question).
    bool replaceForeign = false;
    // The folder of the course page the publication is listed on (the
    // server's publish root, "--course-root"); empty: found on disk.
    std::string courseRoot;

    // The lecture directory's paths from the preferences: TextPP is dir;
    // the media, copy, output directories and URLs are the preferences'
    // texts with the path variables of dir expanded.
    void SetLectureDir(const std::string& dir, const PreferenceSnapshot& prefs);

    // The field of a control name, or nullptr.
    std::string* Text(const std::string& control);
    int* Check(const std::string& control);
    // Sets a control as a settings file does ("1"/"0" for check boxes);
    // false when no control has that name.
    bool Set(const std::string& control, const std::string& value);
    std::string Get(const std::string& control) const;

    // The value a publish of this request reads, with the preferences the
    // engine reads taken from prefs.
    PublishSettings Settings(const PreferenceSnapshot& prefs) const;
};

// The lines of a settings file (*.som): "control=value" pairs in file
// order, and the lines that are not of that form. False when the file
// cannot be read.
struct SettingsFile {
    std::vector<std::pair<std::string, std::string>> controls;
    std::vector<std::string> badLines;
};
bool ReadSettingsFile(const std::string& path, SettingsFile& file);

// A lecture's name from its directory: the last component (or "media"),
// unless the directory holds the parts of a lecture of another name
// (talk1.txt, talk2.txt ...): then that name.
std::string LectureNameOf(const std::string& dir);

}  // namespace pellucor
