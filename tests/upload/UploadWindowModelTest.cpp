// The upload window's model and the libcurl client together, against real
// servers on 127.0.0.1 (pyftpdlib, and proftpd's SFTP for host keys).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"
#include "UploadServer.h"
#include "core/TavUtils.h"
#include "upload/CurlClient.h"
#include "upload/FtpText.h"
#include "upload/UploadWindowModel.h"
#include "upload/SecretServicePasswords.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

struct Session {
    CurlClient inet;
    UploadWindowModel ftp {inet};
    Strings shown;     // every status and label text shown
    Strings statuses;  // each new status
    explicit Session(const UploadServer& server, const std::string& password = "secret")
    {
        ftp.txtFTPURL = server.url();
        ftp.txtAccount = "alice";
        ftp.txtPass = password;
        ftp.activate();
        QObject::connect(&ftp, &UploadWindowModel::changed, [this] {
            for (const auto* s : {&ftp.txtStatus, &ftp.lblCmd, &ftp.lblInfo, &ftp.txtData})
                shown.push_back(*s);
            if (statuses.empty() || statuses.back() != ftp.txtStatus)
                statuses.push_back(ftp.txtStatus);
        });
    }
};

class UploadWindowOnFtpServer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server_.started()); }
    UploadServer server_ {ServerKind::PyFtp};
    TempDir local;
    RecordingMessageSink sink;
    std::string root() const { return server_.onDisk(""); }
};

TEST_F(UploadWindowOnFtpServer, CreatesAndChangesRemoteDirectories)
{
    Session s(server_);
    s.ftp.browse();
    ASSERT_TRUE(s.ftp.LoggedIn());
    EXPECT_EQ(s.ftp.txtFTPPath, "/");
    Strings answers = {"lecture one", "sub", "..", "", "/nowhere"};
    s.ftp.InputBox = [&](const std::string&, const std::string& prompt) {
        EXPECT_EQ(prompt, "Enter New Directory");
        const std::string a = answers.front();
        answers.erase(answers.begin());
        return a;
    };
    s.ftp.makeDirectory();  // "lecture one", entered at once
    s.ftp.makeDirectory();  // "sub"
    EXPECT_TRUE(fs::is_directory(root() + "lecture one/sub"));
    EXPECT_EQ(s.ftp.txtFTPPath, "/lecture one/sub");
    s.ftp.changeDirectory();  // ".."
    EXPECT_EQ(s.ftp.txtFTPPath, "/lecture one");
    EXPECT_EQ(s.ftp.lstBox, (Strings {"sub/"}));
    s.ftp.changeDirectory();  // "": cancelled
    EXPECT_EQ(s.ftp.txtStatus, "Change Directory Cancelled");
    s.ftp.changeDirectory();  // a directory that is not there
    EXPECT_EQ(s.ftp.txtFTPPath, "/lecture one");
    EXPECT_TRUE(holds(s.ftp.txtStatus, "Unable to open /nowhere: Opening /nowhere: 550"));

    // Double-click: into a directory, not onto a file.
    writeFile(root() + "lecture one/sub/page.htm", "x");
    s.ftp.lstBoxIndex = 0;
    s.ftp.openSelected();
    EXPECT_EQ(s.ftp.txtFTPPath, "/lecture one/sub");
    ASSERT_EQ(s.ftp.lstBox, (Strings {"page.htm"}));
    const std::string lastCmd = s.ftp.lblCmd;
    s.ftp.openSelected();
    EXPECT_EQ(s.ftp.lblCmd, lastCmd);

    // A directory typed into the field is what Refresh lists, and kept
    // while it is not there yet.
    s.ftp.txtFTPPath = "/lecture one";
    s.ftp.browse();
    EXPECT_EQ(s.ftp.lstBox, (Strings {"sub/"}));
    s.ftp.txtFTPPath = "/physics1";
    s.ftp.browse();
    EXPECT_EQ(s.ftp.txtFTPPath, "/physics1");
    EXPECT_EQ(s.ftp.txtStatus, "Not on the server yet: /physics1 (Upload offers to create it)");

    // Paths are quoted, their doubled and trailing slashes dropped; the
    // protocol choice follows the address.
    EXPECT_TRUE(s.ftp.FtpExecuteOnPath("MKDIR", "/lecture one//odd\"name/"));
    EXPECT_TRUE(fs::is_directory(root() + "lecture one/odd\"name"));
    EXPECT_TRUE(s.ftp.FtpExecuteOnPath("CD", "/"));
    s.ftp.txtFTPURL = "https://web.example.org/dav/";
    EXPECT_EQ(UploadWindowModel::Protocols()[s.ftp.ProtocolIndex()].protocol, RemoteProtocol::Davs);

    // A name that tries to smuggle a second command is refused.
    EXPECT_FALSE(s.ftp.FtpExecuteOnPath("MKDIR", "x\r\nRMD /readonly"));
    EXPECT_FALSE(fs::exists(root() + "x"));
    EXPECT_EQ(s.inet.ConnectionsOpened(), 1);
}

