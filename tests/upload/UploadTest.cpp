// `pellucor upload` as a user runs it, against real servers on 127.0.0.1:
// one table of cases, each over every protocol it applies to.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QThread>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "QtCoreTestApp.h"
#include "UploadServer.h"
#include "core/TavString.h"

PELLUCOR_QT_CORE_TEST_APP();

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

// A published lecture's shape (as treeContents gives it, folders as "/"):
// nested folders, names with blanks, quotes, ";", "%20", a leading "-",
// non-ASCII letters, and one larger file.
struct Tree {
    TempDir dir;
    std::map<std::string, std::string> files = {{"index.htm", "<html></html>"},
                                                {"talk1.mp4", std::string(300000, '\0')},
                                                {"img", "/"},
                                                {"img/sld001.gif", "GIF89a"},
                                                {"img/thumbs", "/"},
                                                {"img/thumbs/it's a \"slide\";%20.gif", "thumb"},
                                                {"-notes", "/"},
                                                {"-notes/Übung é.txt", "notes"},
                                                {"empty folder", "/"}};
    Tree()
    {
        for (size_t i = 0; i < files["talk1.mp4"].size(); ++i)
            files["talk1.mp4"][i] = static_cast<char>(i * 7919 % 251);
        for (const auto& [name, content] : files)
            content == "/" ? (void)fs::create_directories(dir.path() / name) : writeFile(dir.path() / name, content);
    }
};

class UploadTo : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override { ASSERT_TRUE(server_.started()) << ServerKindName(GetParam()) << " did not start"; }
    UploadServer server_ {GetParam()};
    Tree tree_;
};

std::string kindName(const ::testing::TestParamInfo<ServerKind>& info) { return ServerKindName(info.param); }

using WholeTree = UploadTo;
TEST_P(WholeTree, ArrivesByteIdenticalAndIsReplacedByTheNextUpload)
{
    UploadRun r = runUpload(server_, tree_.dir.dir(), server_.remote("course/talk"), {});
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.out, "Upload Complete 5 Files/"));
    const std::string landed = server_.onDisk("course/talk");
    EXPECT_EQ(treeContents(landed), tree_.files);  // byte for byte, and no temporary names left

    writeFile(tree_.dir.path() / "img/sld001.gif", tree_.files["img/sld001.gif"] = "GIF89a, second edition");
    // sshd: now with a key locked by a passphrase, which the password unlocks.
    const QStringList locked = {"--key", QString::fromStdString(server_.work() + "lockedkey"), "--password-file",
                                QString::fromStdString(server_.home() + "pw")};
    r = runUpload(server_, tree_.dir.dir(), server_.remote("course/talk"),
                  QStringList {"--connections", "2"} + (GetParam() == ServerKind::Sshd ? locked : QStringList()));
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_EQ(treeContents(landed), tree_.files);
    // proftpd: TLS 1.3 sessions cannot be reused on its data connections here.
    EXPECT_TRUE(GetParam() != ServerKind::Proftpd
                || holds(readFile(server_.home() + "state/Syncdbg.txt"), "TLS 1.2 is used"));
}
INSTANTIATE_TEST_SUITE_P(Servers, WholeTree,
                         ::testing::Values(ServerKind::PyFtp, ServerKind::Proftpd, ServerKind::Vsftpd, ServerKind::Sshd,
                                           ServerKind::SftpPassword, ServerKind::Dav, ServerKind::DavDigest),
                         kindName);

