// Lectures that were published before: a directory of published pages whose
// ".rat" event files still carry the slide times and whose navigation page
// (n001.htm, vn001.htm or an001.htm) carries the slide titles. Converting it
// writes one events file per ".rat" file and a "titles.txt", so that it can
// be loaded and published again like a recorded lecture.
#pragma once

#include <string>

namespace pellucor {

class SlideEngine;

// Whether dir holds a published lecture, and the lecture name its event
// files carry. Either the event files of lecName (lecName + "*.rat") are
// there without any events file of that name (lecName + "*.txt"), or the
// directory has a navigation page and event files with slide events,
// whatever else it holds (then the name is taken from the first of them:
// talk1.rat gives talk).
bool IsPublishedLecture(const std::string& dir, const std::string& lecName, std::string& publishedName);

enum class PublishedConversion {
    NotPublished,  // nothing to do
    Converted,     // events and titles written
    Declined,      // the user answered Cancel: nothing changed
    Failed,        // err names the file and the reason
};

// Converts dir when it holds a published lecture, after asking (OK without
// asking in unattended mode). publishedName is the lecture name of the
// converted events files.
PublishedConversion ConvertPublishedLecture(const std::string& dir, const std::string& lecName,
                                            std::string& publishedName, std::string& err);

// Loads the engine's lecture, converting its media directory first when it
// holds a published lecture; the engine then loads it under the name its
// event files carry. False with err as LoadSlideInfo.
bool LoadLectureConvertingPublished(SlideEngine& engine, bool fullCheck, bool verbose, std::string& err);

}  // namespace pellucor
