#include "core/TextFile.h"

#include <QSaveFile>
#include <QString>

#include <fstream>
#include <sstream>

namespace pellucor {

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& err)
{
    QSaveFile file(QString::fromStdString(path));
    // Unbuffered, so that a full disk fails the write itself: a buffered
    // one failed only when committed, which linked the empty file in all
    // the same (Qt 6.4 on a full tmpfs).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())
        || !file.commit()) {
        err = "Unable to write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    text = out.str();
    return !in.bad();
}

}  // namespace pellucor
