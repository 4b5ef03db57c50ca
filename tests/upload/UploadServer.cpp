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
                       {"proftpd_sftp", "proftpd.sh", "sftp", "sftp", ""},
                       {"swift", "swift.sh", "", "s3", ""}};

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
    // Swift's S3 keys, where the AWS tools keep them.
    writeFile(home() + ".aws/credentials",
              "[default]\naws_access_key_id = test:tester\naws_secret_access_key = testing\n");
    process_.setChildProcessModifier([] { ::setsid(); });
    start();
}

bool UploadServer::Restart()
{
    Kill();
    output_.clear();
    start();
    return started_;
}

void UploadServer::start()
{
    const ServerKind kind = kind_;
    const QString tests = QString::fromStdString(sourceDir()) + "tests/upload/";
    const Kind& k = kKinds[static_cast<int>(kind)];
    if (kind == ServerKind::PyFtp)
        process_.start("/usr/bin/python3", {tests + "ftp_server.py", "--root", QString::fromStdString(onDisk(""))});
    else
        process_.start("sh", QStringList {tests + "servers/" + k.script, QString::fromStdString(work()), k.mode});
    process_.waitForStarted(10000);
    QElapsedTimer clock;
    clock.start();
    // Swift's five Python programs (the ring builder's too) take their time.
    const qint64 limit = kind == ServerKind::Swift ? 120000 : 30000;
    while (value("PORT").empty() && clock.elapsed() < limit && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(200);
        output_ += process_.readAllStandardOutput();
    }
    const int port = std::atoi(value("PORT").c_str());
    while (port > 0 && !accepts(port) && clock.elapsed() < limit && process_.state() == QProcess::Running)
        QThread::msleep(20);
    started_ = port > 0 && accepts(port);
}

UploadServer::~UploadServer() { Kill(); }

QStringList UploadServer::rclone(const QStringList& args) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("AWS_CA_BUNDLE");  // an https setting rclone refuses with its http transport
    for (const auto& [name, v] : {std::pair {"TYPE", "s3"},
                                  {"PROVIDER", "Other"},
                                  {"REGION", "us-east-1"},
                                  {"ACCESS_KEY_ID", "test:tester"},
                                  {"SECRET_ACCESS_KEY", "testing"}})
        env.insert(QString("RCLONE_CONFIG_SWIFT_") + name, v);
    env.insert("RCLONE_CONFIG_SWIFT_ENDPOINT", QString::fromStdString("http://127.0.0.1:" + value("PORT")));
    p.setProcessEnvironment(env);
    p.start("rclone", QStringList {"--config", "/dev/null"} + args);
    p.waitForFinished(60000);
    return {QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

std::map<std::string, std::string> UploadServer::objects(const std::string& prefix) const
{
    TempDir copy;
    rclone({"copy", QString::fromStdString("swift:lectures/" + prefix), QString::fromStdString(copy.dir())});
    return treeContents(copy.path());
}

std::string UploadServer::unfinishedUploads() const
{
    return rclone({"backend", "list-multipart-uploads", "swift:lectures"}).front().toStdString();
}

std::string UploadServer::objectList(const std::string& prefix) const
{
    return rclone({"lsjson", "-R", "--files-only", QString::fromStdString("swift:lectures/" + prefix)})
        .front()
        .toStdString();
}

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
    if (kind_ == ServerKind::Swift)
        return "s3://lectures";
    const Kind& k = kKinds[static_cast<int>(kind_)];
    const std::string port = value(readOnly && kind_ == ServerKind::Sshd ? "READONLY_PORT" : "PORT");
    if (kind_ == ServerKind::PyFtp)
        return "127.0.0.1:" + port;  // no scheme: FTP is the default
    return std::string(k.scheme) + "://127.0.0.1:" + port + "/" + k.davFolder + (*k.davFolder ? "/" : "");
}

QStringList UploadServer::login(bool readOnly) const
{
    if (kind_ == ServerKind::Swift)
        return {"--endpoint", QString::fromStdString("http://127.0.0.1:" + value("PORT"))};
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
                      const QStringList& options, const QStringList& env)
{
    const QStringList args
        = QStringList {"upload", QString::fromStdString(local), "--host", QString::fromStdString(url)} + options;
    return runProgram(PELLUCOR_EXE, args, home, QStringList {"env", QString::fromStdString("HOME=" + home)} + env);
}

UploadRun runUpload(const UploadServer& server, const std::string& local, const std::string& remote,
                    const QStringList& options, bool readOnly)
{
    return runUploadTo(server.home(), server.url(readOnly), local,
                       server.login(readOnly) + QStringList {"--remote", QString::fromStdString(remote)} + options);
}

}  // namespace pellucor
