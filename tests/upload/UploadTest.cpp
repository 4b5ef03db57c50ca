// `pellucor upload` as a user runs it, against real servers on 127.0.0.1:
// one table of cases, each over every protocol it applies to.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <filesystem>

#include "QtCoreTestApp.h"
#include "TestSupport.h"
#include "UploadServer.h"

PELLUCOR_QT_CORE_TEST_APP();

namespace pellucor {

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// A published lecture's shape (as treeContents gives it, folders as "/"):
// nested folders, names with blanks, quotes, ";", "%20", a leading "-",
// non-ASCII letters, and one larger file.
struct Tree {
    TempDir dir;
    std::map<std::string, std::string> files;
    Tree()
    {
        std::string media(300000, '\0');
        for (size_t i = 0; i < media.size(); ++i)
            media[i] = static_cast<char>(i * 7919 % 251);
        files = {{"index.htm", "<html></html>"},
                 {"talk1.mp4", media},
                 {"img", "/"},
                 {"img/sld001.gif", "GIF89a"},
                 {"img/thumbs", "/"},
                 {"img/thumbs/it's a \"slide\";%20.gif", "thumb"},
                 {"-notes", "/"},
                 {"-notes/Übung é.txt", "notes"},
                 {"empty folder", "/"}};
        for (const auto& [name, content] : files)
            content == "/" ? (void)fs::create_directories(dir.path() / name) : writeFile(dir.path() / name, content);
    }
};

class UploadTo : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override
    {
        server_ = std::make_unique<UploadServer>(GetParam());
        ASSERT_TRUE(server_->started()) << server_->name() << " did not start";
    }
    std::unique_ptr<UploadServer> server_;
};

std::string kindName(const ::testing::TestParamInfo<ServerKind>& info) { return ServerKindName(info.param); }

using WholeTree = UploadTo;
TEST_P(WholeTree, ArrivesByteIdenticalAndIsReplacedByTheNextUpload)
{
    Tree tree;
    UploadRun r = runUpload(*server_, tree.dir.dir(), server_->remote("course/talk"), {});
    ASSERT_EQ(r.code, 0) << r.all();
    EXPECT_NE(r.out.find("Upload Complete 5 Files/"), std::string::npos) << r.out;
    const std::string landed = server_->onDisk("course/talk");
    EXPECT_EQ(treeContents(landed), tree.files);  // byte for byte, and no temporary names left

    writeFile(tree.dir.path() / "img/sld001.gif", tree.files["img/sld001.gif"] = "GIF89a, second edition");
    // sshd: now with a key locked by a passphrase, which the password unlocks.
    const QStringList locked = {"--key", QString::fromStdString(server_->work() + "lockedkey"), "--password-file",
                                QString::fromStdString(server_->home() + "pw")};
    r = runUpload(*server_, tree.dir.dir(), server_->remote("course/talk"),
                  QStringList {"--connections", "2"} + (GetParam() == ServerKind::Sshd ? locked : QStringList()));
    ASSERT_EQ(r.code, 0) << r.all();
    EXPECT_EQ(treeContents(landed), tree.files);
    if (GetParam() == ServerKind::Proftpd) {
        // TLS 1.3 sessions cannot be reused on its data connections here.
        EXPECT_NE(readFile(server_->home() + "state/Syncdbg.txt").find("TLS 1.2 is used"), std::string::npos);
    }
}
INSTANTIATE_TEST_SUITE_P(Servers, WholeTree,
                         ::testing::Values(ServerKind::PyFtp, ServerKind::Proftpd, ServerKind::Vsftpd, ServerKind::Sshd,
                                           ServerKind::SftpPassword, ServerKind::Dav, ServerKind::DavDigest),
                         kindName);

using ReadOnlyAccount = UploadTo;
TEST_P(ReadOnlyAccount, GetsTheServersRefusalAsTheCause)
{
    Tree tree;
    // pyftpdlib's account reads only in its folder "readonly".
    const std::string shared = GetParam() == ServerKind::PyFtp ? "readonly/shared" : "shared";
    writeFile(server_->onDisk(shared + "/index.htm"), "the old page");
    fs::permissions(server_->onDisk(shared), fs::perms::all);  // only the account may say no
    const UploadRun r = runUpload(*server_, tree.dir.dir(), server_->remote(shared), {}, true);
    EXPECT_NE(r.code, 0) << r.all();
    const std::map<ServerKind, std::string> causes = {{ServerKind::PyFtp, "550 Not enough privileges"},
                                                      {ServerKind::Proftpd, "Permission denied"},
                                                      {ServerKind::Sshd, "Permission denied"},
                                                      {ServerKind::SftpPassword, "Permission denied"},
                                                      {ServerKind::Dav, "401 Unauthorized (this account may not"}};
    EXPECT_NE(r.err.find(causes.at(GetParam())), std::string::npos) << r.all();
    for (const char* misleading : {"No such file", "Couldn't connect", "CWD command successful"})
        EXPECT_EQ(r.err.find(misleading), std::string::npos) << r.err;
    EXPECT_EQ(treeContents(server_->onDisk(shared)),
              (std::map<std::string, std::string> {{"index.htm", "the old page"}}));
}
INSTANTIATE_TEST_SUITE_P(Servers, ReadOnlyAccount,
                         ::testing::Values(ServerKind::PyFtp, ServerKind::Proftpd, ServerKind::Sshd,
                                           ServerKind::SftpPassword, ServerKind::Dav),
                         kindName);

