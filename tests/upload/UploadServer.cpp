#include "UploadServer.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "PellucorProcess.h"
#include "ProcessTable.h"

namespace pellucor {

using namespace testing_support;
namespace fs = std::filesystem;

namespace {
// Per kind: its name, the script and mode that start it, the URL scheme and
// the folder of the web server the remote paths are under.
struct Kind {
    const char *name, *script, *mode, *scheme, *davFolder;
};
const Kind kKinds[] = {{"pyftpdlib", "", "", "", ""},
                       {"proftpd", "proftpd.sh", "tls", "ftpes", ""},
                       {"vsftpd", "vsftpd.sh", "", "ftpes", ""},
                       {"sshd", "sshd.sh", "", "sftp", ""},
                       {"apache", "apache.sh", "", "https", "dav"},
                       {"apache_digest", "apache.sh", "", "https", "digest"},
                       {"proftpd_sftp", "proftpd.sh", "sftp", "sftp", ""}};

bool accepts(int port)
{
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
    return socket.waitForConnected(1000);
}
}  // namespace

const char* ServerKindName(ServerKind kind) { return kKinds[static_cast<int>(kind)].name; }

UploadServer::UploadServer(ServerKind kind) : kind_(kind)
{
    // The servers' sessions run as nobody when root starts them.
    fs::permissions(dir_.path(), fs::perms(0755));
    fs::create_directories(work());
    writeFile(home() + "pw", "secret\n");
    process_.setChildProcessModifier([] { ::setsid(); });
    const QString tests = QString::fromStdString(sourceDir()) + "tests/upload/";
    const Kind& k = kKinds[static_cast<int>(kind)];
    if (kind == ServerKind::PyFtp)
        process_.start("/usr/bin/python3", {tests + "ftp_server.py", "--root", QString::fromStdString(onDisk(""))});
    else
        process_.start("sh", QStringList {tests + "servers/" + k.script, QString::fromStdString(work()), k.mode});
    process_.waitForStarted(10000);
    QElapsedTimer clock;
    clock.start();
    while (value("PORT").empty() && clock.elapsed() < 30000 && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(200);
        output_ += process_.readAllStandardOutput();
    }
    const int port = std::atoi(value("PORT").c_str());
    while (port > 0 && !accepts(port) && clock.elapsed() < 30000 && process_.state() == QProcess::Running)
        QThread::msleep(20);
    started_ = port > 0 && accepts(port);
}

UploadServer::~UploadServer() { Kill(); }

void UploadServer::Kill()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    for (long pid : processTreeOfSession(process_.processId()))
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    process_.waitForFinished(5000);
}

void UploadServer::Pause()
{
    if (process_.state() != QProcess::NotRunning)
        for (long pid : processTreeOfSession(process_.processId()))
            ::kill(static_cast<pid_t>(pid), SIGSTOP);
}

std::string UploadServer::value(const std::string& key) const
{
    std::istringstream lines(output_.toStdString());
    std::string k, v;
    while (lines >> k >> std::ws && std::getline(lines, v))
        if (k == key)
            return v;
    return "";
}

std::string UploadServer::url(bool readOnly) const
{
    const Kind& k = kKinds[static_cast<int>(kind_)];
    const std::string port = value(readOnly && kind_ == ServerKind::Sshd ? "READONLY_PORT" : "PORT");
    if (kind_ == ServerKind::PyFtp)
        return "127.0.0.1:" + port;  // no scheme: FTP is the default
    return std::string(k.scheme) + "://127.0.0.1:" + port + "/" + k.davFolder + (*k.davFolder ? "/" : "");
}

QStringList UploadServer::login(bool readOnly) const
{
    QStringList args;
    if (kind_ == ServerKind::Sshd)
        args = {"--user", QString::fromStdString(value("USER")), "--key", QString::fromStdString(work() + "userkey")};
    else if (kind_ != ServerKind::Vsftpd)  // vsftpd's users are anonymous
        args = {"--user", readOnly && kind_ != ServerKind::PyFtp ? "reader" : "alice", "--password-file",
                QString::fromStdString(home() + "pw")};
    if (!value("CERT").empty())
        args << "--cacert" << QString::fromStdString(value("CERT"));
    if (!hostKeyFingerprint().empty())
        args << "--accept-host-key" << QString::fromStdString(hostKeyFingerprint());
    return args;
}

QStringList UploadServer::untrusted() const
{
    QStringList args = login();
    for (const char* trust : {"--cacert", "--accept-host-key"})
        if (const int i = args.indexOf(trust); i >= 0)
            args.remove(i, 2);
    return args;
}

std::string UploadServer::remote(const std::string& name) const
{
    const Kind& k = kKinds[static_cast<int>(kind_)];
    if (std::string(k.scheme) == "sftp")
        return onDisk(name);
    return *k.davFolder ? "/" + std::string(k.davFolder) + "/" + name : name;
}

std::string UploadServer::onDisk(const std::string& name) const { return work() + "root/" + name; }

UploadRun runUploadTo(const std::string& home, const std::string& url, const std::string& local,
                      const QStringList& options)
{
    const QStringList args
        = QStringList {"upload", QString::fromStdString(local), "--host", QString::fromStdString(url)} + options;
    return runProgram(PELLUCOR_EXE, args, home, {"env", QString::fromStdString("HOME=" + home)});
}

UploadRun runUpload(const UploadServer& server, const std::string& local, const std::string& remote,
                    const QStringList& options, bool readOnly)
{
    return runUploadTo(server.home(), server.url(readOnly), local,
                       server.login(readOnly) + QStringList {"--remote", QString::fromStdString(remote)} + options);
}

}  // namespace pellucor
