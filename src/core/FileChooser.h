// The file dialogs a capture window opens, behind an interface so that the
// windows' logic runs without a screen. Filters are written as pairs of
// description and pattern joined by "|" ("Text (*.txt)|*.txt|All Files|*.*").
#pragma once

#include <string>

namespace pellucor {

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen existing file, or an empty text when the user cancelled.
    virtual std::string OpenFileName(const std::string& startDir, const std::string& filter) = 0;
    // The chosen file to create or overwrite, or an empty text.
    virtual std::string SaveFileName(const std::string& startDir, const std::string& filter) = 0;
};

}  // namespace pellucor
