// A lecture loaded only to be read (its slide table shown, its video
// written): a directory that holds a published lecture is converted in a
// scratch copy, so the directory itself stays as it is.
#pragma once

#include <QTemporaryDir>

#include <string>

#include "core/SlideEngine.h"

namespace pellucor {

// Loads engine's lecture from its settings (LecDir, MediaDir, LecName);
// for a published lecture LecDir and MediaDir then name the scratch copy
// in scratch, which must live as long as the lecture is read. False with
// err (naming the directories as given).
bool LoadLectureForReading(SlideEngine& engine, QTemporaryDir& scratch, std::string& err);

}  // namespace pellucor
