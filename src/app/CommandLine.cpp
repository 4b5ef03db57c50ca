#include "app/Commands.h"

#include <QDir>

#include "core/TavUtils.h"

namespace pellucor {

std::string CommandLinePath(const QString& path) { return QDir(path).absolutePath().toStdString(); }

std::string CommandLineDir(const QString& path) { return Tav_DirSlash(CommandLinePath(path)); }

}  // namespace pellucor
