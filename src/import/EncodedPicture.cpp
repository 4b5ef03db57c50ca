#include "import/EncodedPicture.h"

#include <QSaveFile>
#include <QString>

extern "C" {
#include <libavutil/error.h>
}

namespace pellucor {

std::string Tav_AvErrorText(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

bool Tav_SavePicture(const std::string& path, const std::string& data, std::string& err)
{
    QSaveFile file(QString::fromStdString(path));
    const auto size = static_cast<qint64>(data.size());
    if (!file.open(QIODevice::WriteOnly) || file.write(data.data(), size) != size || !file.commit()) {
        err = file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace pellucor