// A read-only account gets the server's refusal as the cause; an untrusted
// certificate or host key is refused with the reason. Neither writes.
using Refused = UploadTo;
TEST_P(Refused, ByAReadOnlyAccountOrAnUntrustedServerWithTheReason)
{
    // pyftpdlib's account reads only in its folder "readonly".
    const std::string shared = GetParam() == ServerKind::PyFtp ? "readonly/shared" : "shared";
    writeFile(server_.onDisk(shared + "/index.htm"), "the old page");
    fs::permissions(server_.onDisk(shared), fs::perms::all);  // only the account may say no
    const auto before = treeContents(server_.onDisk(""));
    UploadRun r = runUpload(server_, tree_.dir.dir(), server_.remote(shared), {}, true);
    EXPECT_NE(r.code, 0) << describe(r);
    const std::map<ServerKind, std::string> causes = {{ServerKind::PyFtp, "550 Not enough privileges"},
                                                      {ServerKind::Proftpd, "Permission denied"},
                                                      {ServerKind::Sshd, "Permission denied"},
                                                      {ServerKind::SftpPassword, "Permission denied"},
                                                      {ServerKind::Dav, "401 Unauthorized (this account may not"}};
    EXPECT_TRUE(holds(r.err, causes.at(GetParam())));
    for (const char* misleading : {"No such file", "Couldn't connect", "CWD command successful"})
        EXPECT_FALSE(holds(r.err, misleading));
    EXPECT_EQ(treeContents(server_.onDisk("")), before);
    if (GetParam() == ServerKind::PyFtp)
        return;  // it trusts nothing

    const TempDir elsewhere;  // whose known_hosts holds no key
    r = runUploadTo(elsewhere.dir(), server_.url(), tree_.dir.dir(),
                    server_.untrusted() + QStringList {"--remote", "site"});
    EXPECT_NE(r.code, 0) << describe(r);
    if (GetParam() == ServerKind::Sshd || GetParam() == ServerKind::SftpPassword) {
        EXPECT_TRUE(holds(r.err, "is not known (ssh-") && holds(r.err, " " + server_.hostKeyFingerprint() + ")"));
        EXPECT_TRUE(holds(r.err, "--accept-host-key"));
    } else {
        EXPECT_TRUE(holds(r.err, "certificate is not trusted: SSL certificate problem: self-signed certificate"));
    }
    EXPECT_EQ(treeContents(server_.onDisk("")), before);
}
INSTANTIATE_TEST_SUITE_P(Servers, Refused,
                         ::testing::Values(ServerKind::PyFtp, ServerKind::Proftpd, ServerKind::Sshd,
                                           ServerKind::SftpPassword, ServerKind::Dav),
                         kindName);

// A server killed, or hanging (paused), halfway through a file: given up
// (a hanging one at the preferences' time), nothing under the file's
// final name.
void stopHalfway(UploadServer& server, bool hang)
{
    writeFile(server.home() + "config/Pellucor2.0/Pellucor2.0.ini", "[Pref]\nprfUploadTimeout=5\n");
    TempDir local;
    writeFile(local.path() / "media/talk1.mp4", std::string((hang ? 64 : 4) << 20, 'v'));  // seconds at the rate below
    QProcess p;
    p.setProcessEnvironment(programEnvironment(server.home(), {QString::fromStdString("HOME=" + server.home())}));
    p.start(PELLUCOR_EXE,
            QStringList {"upload", QString::fromStdString(local.dir()), "--host", QString::fromStdString(server.url()),
                         "--remote", QString::fromStdString(server.remote("site")), "--limit-rate", hang ? "8388608" : "131072"}
                + server.login());
    ASSERT_TRUE(p.waitForStarted(10000));
    // Wait until part of the file is on the server under a temporary name
    // beside its final one.
    const auto partial = [&] {
        std::error_code ec;
        for (fs::directory_iterator it(server.onDisk("site/media"), ec), end; !ec && it != end; it.increment(ec))
            if (it->path().filename().string()[0] == '.' && it->file_size(ec) > 0)
                return true;
        return false;
    };
    QElapsedTimer clock;
    clock.start();
    while (!partial() && clock.elapsed() < 20000 && p.state() == QProcess::Running)
        QThread::msleep(20);
    ASSERT_TRUE(partial()) << "the upload never started: " << p.readAllStandardError().toStdString();
    clock.restart();
    hang ? server.Pause() : server.Kill();
    ASSERT_TRUE(p.waitForFinished(60000));
    const qint64 took = clock.elapsed();
    EXPECT_NE(p.exitCode(), 0);
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_TRUE(holds(err, "Upload Failure - Upload not Complete: Uploading"));
    EXPECT_TRUE(holds(err, "lost") || holds(err, "No answer")) << err;
    if (hang) {
        // The time without progress and a little more; not twice that
        // (waiting on the server again to close the file).
        EXPECT_TRUE(holds(err, "for 5 s")) << err;
        EXPECT_LT(took, 2 * 5000) << err;
    }
    server.Kill();
    EXPECT_FALSE(fs::exists(server.onDisk("site/media/talk1.mp4")));
}

using KilledServer = UploadTo;
TEST_P(KilledServer, LeavesNothingUnderItsFinalName) { stopHalfway(server_, false); }
using HungServer = UploadTo;
TEST_P(HungServer, IsGivenUpAtThePreferencesTimeAndLeavesNothing) { stopHalfway(server_, true); }
INSTANTIATE_TEST_SUITE_P(Servers, HungServer, ::testing::Values(ServerKind::PyFtp, ServerKind::Sshd), kindName);
INSTANTIATE_TEST_SUITE_P(Servers, KilledServer,
                         ::testing::Values(ServerKind::PyFtp, ServerKind::Proftpd, ServerKind::Sshd, ServerKind::Dav),
                         kindName);

