// What other windows (the automation class, the server edition) ask of the
// main window. The main-window model implements it.
#pragma once

#include <string>

namespace pellucor {

class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;
    // Shows a lecture directory, as if chosen by the user: runs the
    // directory's change handler, which fills the detailed form's lecture
    // name and paths, and DirOrPPTChanged.
    virtual void SetLectureDir(const std::string& dir) = 0;
    // Asks the kept publish driver whether the lecture can be published.
    virtual bool OKToPublish(bool showMsg, std::string& msg) = 0;
};

}  // namespace pellucor
