#include "editing/OverviewCache.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace pellucor {

namespace {
constexpr quint32 kMagic = 0x504c544c;  // "PLTL"
constexpr quint32 kVersion = 1;
}  // namespace

OverviewCache::OverviewCache(std::string dir) : dir_(std::move(dir))
{
    if (dir_.empty()) {
        QString base = qEnvironmentVariable("XDG_CACHE_HOME");
        if (base.isEmpty())
            base = QDir::homePath() + "/.cache";
        dir_ = (base + "/pellucor/timeline").toStdString();
    }
}

std::string OverviewCache::FileFor(const std::string& recording) const
{
    const QFileInfo info(QString::fromStdString(recording));
    if (!info.exists())
        return {};
    const QString key = info.canonicalFilePath() + '\n' + QString::number(info.size()) + '\n'
        + QString::number(info.lastModified().toMSecsSinceEpoch()) + '\n' + QString::number(kVersion);
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
    return dir_ + "/" + hash.toStdString() + ".overview";
}

bool OverviewCache::Load(const std::string& recording, RecordingOverview& out) const
{
    const std::string file = FileFor(recording);
    QFile f(QString::fromStdString(file));
    if (file.empty() || !f.open(QIODevice::ReadOnly))
        return false;
    QDataStream in(&f);
    quint32 magic = 0, version = 0, frames = 0;
    RecordingOverview o;
    QByteArray peaks;
    in >> magic >> version >> o.duration >> o.peakStep >> peaks >> frames;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion || frames > 100000)
        return false;
    o.peaks.assign(peaks.begin(), peaks.end());
    for (quint32 i = 0; i < frames; ++i) {
        RecordingOverview::Frame fr;
        qint32 w = 0, h = 0;
        QByteArray rgb;
        in >> fr.time >> w >> h >> rgb;
        if (in.status() != QDataStream::Ok || w <= 0 || h <= 0 || rgb.size() != qsizetype(w) * h * 3)
            return false;
        fr.width = w;
        fr.height = h;
        fr.rgb.assign(rgb.begin(), rgb.end());
        o.frames.push_back(std::move(fr));
    }
    out = std::move(o);
    return true;
}

bool OverviewCache::Store(const std::string& recording, const RecordingOverview& o) const
{
    const std::string file = FileFor(recording);
    if (file.empty() || !QDir().mkpath(QString::fromStdString(dir_)))
        return false;
    QSaveFile f(QString::fromStdString(file));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&f);
    out << kMagic << kVersion << o.duration << o.peakStep
        << QByteArray(reinterpret_cast<const char*>(o.peaks.data()), static_cast<qsizetype>(o.peaks.size()))
        << static_cast<quint32>(o.frames.size());
    for (const RecordingOverview::Frame& fr : o.frames)
        out << fr.time << static_cast<qint32>(fr.width) << static_cast<qint32>(fr.height)
            << QByteArray(reinterpret_cast<const char*>(fr.rgb.data()), static_cast<qsizetype>(fr.rgb.size()));
    return out.status() == QDataStream::Ok && f.commit();
}

}  // namespace pellucor