TEST_F(UploadWindowOnFtpServer, UploadCreatesTheMissingFoldersTheUserAllowsAndSendsTheWholeTree)
{
    writeFile(local.path() / "a.htm", std::string(10, 'a'));
    writeFile(local.path() / "b.gif", std::string(20, 'b'));
    writeFile(local.path() / "sub/c.css", std::string(5, 'c'));
    Session s(server_);
    ASSERT_TRUE(s.ftp.FtpLogin());
    // Declined, nothing is made.
    sink.answers = {TavCancel};
    EXPECT_FALSE(s.ftp.FtpUploadDirectory(local.dir(), "/new"));
    EXPECT_EQ(sink.questions, (Strings {"OK to Create /new on Server"}));
    EXPECT_EQ(s.ftp.txtStatus, "Not Created: /new");
    EXPECT_FALSE(fs::exists(root() + "new"));
    // Allowed, every missing level is made; the counts and sizes are shown.
    s.statuses.clear();
    EXPECT_TRUE(s.ftp.FtpUploadDirectory(local.dir(), "/new/a/b"));
    EXPECT_EQ(treeContents(root() + "new/a/b"), treeContents(local.path()));
    for (const std::string& status :
         Strings {"Preparing to upload 1 Files/10 Bytes " + local.file("a.htm"), "3 Files/35 Bytes"})
        EXPECT_THAT(s.statuses, ::testing::Contains(status));
    EXPECT_EQ(s.statuses.back(), "Upload Complete 3 Files/35 Bytes");
    EXPECT_EQ(s.ftp.progressPercent, -1);
    // The server's refusals, with their causes: of a folder, of a file.
    EXPECT_FALSE(s.ftp.FtpUploadDirectory(local.dir(), "/readonly/new"));
    EXPECT_EQ(s.ftp.txtStatus,
              "Unable to create directory: /readonly/new: Creating folder /readonly/new: 550 Not enough privileges.");
    EXPECT_FALSE(s.ftp.FtpUploadDirectory(local.dir(), "/readonly"));
    EXPECT_EQ(s.ftp.txtStatus,
              "Upload Failure - Upload not Complete: Creating folder /readonly/sub: 550 Not enough privileges.");
    EXPECT_FALSE(s.ftp.FtpUploadDirectory(local.dir() + "sub/", "/readonly"));
    EXPECT_TRUE(holds(s.ftp.txtStatus, "Upload Failure - Upload not Complete: Uploading /readonly/"));
    EXPECT_TRUE(holds(s.ftp.txtStatus, ": 550 Not enough privileges."));
    EXPECT_TRUE(treeContents(root() + "readonly").empty());
    // A local directory that does not exist is not an empty one, whose
    // upload is complete (and the refresh after it keeps saying so).
    EXPECT_FALSE(s.ftp.FtpUploadDirectory(local.dir() + "missing/", "/new"));
    EXPECT_EQ(s.ftp.txtStatus, "Local directory not found: " + local.dir() + "missing/");
    s.ftp.txtLocalDir = local.dir() + "sub/";
    s.ftp.txtFTPPath = "/new/a/b/sub";
    s.ftp.uploadFolder();
    EXPECT_EQ(s.ftp.txtStatus, "Upload Complete 1 Files/5 Bytes");
}

