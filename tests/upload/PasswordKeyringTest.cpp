// The upload window's kept password in a real secret service: GNOME Keyring
// on a private session bus started by the test, with a new login keyring.
#include <gtest/gtest.h>

#include <QProcess>

#include <cstdlib>

#include "TestSupport.h"
#include "UploadServer.h"
#include "upload/CurlClient.h"
#include "upload/FtpText.h"
#include "upload/FtpWindowModel.h"
#include "upload/SecretServicePasswords.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

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
        FtpWindowModel ftp(inet);
        ftp.passwords = &passwords;
        ftp.txtFTPURL = server.url();
        ftp.txtAccount = "alice";
        ftp.Form_Activate();
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
