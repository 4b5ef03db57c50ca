// Upload over FTP with TLS against a real vsftpd on 127.0.0.1, started by
// the test with a certificate generated for it, and stopped again.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "FtpTestServer.h"
#include "TestSupport.h"

namespace pellucor {

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// A port on 127.0.0.1 that nothing listens on right now.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

bool accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

// vsftpd serving root/ to anonymous users, who must log in and send data
// over TLS; it runs as the user who started it.
class VsftpdServer {
public:
    VsftpdServer()
    {
        EnsureCoreApplication();
        fs::create_directories(dir_.dir() + "root");
        fs::create_directories(dir_.dir() + "empty");
        QProcess openssl;
        openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                                  "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                                  QString::fromStdString(dir_.file("key.pem")), "-out",
                                  QString::fromStdString(certificate())});
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
            return;
        port_ = freePort();
        writeFile(dir_.file("vsftpd.conf"),
                  "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(port_) +
                      "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\nlocal_enable=NO\n"
                      "write_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
                      "anon_other_write_enable=YES\nanon_umask=022\nno_anon_password=YES\nanon_root=" +
                      root() + "\nssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                               "force_anon_data_ssl=YES\nrequire_ssl_reuse=NO\nrsa_cert_file=" +
                      certificate() + "\nrsa_private_key_file=" + dir_.file("key.pem") +
                      "\nseccomp_sandbox=NO\nsecure_chroot_dir=" + dir_.dir() +
                      "empty\npasv_address=127.0.0.1\nxferlog_enable=NO\n");
        // vsftpd 3.0.3 breaks off uploads over TLS 1.3 ("426 Failure reading
        // network stream"); the server is held to TLS 1.2, the client is not.
        writeFile(dir_.file("openssl.cnf"), "openssl_conf = default_conf\n[default_conf]\nssl_conf = ssl_sect\n"
                                            "[ssl_sect]\nsystem_default = tls\n[tls]\nMaxProtocol = TLSv1.2\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("OPENSSL_CONF", QString::fromStdString(dir_.file("openssl.cnf")));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(PELLUCOR_VSFTPD, {QString::fromStdString(dir_.file("vsftpd.conf"))});
        if (!process_.waitForStarted(10000))
            return;
        QElapsedTimer clock;
        clock.start();
        while (!accepts(port_) && clock.elapsed() < 10000 && process_.state() == QProcess::Running)
            QThread::msleep(20);
        started_ = accepts(port_);
    }
    ~VsftpdServer()
    {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    bool started() const { return started_; }
    int port() const { return port_; }
    // What the server shows as "/" is the real directory: no chroot when
    // it runs as the user who started it, so paths are given relative.
    std::string root() const { return dir_.dir() + "root/"; }
    std::string certificate() const { return dir_.file("cert.pem"); }

private:
    TempDir dir_;
    QProcess process_;
    int port_ = 0;
    bool started_ = false;
};

struct Upload {
    int code = -1;
    std::string out, err;
};

Upload upload(const std::string& local, const std::string& host, const QStringList& extra)
{
    QProcess p;
    p.start(PELLUCOR_EXE, QStringList{"upload", QString::fromStdString(local), "--host",
                                      QString::fromStdString(host), "--remote", "course/talk"} +
                              extra);
    Upload u;
    if (!p.waitForFinished(60000))
        p.kill();
    u.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    u.out = p.readAllStandardOutput().toStdString();
    u.err = p.readAllStandardError().toStdString();
    return u;
}

TEST(Ftps, UploadsOverTlsToARealServerThatItVerifies)
{
    VsftpdServer server;
    ASSERT_TRUE(server.started()) << "vsftpd did not start";
    TempDir local;
    writeFile(local.path() / "index.htm", "<html></html>");
    std::string media(300000, '\0');
    for (size_t i = 0; i < media.size(); ++i)
        media[i] = static_cast<char>(i * 7919 % 251);
    writeFile(local.path() / "talk1.webm", media);
    const std::string address = "ftpes://127.0.0.1:" + std::to_string(server.port()) + "/";

    // A server whose certificate cannot be verified is not trusted.
    Upload u = upload(local.dir(), address, {});
    EXPECT_NE(u.code, 0) << u.out << u.err;
    EXPECT_FALSE(fs::exists(server.root() + "course"));

    // Plain FTP is refused by a server that requires TLS.
    u = upload(local.dir(), "127.0.0.1:" + std::to_string(server.port()), {});
    EXPECT_NE(u.code, 0) << u.out << u.err;
    EXPECT_FALSE(fs::exists(server.root() + "course"));

    // With its certificate: levels created, every file whole, no temporary names.
    u = upload(local.dir(), address, {"--cacert", QString::fromStdString(server.certificate())});
    ASSERT_EQ(u.code, 0) << u.out << u.err;
    EXPECT_NE(u.out.find("Upload Complete 2 Files/"), std::string::npos) << u.out;
    EXPECT_EQ(readFile(server.root() + "course/talk/index.htm"), "<html></html>");
    EXPECT_EQ(readFile(server.root() + "course/talk/talk1.webm"), media);
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(server.root() + "course/talk")) {
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
}

TEST(Ftps, SftpAddressesAreRefusedWithAClearMessage)
{
    TempDir local;
    writeFile(local.path() / "index.htm", "<html></html>");
    const Upload u = upload(local.dir(), "sftp://127.0.0.1:1/", {});
    EXPECT_NE(u.code, 0);
    EXPECT_NE((u.out + u.err).find("SFTP is not supported"), std::string::npos) << u.out << u.err;
}

}  // namespace

}  // namespace pellucor
