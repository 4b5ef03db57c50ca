// The recordings of today a lecture part may have besides RealMedia: the
// video and sound formats screen recorders, phones and editors write. They
// are looked for by extension, in the order listed, after every RealMedia
// name, so that a lecture with RealMedia loads as it always did.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

// Extensions with their dot, lower case: the video kinds, then the sound
// kinds, in the order they are looked for.
const std::vector<std::string>& RecordingExtensions();
// Whether the extension names a kind that usually holds video; the streams
// of the file itself decide when it is opened.
bool IsVideoRecordingName(const std::string& name);
// Whether the name ends in one of the extensions (any letter case).
bool IsRecordingName(const std::string& name);
// The name of the first recording of today in the directory, as listed;
// empty when it holds none.
std::string FirstRecordingIn(const std::string& dir);
// "*.mp4 *.m4v ... *.flac", for messages that list the accepted media.
std::string RecordingPatterns();

}  // namespace pellucor
