#include "app/PageOpener.h"

#include <QProcess>
#include <QUrl>

#include "core/TavUtils.h"

namespace pellucor {

QString PageOpener::Shown(const std::string& target)
{
    const QUrl url(QString::fromStdString(target));
    return url.isLocalFile() ? url.toLocalFile() : QString::fromStdString(target);
}

void PageOpener::Open(const std::string& target)
{
    Tav_DebugLog("ShellOpen " + target);
    // Without a parent: a browser that xdg-open waits for outlives this
    // program instead of being ended with it.
    auto* process = new QProcess;
    const QString page = Shown(target);
    connect(process, &QProcess::errorOccurred, this, [this, process, page](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        emit notOpened(page, tr("xdg-open could not be started: %1").arg(process->errorString()));
        process->deleteLater();
    });
    connect(process, &QProcess::finished, this, [this, process, page](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0) {
            const QString out = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
            emit notOpened(page,
                           tr("No web browser could be opened (xdg-open exit %1)%2")
                               .arg(code)
                               .arg(out.isEmpty() ? QString() : ": " + out));
        }
        process->deleteLater();
    });
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(QStringLiteral("xdg-open"), {QString::fromStdString(target)});
}

}  // namespace pellucor

#include "moc_PageOpener.cpp"