// A server whose disk fills up: said as such, and no temporary file left.
using FullDisk = UploadTo;
TEST_P(FullDisk, IsSaidAndLeavesNoPartialFile)
{
    const std::string disk = server_.onDisk("site");
    fs::create_directories(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=128k,mode=0777"), 0) << std::strerror(errno);
    const UploadRun r = runUpload(server_, tree_.dir.dir(), server_.remote("site"), {});
    std::vector<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(disk))
        if (e.is_regular_file() && e.path().filename().string()[0] == '.')
            left.push_back(e.path().string());
    ::umount2(disk.c_str(), MNT_DETACH);
    EXPECT_NE(r.code, 0) << describe(r);
    const std::string said = GetParam() == ServerKind::Dav ? "disk full on the server" : "no space on the server";
    EXPECT_TRUE(holds(Lower(r.err), said)) << describe(r);
    EXPECT_FALSE(holds(r.err, "lost")) << describe(r);
    EXPECT_EQ(left, std::vector<std::string> {});
}
// FTP servers are left out: vsftpd answers "451 Failure writing to local
// file." or resets the data connection first, as it happens.
INSTANTIATE_TEST_SUITE_P(Servers, FullDisk,
                         ::testing::Values(ServerKind::Sshd, ServerKind::SftpPassword, ServerKind::Dav),
                         kindName);

TEST(UploadToAnUnresponsiveHost, IsGivenUpAtThePreferencesTime)
{
    QTcpServer silent;  // takes connections and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    TempDir home;
    writeFile(home.dir() + "config/Pellucor2.0/Pellucor2.0.ini", "[Pref]\nprfUploadTimeout=2\n");
    writeFile(home.dir() + "pw", "x\n");
    const std::string address = "127.0.0.1:" + std::to_string(silent.serverPort());
    for (const char* scheme : {"ftp://", "sftp://", "https://"}) {
        QElapsedTimer clock;
        clock.start();
        const UploadRun r = runUploadTo(
            home.dir(), scheme + address + "/", home.dir(),
            {"--user", "alice", "--password-file", QString::fromStdString(home.file("pw")), "--remote", "x"});
        EXPECT_NE(r.code, 0) << scheme;
        EXPECT_TRUE(holds(r.err, "No answer from " + address + " for 2 s")) << scheme;
        EXPECT_GE(clock.elapsed(), 1900) << scheme;
        EXPECT_LT(clock.elapsed(), 8000) << scheme;
    }
}

}  // namespace

// S3 object storage: OpenStack Swift's S3 layer. One server for these
// tests (it takes long to start), each test under a prefix of its own.
class UploadToS3 : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swift_ = new UploadServer(ServerKind::Swift); }
    static void TearDownTestSuite()
    {
        delete swift_;
        swift_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(swift_->started()) << "swift did not start"; }

    static UploadRun upload(const std::string& local, const std::string& prefix, const QStringList& options = {},
                            const QStringList& env = {})
    {
        return runUploadTo(swift_->home(), swift_->url() + "/" + prefix, local, swift_->login() + options, env);
    }
    // The version folders under prefix.
    static std::set<std::string> versions(const std::string& prefix)
    {
        std::set<std::string> found;
        const std::string list = swift_->objectList(prefix);
        for (size_t at = list.find("\"Path\":\"v-"); at != std::string::npos; at = list.find("\"Path\":\"v-", at + 1))
            found.insert(list.substr(at + 8, list.find('/', at) - at - 8));
        return found;
    }
    // The files of a lecture, with names S3 addresses must encode.
    static std::map<std::string, std::string> lecture()
    {
        return {{"index.htm", "<html>talk</html>"},
                {"talk1.mp4", std::string(300000, 'm')},
                {"style.css", "body {}"},
                {"img", "/"},
                {"img/sld001.gif", "GIF89a"},
                {"img/a b+c (1) 100%.png", "PNG"},
                {"notes", "/"},
                {"notes/Übung é.txt", "notes"}};
    }
    static void write(const TempDir& dir, const std::map<std::string, std::string>& files)
    {
        for (const auto& [name, content] : files)
            content == "/" ? (void)fs::create_directories(dir.path() / name) : writeFile(dir.path() / name, content);
    }
    static UploadServer* swift_;
};
UploadServer* UploadToS3::swift_ = nullptr;