TEST_F(UploadWindowOnFtpServer, AWrongPasswordFailsTheLoginAndIsNeverShown)
{
    const std::string wrong = "wr0ng-Secret-Word";
    {
        Session s(server_, wrong);
        s.ftp.browse();
        EXPECT_FALSE(s.ftp.LoggedIn());
        EXPECT_EQ(sink.messages, (Strings {"Unable to login"}));
        EXPECT_EQ(s.statuses, (Strings {"Logging in ...", "Unable to Log In: 530 Authentication failed."}));
        EXPECT_FALSE(s.ftp.cmdMputEnabled);
        EXPECT_TRUE(s.ftp.txtPassEnabled);
        for (const auto& text : s.shown)
            EXPECT_EQ(text.find(wrong), std::string::npos) << text;
        s.ftp.txtPass = "secret";
        s.ftp.browse();
        EXPECT_TRUE(s.ftp.LoggedIn());
    }
    const std::string log = readFile(DebugLogPath());
    EXPECT_EQ(log.find(wrong), std::string::npos);
    EXPECT_EQ(log.find("secret\n"), std::string::npos);
}

TEST_F(UploadWindowOnFtpServer, AStoppedServerIsAFailureAndNoFolderQuestion)
{
    writeFile(local.path() / "index.htm", "x");
    Session s(server_);
    ASSERT_TRUE(s.ftp.FtpLogin());
    server_.Kill();
    s.ftp.txtLocalDir = local.dir();
    s.ftp.txtFTPPath = "/physics1";
    s.ftp.browse();
    EXPECT_TRUE(holds(s.ftp.txtStatus, "Unable to open /physics1: "));
    EXPECT_EQ(s.ftp.txtFTPPath, "/physics1");
    s.ftp.uploadFolder();
    EXPECT_TRUE(sink.questions.empty());
    EXPECT_TRUE(holds(s.ftp.txtStatus, "Upload Failure - Upload not Complete: Opening /physics1: "));
    EXPECT_EQ(s.ftp.txtFTPPath, "/physics1");
}

TEST_F(UploadWindowOnFtpServer, ClosingDuringAnUploadCancelsItPromptlyOnlyOnYes)
{
    writeFile(local.path() / "a.rm", std::string(4 << 20, 'x'));  // a minute at the rate below
    writeFile(local.path() / "b.htm", "b");
    Session s(server_);
    CurlClient::Options slow;
    slow.connections = 1;
    slow.maxSendRate = 65536;
    s.inet.SetOptions(slow);
    bool closed = false, stayed = false;
    QObject::connect(&s.ftp, &UploadWindowModel::closeRequested, [&] { closed = true; });
    QElapsedTimer clock;
    int clicks = 0;
    s.ftp.txtLocalDir = local.dir() + "missing/";
    s.ftp.ProcessEvents = [&] {
        if (clicks < 2 && s.ftp.progressPercent >= 0 && clock.isValid() && clock.elapsed() > 300 * (clicks + 1)) {
            s.ftp.closeWindow();  // answered No first: the window stays and the upload goes on
            stayed = stayed || (clicks == 0 && !closed);
            ++clicks;
            s.ftp.uploadFolder();  // ignored while the upload runs
        }
    };
    sink.answers = {TavNo, TavYes};
    ASSERT_TRUE(s.ftp.FtpLogin());
    clock.start();
    EXPECT_FALSE(s.ftp.FtpUploadDirectory(local.dir(), "/"));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(closed);
    EXPECT_EQ(sink.questions, Strings(2, "Operation in progress - OK to cancel (may take up to 15 seconds)?"));
    EXPECT_THAT(s.statuses, ::testing::Not(::testing::Contains(::testing::HasSubstr("Local directory"))));
    EXPECT_EQ(s.ftp.txtStatus, "Upload Failure - Upload not Complete: Uploading /a.rm: Cancelled");
    EXPECT_FALSE(fs::exists(root() + "a.rm"));
    EXPECT_FALSE(fs::exists(root() + ".a.rm.part"));  // removed after the cancel
    EXPECT_FALSE(fs::exists(root() + "b.htm"));       // nothing after it
    EXPECT_FALSE(s.ftp.LoggedIn());
}