using KilledServer = UploadTo;
TEST_P(KilledServer, LeavesNothingUnderItsFinalName)
{
    TempDir local;
    writeFile(local.path() / "talk1.mp4", std::string(4 << 20, 'v'));  // half a minute at the rate below
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(server_->home()));
    env.insert("PELLUCOR_STATE_DIR", QString::fromStdString(server_->home() + "state"));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(server_->home() + "config"));
    p.setProcessEnvironment(env);
    p.start(PELLUCOR_EXE,
            QStringList {"upload", QString::fromStdString(local.dir()), "--host",
                         QString::fromStdString(server_->url()), "--remote",
                         QString::fromStdString(server_->remote("site")), "--limit-rate", "131072"}
                + server_->login());
    ASSERT_TRUE(p.waitForStarted(10000));
    // Wait until part of the file is on the server under a temporary name.
    const std::string site = server_->onDisk("site");
    QElapsedTimer clock;
    clock.start();
    auto partial = [&] {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(server_->work() + "root", ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec) && it->path().filename().string()[0] == '.' && it->file_size(ec) > 0)
                return true;
        return false;
    };
    while (!partial() && clock.elapsed() < 20000 && p.state() == QProcess::Running)
        QThread::msleep(20);
    ASSERT_TRUE(partial()) << "the upload never started: " << p.readAllStandardOutput().toStdString()
                           << p.readAllStandardError().toStdString();
    server_->Kill();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_NE(err.find("Upload Failure - Upload not Complete: Uploading"), std::string::npos) << err;
    EXPECT_TRUE(err.find("lost") != std::string::npos || err.find("No answer") != std::string::npos) << err;
    EXPECT_FALSE(fs::exists(site + "/talk1.mp4"));
}
INSTANTIATE_TEST_SUITE_P(Servers, KilledServer,
                         ::testing::Values(ServerKind::PyFtp, ServerKind::Proftpd, ServerKind::Sshd, ServerKind::Dav),
                         kindName);

using UntrustedServer = UploadTo;
TEST_P(UntrustedServer, IsRefusedWithTheReason)
{
    Tree tree;
    const UploadRun r = runUploadTo(server_->home(), server_->url(), tree.dir.dir(),
                                    server_->untrusted() + QStringList {"--remote", "site"});
    EXPECT_NE(r.code, 0) << r.all();
    if (GetParam() == ServerKind::Sshd) {
        EXPECT_NE(r.err.find("is not known (ssh-ed25519 " + server_->hostKeyFingerprint() + ")"), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("--accept-host-key"), std::string::npos) << r.err;
    } else {
        EXPECT_NE(r.err.find("certificate is not trusted: SSL certificate problem: self-signed certificate"),
                  std::string::npos)
            << r.err;
    }
    for (const auto& [name, content] : treeContents(server_->work() + "root"))
        EXPECT_EQ(content, "/") << name << " was written";
}
INSTANTIATE_TEST_SUITE_P(Servers, UntrustedServer,
                         ::testing::Values(ServerKind::Proftpd, ServerKind::Sshd, ServerKind::Dav), kindName);

TEST(UploadToAnUnresponsiveHost, IsGivenUpAtThePreferencesTime)
{
    SilentServer silent;
    TempDir home;
    writeFile(home.dir() + "config/Pellucor2.0/Pellucor2.0.ini", "[Pref]\nprfUploadTimeout=2\n");
    writeFile(home.dir() + "pw", "x\n");
    Tree tree;
    for (const char* scheme : {"ftp://", "sftp://", "https://"}) {
        QElapsedTimer clock;
        clock.start();
        const UploadRun r = runUploadTo(
            home.dir(), scheme + std::string("127.0.0.1:") + std::to_string(silent.port()) + "/", tree.dir.dir(),
            {"--user", "alice", "--password-file", QString::fromStdString(home.dir() + "pw"), "--remote", "x"});
        EXPECT_NE(r.code, 0) << scheme;
        EXPECT_NE(r.err.find("No answer from 127.0.0.1:" + std::to_string(silent.port()) + " for 2 s"),
                  std::string::npos)
            << scheme << r.err;
        EXPECT_GE(clock.elapsed(), 1900) << scheme;
        EXPECT_LT(clock.elapsed(), 8000) << scheme;
    }
}

}  // namespace

}  // namespace pellucor