TEST_F(UploadToS3, PublishesAVersionByteIdenticalWithItsTypesAndThenRemovesTheOneBefore)
{
    TempDir local;
    auto files = lecture();
    write(local, files);
    UploadRun r = upload(local.dir(), "course/talk");
    ASSERT_EQ(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.out, "Upload Complete 6 Files/"));
    const auto first = versions("course/talk");
    ASSERT_EQ(first.size(), 1u);
    const std::string v1 = *first.begin();
    EXPECT_EQ(swift_->objects("course/talk/" + v1), files);
    EXPECT_TRUE(holds(swift_->objects("course/talk")["index.htm"], "\"" + v1 + "/index.htm\""));
    const std::string list = swift_->objectList("course/talk/" + v1);
    for (const char* typed : {"\"Name\":\"index.htm\",\"Size\":17,\"MimeType\":\"text/html; charset=utf-8\"",
                              "\"Name\":\"sld001.gif\",\"Size\":6,\"MimeType\":\"image/gif\"",
                              "\"Name\":\"style.css\",\"Size\":7,\"MimeType\":\"text/css\"",
                              "\"Name\":\"talk1.mp4\",\"Size\":300000,\"MimeType\":\"video/mp4\""})
        EXPECT_TRUE(holds(list, typed));

    writeFile(local.path() / "img/sld001.gif", files["img/sld001.gif"] = "GIF89a, second edition");
    r = upload(local.dir(), "course/talk", {"--connections", "2"});
    ASSERT_EQ(r.code, 0) << describe(r);
    const auto second = versions("course/talk");
    ASSERT_EQ(second.size(), 1u);
    const std::string v2 = *second.begin();
    EXPECT_NE(v2, v1);
    EXPECT_EQ(swift_->objects("course/talk/" + v2), files);
    EXPECT_TRUE(holds(swift_->objects("course/talk")["index.htm"], "\"" + v2 + "/index.htm\""));
    // The files the version before held as they are: copied by the server.
    EXPECT_TRUE(holds(readFile(swift_->home() + "state/Syncdbg.txt"), "(5 unchanged, copied from " + v1 + ")"));
}

TEST_F(UploadToS3, AWrongSecretIsRefusedAndWritesNothing)
{
    TempDir local;
    write(local, lecture());
    const std::string before = swift_->objectList("");
    const UploadRun r = upload(local.dir(), "refused", {},
                               {"AWS_ACCESS_KEY_ID=test:tester", "AWS_SECRET_ACCESS_KEY=not the secret"});
    EXPECT_NE(r.code, 0) << describe(r);
    EXPECT_TRUE(holds(r.err, "Unable to Log In: 403 Forbidden (SignatureDoesNotMatch"));
    EXPECT_EQ(swift_->objectList(""), before);
}

// The server killed while a version goes up: the students' version stays
// whole and in use, and the next upload completes and removes both the
// old and the broken version.
TEST_F(UploadToS3, AServerKilledMidwayLeavesTheStudentsVersionWhole)
{
    TempDir local;
    auto files = lecture();
    write(local, files);
    UploadRun r = upload(local.dir(), "killed");
    ASSERT_EQ(r.code, 0) << describe(r);
    const std::string v1 = *versions("killed").begin();

    files["zz"] = "/";
    // Sent in two parts; the first would take minutes at the rate below.
    files["zz/large.mp4"] = std::string(66 << 20, 'v');
    write(local, files);
    QProcess p;
    p.setProcessEnvironment(programEnvironment(swift_->home(), {QString::fromStdString("HOME=" + swift_->home())}));
    p.start(PELLUCOR_EXE, QStringList {"upload", QString::fromStdString(local.dir()), "--host",
                                       QString::fromStdString(swift_->url() + "/killed"), "--connections", "1",
                                       "--limit-rate", "131072"}
                              + swift_->login());
    ASSERT_TRUE(p.waitForStarted(10000));
    QElapsedTimer clock;
    clock.start();
    while (versions("killed").size() < 2 && clock.elapsed() < 30000 && p.state() == QProcess::Running)
        QThread::msleep(100);
    ASSERT_EQ(versions("killed").size(), 2u) << p.readAllStandardError().toStdString();
    while (!holds(swift_->unfinishedUploads(), "large.mp4") && clock.elapsed() < 30000)
        QThread::msleep(100);
    ASSERT_TRUE(holds(swift_->unfinishedUploads(), "large.mp4"));  // under way, in parts
    swift_->Kill();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(holds(p.readAllStandardError().toStdString(), "Upload Failure - Upload not Complete: Uploading"));

    ASSERT_TRUE(swift_->Restart());
    auto whole = lecture();
    EXPECT_EQ(swift_->objects("killed/" + v1), whole);
    EXPECT_TRUE(holds(swift_->objects("killed")["index.htm"], "\"" + v1 + "/index.htm\""));

    r = upload(local.dir(), "killed");
    ASSERT_EQ(r.code, 0) << describe(r);
    const auto left = versions("killed");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(swift_->objects("killed/" + *left.begin()) == files);  // (not printed: 66 MB)
    // The killed upload's unfinished large file is given up.
    EXPECT_FALSE(holds(swift_->unfinishedUploads(), "large.mp4"));
}
