#include "FtpTestServer.h"

#include <QCoreApplication>

namespace pellucor {

void EnsureCoreApplication()
{
    static int argc = 1;
    static char name[] = "upload_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

FtpTestServer::FtpTestServer(const std::vector<std::string>& extraArgs)
{
    EnsureCoreApplication();
    QStringList args = {PELLUCOR_FTP_SERVER_SCRIPT, "--root", QString::fromStdString(root_.path().string()), "--user",
                        kUser, "--password", kPassword};
    for (const auto& a : extraArgs)
        args << QString::fromStdString(a);
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(PELLUCOR_PYTHON3, args);
    if (!process_->waitForStarted(10000))
        return;
    QByteArray line;
    while (!line.contains('\n') && process_->waitForReadyRead(10000))
        line += process_->readAll();
    if (line.startsWith("PORT "))
        port_ = line.mid(5).trimmed().toInt();
}

void FtpTestServer::Kill()
{
    process_->kill();
    process_->waitForFinished(3000);
}

FtpTestServer::~FtpTestServer()
{
    if (process_->state() == QProcess::NotRunning)
        return;
    process_->closeWriteChannel();
    if (!process_->waitForFinished(3000)) {
        process_->kill();
        process_->waitForFinished(3000);
    }
}

}  // namespace pellucor
