// The detailed form's "Package" button: the disk copy zipped for a
// learning platform on a worker thread, its progress on the form.
#include "app/PublishForm.h"

#include <QThread>

#include "core/TavUtils.h"

namespace pellucor {

std::string PublishForm::DefaultPackagePath(PackageKind kind) const
{
    const std::string dir = Tav_DirSlash(TextCDDir);
    if (dir.size() < 2)
        return "";
    const std::string base = dir.substr(0, dir.size() - 1);
    switch (kind) {
    case PackageKind::Scorm12: return base + "-scorm12.zip";
    case PackageKind::Scorm2004: return base + "-scorm2004.zip";
    case PackageKind::CommonCartridge: break;
    }
    return base + ".imscc";
}

bool PublishForm::makePackage(PackageKind kind, const std::string& out)
{
    if (Publishing() || out.empty())
        return false;
    const std::string dir = Tav_DirSlash(TextCDDir);
    packaging_ = true;
    progressPercent = 0;
    SetStatus("Packaging " + dir + " into " + out);
    emit publishingChanged(true);
    auto result = std::make_shared<std::pair<bool, std::string>>(false, "");
    QThread* worker = QThread::create([=, this] {
        result->first = WritePackage(dir, kind, out, result->second, [this](int percent) {
            QMetaObject::invokeMethod(
                this,
                [this, percent] {
                    progressPercent = percent;
                    emit progressChanged(percent);
                },
                Qt::QueuedConnection);
        });
    });
    packageWorker_ = worker;
    connect(worker, &QThread::finished, this, [this, worker, result, out] {
        worker->deleteLater();
        packageWorker_ = nullptr;
        packaging_ = false;
        if (result->first)
            SetStatus("Package written - " + out, kColourGreen);
        else
            SetStatus("Package failed - " + result->second, kColourRed);
        emit publishingChanged(false);
        emit packageFinished(result->first);
    });
    worker->start();
    return true;
}

}  // namespace pellucor
