#include "UploadServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "PellucorProcess.h"
#include "ProcessTable.h"

namespace pellucor {

using namespace testing_support;
namespace fs = std::filesystem;

namespace {
sockaddr_in loopback(int port)
{
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return addr;
}

bool accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in addr = loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

const char* scriptOf(ServerKind kind)
{
    switch (kind) {
    case ServerKind::Proftpd:
    case ServerKind::SftpPassword: return "proftpd.sh";
    case ServerKind::Vsftpd: return "vsftpd.sh";
    case ServerKind::Sshd: return "sshd.sh";
    default: return "apache.sh";
    }
}
}  // namespace

UploadServer::UploadServer(ServerKind kind) : kind_(kind)
{
    // The servers' sessions run as nobody when root starts them.
    fs::permissions(dir_.path(),
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read
                        | fs::perms::others_exec);
    fs::create_directories(home());
    fs::create_directories(work());
    writeFile(home() + "pw", "secret\n");
    process_ = std::make_unique<QProcess>();
    process_->setChildProcessModifier([] { ::setsid(); });
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    const QString servers = QString::fromStdString(sourceDir()) + "tests/upload/servers/";
    if (kind == ServerKind::PyFtp) {
        process_->start("/usr/bin/python3",
                        {QString::fromStdString(sourceDir()) + "tests/upload/ftp_server.py", "--root",
                         QString::fromStdString(work() + "root"), "--user", "alice", "--password", "secret"});
    } else {
        QStringList args = {servers + scriptOf(kind), QString::fromStdString(work())};
        if (kind == ServerKind::Proftpd || kind == ServerKind::SftpPassword)
            args << (kind == ServerKind::Proftpd ? "tls" : "sftp");
        process_->start("sh", args);
    }
    if (!process_->waitForStarted(10000))
        return;
    QElapsedTimer clock;
    clock.start();
    while (value("PORT").empty() && clock.elapsed() < 30000 && process_->state() == QProcess::Running) {
        process_->waitForReadyRead(200);
        output_ += process_->readAllStandardOutput();
    }
    const int port = std::atoi(value("PORT").c_str());
    while (port > 0 && !accepts(port) && clock.elapsed() < 30000 && process_->state() == QProcess::Running)
        QThread::msleep(20);
    started_ = port > 0 && accepts(port);
    if (!started_)
        output_ += process_->readAllStandardError();
}

UploadServer::~UploadServer() { Kill(); }

void UploadServer::Kill()
{
    if (!process_ || process_->state() == QProcess::NotRunning)
        return;
    for (long pid : processTreeOfSession(process_->processId()))
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    process_->waitForFinished(5000);
}

std::string UploadServer::value(const std::string& key) const
{
    std::istringstream lines(output_.toStdString());
    std::string k, v;
    while (lines >> k && std::getline(lines, v)) {
        if (k == key)
            return v.empty() ? v : v.substr(1);
    }
    return "";
}

const char* ServerKindName(ServerKind kind)
{
    const char* names[] = {"pyftpdlib", "proftpd", "vsftpd", "sshd", "apache", "apache_digest", "proftpd_sftp"};
    return names[static_cast<int>(kind)];
}

std::string UploadServer::url(bool readOnly) const
{
    const std::string port = value("PORT");
    switch (kind_) {
    case ServerKind::PyFtp: return "127.0.0.1:" + port;
    case ServerKind::Proftpd:
    case ServerKind::Vsftpd: return "ftpes://127.0.0.1:" + port + "/";
    case ServerKind::Sshd: return "sftp://127.0.0.1:" + (readOnly ? value("READONLY_PORT") : port) + "/";
    case ServerKind::SftpPassword: return "sftp://127.0.0.1:" + port + "/";
    case ServerKind::Dav: return "https://127.0.0.1:" + port + "/dav/";
    case ServerKind::DavDigest: return "https://127.0.0.1:" + port + "/digest/";
    }
    return "";
}

QStringList UploadServer::login(bool readOnly) const
{
    const QString pw = QString::fromStdString(home() + "pw");
    switch (kind_) {
    case ServerKind::Sshd:
        return {"--user",
                QString::fromStdString(value("USER")),
                "--key",
                QString::fromStdString(work() + "userkey"),
                "--accept-host-key",
                QString::fromStdString(hostKeyFingerprint())};
    case ServerKind::Vsftpd: return {"--cacert", QString::fromStdString(value("CERT"))};
    case ServerKind::PyFtp: return {"--user", "alice", "--password-file", pw};
    case ServerKind::SftpPassword:
        return {"--user", readOnly ? "reader" : "alice", "--password-file",
                pw,       "--accept-host-key",           QString::fromStdString(hostKeyFingerprint())};
    default:
        return QStringList {"--user", readOnly ? "reader" : "alice", "--password-file", pw}
        + (value("CERT").empty() ? QStringList() : QStringList {"--cacert", QString::fromStdString(value("CERT"))});
    }
}

QStringList UploadServer::untrusted() const
{
    QStringList args = login();
    const bool ssh = kind_ == ServerKind::Sshd || kind_ == ServerKind::SftpPassword;
    const int i = args.indexOf(ssh ? "--accept-host-key" : "--cacert");
    if (i >= 0)
        args.remove(i, 2);
    return args;
}

std::string UploadServer::remote(const std::string& name) const
{
    switch (kind_) {
    case ServerKind::Sshd:
    case ServerKind::SftpPassword: return work() + "root/" + name;
    case ServerKind::Dav: return "/dav/" + name;
    case ServerKind::DavDigest: return "/digest/" + name;
    default: return name;
    }
}

std::string UploadServer::onDisk(const std::string& name) const { return work() + "root/" + name; }

SilentServer::SilentServer()
{
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = loopback(0);
    socklen_t len = sizeof addr;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(fd_, 16) == 0
        && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port_ = ntohs(addr.sin_port);
}

SilentServer::~SilentServer() { ::close(fd_); }

UploadRun runUploadTo(const std::string& home, const std::string& url, const std::string& local,
                      const QStringList& options)
{
    const QStringList args
        = QStringList {"upload", QString::fromStdString(local), "--host", QString::fromStdString(url)} + options;
    const ProcessOutcome r = runProgram(PELLUCOR_EXE, args, home, {"env", QString::fromStdString("HOME=" + home)});
    return {r.code, r.out, r.err};
}

UploadRun runUpload(const UploadServer& server, const std::string& local, const std::string& remote,
                    const QStringList& options, bool readOnly)
{
    return runUploadTo(server.home(), server.url(readOnly), local,
                       server.login(readOnly) + QStringList {"--remote", QString::fromStdString(remote)} + options);
}

}  // namespace pellucor
