// The directory chooser: a drive list, a directory tree, the chosen path
// (DirName), OK and Cancel, and, when the caller allows it, a button that
// creates a directory. The caller sets the title and DirName, shows it
// modally and takes DirName when chkCancel is 0 afterwards.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

struct FrontEndHooks;

class DirectoryChooser {
public:
    explicit DirectoryChooser(const FrontEndHooks* hooks = nullptr);

    std::string Caption = "Select Directory";
    std::string DirName;
    std::string rootDir;     // the root the tree shows ("/" or a mount point)
    std::string currentDir;  // the tree's current directory
    int chkCancel = 1;
    bool cmdMkDirVisible = false;

    // The roots offered in the drive list: "/" and the mounted volumes.
    static std::vector<std::string> Drives();

    void allowCreate() { cmdMkDirVisible = true; }
    // Each time the dialog is shown: normalises DirName, creates it when
    // allowed and missing, and moves the tree there.
    void activate();
    void driveChanged(const std::string& drive);
    void directoryChanged(const std::string& dir);
    // Asks for a name ("Enter New Directory") and creates it.
    void makeDirectory();
    void accept();
    void cancel() { chkCancel = 1; }

private:
    bool setDir1(const std::string& dir);
    const FrontEndHooks* hooks_;
};

}  // namespace pellucor
