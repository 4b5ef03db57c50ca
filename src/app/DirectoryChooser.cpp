#include "app/DirectoryChooser.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>

#include "app/FrontEndHooks.h"
#include "core/TavUtils.h"

namespace pellucor {

DirectoryChooser::DirectoryChooser(const FrontEndHooks* hooks) : hooks_(hooks ? hooks : &FrontEndHooks::Headless()) { }

std::vector<std::string> DirectoryChooser::Drives()
{
    std::vector<std::string> drives {"/"};
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady())
            continue;
        const std::string root = Tav_DirSlash(v.rootPath().toStdString());
        if (std::find(drives.begin(), drives.end(), root) == drives.end())
            drives.push_back(root);
    }
    return drives;
}

bool DirectoryChooser::setDir1(const std::string& dir)
{
    if (!Tav_ChkDir(dir))
        return false;
    currentDir = Tav_DirSlash(dir);
    // The drive list shows the deepest mounted root that holds the directory.
    std::string best = "/";
    for (const std::string& d : Drives())
        if (StartsWith(currentDir, d) && d.size() > best.size())
            best = d;
    rootDir = best;
    return true;
}

void DirectoryChooser::activate()
{
    DirName = Tav_DirSlash(DirName);
    if (DirName.empty())
        return;
    // Drive letters do not exist here: a "X:" path names no drive.
    const bool badDrive = DirName.size() > 1 && DirName[1] == ':';
    if (badDrive)
        Tav_Message("Error - Drive Letter wrong - " + DirName);
    if (!badDrive && cmdMkDirVisible && !Tav_ChkDir(DirName))
        Tav_Mkdir(DirName);
    if (!setDir1(DirName)) {
        Tav_Message("Directory Not Found " + DirName);
        setDir1("/");
        DirName.assign(1, kPathSeparator);  // (a plain "/" literal trips a false -Wrestrict in GCC 12 at -O2)
    }
}

void DirectoryChooser::driveChanged(const std::string& drive)
{
    if (setDir1(drive))
        DirName = currentDir;
}

void DirectoryChooser::directoryChanged(const std::string& dir)
{
    if (setDir1(dir))
        DirName = currentDir;
}

void DirectoryChooser::makeDirectory()
{
    std::string answer = DirName;
    if (!hooks_->InputBox("Enter New Directory", "Creating Directory", answer))
        return;
    answer = Trim(answer);
    if (answer.empty())
        return;
    // A bare name is made inside the highlighted folder, not wherever the
    // program happened to start.
    if (QDir::isRelativePath(QString::fromStdString(answer)))
        answer = Tav_DirSlash(currentDir.empty() ? DirName : currentDir) + answer;
    if (!Tav_Mkdir(answer))
        return;
    DirName = Tav_DirSlash(answer);
    setDir1(DirName);
}

void DirectoryChooser::accept()
{
    DirName = Trim(DirName);
    if (DirName.empty() || DirName.back() != kPathSeparator)
        DirName += kPathSeparator;
    chkCancel = 0;
}

}  // namespace pellucor