TEST(UploadWindowOnSftp, AnUnknownHostKeyIsTrustedOnlyWhenTheUserSaysSo)
{
    UploadServer server(ServerKind::SftpPassword);
    ASSERT_TRUE(server.started());
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(server.home()));  // its ~/.ssh/known_hosts
    Strings asked;
    bool yes = false;
    const auto login = [&] {
        Session s(server);
        s.ftp.ConfirmHostKey = [&](const std::string& question) {
            asked.push_back(question);
            return yes;
        };
        return s.ftp.FtpLogin();
    };
    EXPECT_FALSE(login());
    Tav_SetUnattended(true);  // nobody is asked, nothing is trusted
    EXPECT_FALSE(login());
    Tav_SetUnattended(false);
    EXPECT_EQ(asked.size(), 1u);
    yes = true;
    EXPECT_TRUE(login());
    EXPECT_TRUE(login());  // trusted from now on
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_TRUE(holds(asked.back(), server.hostKeyFingerprint()));
    qputenv("HOME", home);
}

// The window's kept password in a real secret service: GNOME Keyring on a
// private session bus started by the test, with a new login keyring.
TEST(SecretServicePasswords, KeepFindAndForgetTheWindowsPassword)
{
    TempDir dir;
    for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        ::setenv(var, dir.dir().c_str(), 1);
    QProcess bus;
    bus.start("dbus-daemon",
              {"--session", "--nofork", "--print-address=1",
               QString::fromStdString("--address=unix:path=" + dir.dir() + "bus")});
    ASSERT_TRUE(bus.waitForReadyRead(10000));
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed().constData(), 1);
    QProcess keyring;
    keyring.start("gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"});
    ASSERT_TRUE(keyring.waitForStarted(10000));
    keyring.write("login password");
    keyring.waitForBytesWritten(5000);
    keyring.closeWriteChannel();

    // Nothing may ask for the service before this daemon has its name: the
    // bus would start another one, without the unlocked login keyring.
    QProcess wait;
    wait.start("gdbus", {"wait", "--session", "--timeout", "10", "org.freedesktop.secrets"});
    ASSERT_TRUE(wait.waitForFinished(15000) && wait.exitCode() == 0) << keyring.readAllStandardError().toStdString();
    SecretServicePasswords passwords;
    ASSERT_TRUE(passwords.Available());
    // Kept at a login with "Remember" ticked, found by the next window, and
    // forgotten at a login with it cleared.
    UploadServer server(ServerKind::PyFtp);
    ASSERT_TRUE(server.started());
    const std::string address = FtpServerUrl(server.url());
    for (const bool remember : {true, false}) {
        CurlClient inet;
        UploadWindowModel ftp(inet);
        ftp.passwords = &passwords;
        ftp.txtFTPURL = server.url();
        ftp.txtAccount = "alice";
        ftp.activate();
        EXPECT_TRUE(ftp.chkRememberEnabled);
        EXPECT_EQ(ftp.chkRemember, !remember);
        EXPECT_EQ(ftp.txtPass, remember ? "" : "secret");
        ftp.txtPass = "secret";
        ftp.chkRemember = remember;
        ASSERT_TRUE(ftp.FtpLogin());
        EXPECT_EQ(passwords.Lookup(address, "alice"), remember ? "secret" : "");
        EXPECT_EQ(passwords.Lookup(address, "bob"), "");
        EXPECT_EQ(passwords.Lookup("sftp" + address.substr(3), "alice"), "");
    }
}

}  // namespace
