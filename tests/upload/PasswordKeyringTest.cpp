// The upload password in a real secret service: GNOME Keyring on a private
// session bus started by the test, with a new login keyring.
#include <gtest/gtest.h>

#include <QProcess>

#include <cstdlib>

#include "TestSupport.h"
#include "upload/SecretServicePasswords.h"

namespace pellucor {

using namespace testing_support;

namespace {

TEST(SecretServicePasswords, KeepsFindsAndForgetsAPassword)
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
    std::string error;
    SecretServicePasswords passwords;
    ASSERT_TRUE(passwords.Available());
    ASSERT_TRUE(passwords.Store("sftp://web.example.org/", "bob", "s3cret pass", error)) << error;
    EXPECT_EQ(passwords.Lookup("sftp://web.example.org/", "bob"), "s3cret pass");
    EXPECT_EQ(passwords.Lookup("sftp://web.example.org/", "alice"), "");
    EXPECT_EQ(passwords.Lookup("https://web.example.org/", "bob"), "");
    passwords.Forget("sftp://web.example.org/", "bob");
    EXPECT_EQ(passwords.Lookup("sftp://web.example.org/", "bob"), "");
    keyring.kill();
    keyring.waitForFinished(5000);
    bus.kill();
    bus.waitForFinished(5000);
}

}  // namespace

}  // namespace pellucor
