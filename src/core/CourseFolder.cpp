#include "core/CourseFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

namespace pellucor {

std::string CoursePageAbove(const std::string& dir)
{
    QString here = QDir::cleanPath(QFileInfo(QString::fromStdString(dir)).absoluteFilePath());
    std::string up;
    for (;;) {
        const QString parent = QFileInfo(here).path();
        if (parent == here)
            return {};
        here = parent;
        up += "../";
        const QDir root(here);
        if (QFileInfo(root.filePath(QString(kCourseDirName) + "/" + kCourseStateName)).isFile()
            && QFileInfo(root.filePath("index.htm")).isFile())
            return up + "index.htm";
    }
}

}  // namespace pellucor
