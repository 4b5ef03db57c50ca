// The upload password in a real secret service: GNOME Keyring on a private
// session bus started by the test, with a new login keyring.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

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
    // A session bus that starts no services itself: the keyring daemon is
    // the one started here, with its login keyring unlocked.
    writeFile(dir.dir() + "bus.conf", "<busconfig><type>session</type><listen>unix:path=" + dir.dir() +
                                          "bus</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                                          "<allow own=\"*\"/></policy></busconfig>");
    QProcess bus;
    bus.start("dbus-daemon", {"--nofork", "--print-address=1", QString::fromStdString("--config-file=" + dir.dir() + "bus.conf")});
    ASSERT_TRUE(bus.waitForReadyRead(10000));
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed().constData(), 1);
    QProcess keyring;
    keyring.start("gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"});
    ASSERT_TRUE(keyring.waitForStarted(10000));
    keyring.write("login password");
    keyring.closeWriteChannel();

    // The service answers a moment before its login keyring is made.
    QElapsedTimer clock;
    clock.start();
    std::string error;
    bool stored = false;
    while (!stored && clock.elapsed() < 10000) {
        SecretServicePasswords attempt;
        stored = attempt.Available() && attempt.Store("sftp://web.example.org/", "bob", "s3cret pass", error);
        if (!stored)
            QThread::msleep(100);
    }
    ASSERT_TRUE(stored) << error << " " << keyring.readAllStandardError().toStdString();
    SecretServicePasswords passwords;
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
