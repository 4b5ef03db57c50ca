// The window's rules, against a scripted client.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "ScriptedFtpClient.h"
#include "TestSupport.h"
#include "upload/FtpWindowModel.h"

namespace pellucor {

using namespace testing_support;

namespace {

struct Window {
    ScriptedFtpClient inet;
    FtpWindowModel ftp {inet};
    Strings statuses;
    bool closed = false;
    Window()
    {
        ftp.txtFTPURL = "web.example.org";
        ftp.txtAccount = "bob";
        ftp.ProcessEvents = nullptr;
        QObject::connect(&ftp, &FtpWindowModel::changed, [this] {
            if (!ftp.txtStatus.empty() && (statuses.empty() || statuses.back() != ftp.txtStatus))
                statuses.push_back(ftp.txtStatus);
        });
        QObject::connect(&ftp, &FtpWindowModel::closeRequested, [this] { closed = true; });
    }
};

TEST(FtpWindowModel, PathsAreQuotedWithoutTheirTrailingSlashExceptTheRoot)
{
    Window w;
    w.ftp.FtpExecuteOnPath("cd", "/web/lec one/");
    w.ftp.FtpExecuteOnPath("mkdir", "a//b");
    w.ftp.FtpExecuteOnPath("CD", "/");
    w.ftp.FtpExecuteOnPath("CD", R"(odd"name)");
    EXPECT_EQ(w.inet.commands, (Strings {R"(CD "/web/lec one")", R"(MKDIR "a/b")", R"(CD "/")", R"(CD "odd""name")"}));
}

TEST(FtpWindowModel, LoginBuildsTheAddressAndAFailedOneLeavesTheFieldsOpen)
{
    RecordingMessageSink sink;
    Window w;
    w.inet.failing = {"PWD"};
    w.ftp.cmdBrowse_Click();
    EXPECT_EQ(w.inet.url, "ftp://web.example.org/");
    EXPECT_EQ(w.inet.user, "bob");
    EXPECT_EQ(sink.messages, (Strings {"Unable to login"}));
    EXPECT_EQ(w.statuses, (Strings {"Logging in ...", "Unable to Log In: 550 no"}));
    EXPECT_FALSE(w.ftp.cmdMputEnabled);
    EXPECT_TRUE(w.ftp.txtPassEnabled);
    w.ftp.txtFTPURL = "ftp://web.example.org:2121/pub/";
    w.ftp.cmdBrowse_Click();
    EXPECT_EQ(w.inet.url, "ftp://web.example.org:2121/pub/");
}

TEST(FtpWindowModel, UploadSendsTheWholeTreeAndShowsCountsAndSizes)
{
    TempDir local;
    writeFile(local.path() / "a.htm", std::string(10, 'a'));
    writeFile(local.path() / "b.gif", std::string(20, 'b'));
    writeFile(local.path() / "sub/c.css", std::string(5, 'c'));
    Window w;
    EXPECT_TRUE(w.ftp.FtpUploadDirectory(local.dir(), "/www/"));
    EXPECT_EQ(
        w.inet.commands,
        (Strings {"PWD", R"(CD "/www")", "DIR", "UPLOAD .", "MKDIR sub", "PUT " + local.file("a.htm") + " a.htm",
                  "PUT " + local.file("b.gif") + " b.gif", "PUT " + local.file("sub/c.css") + " sub/c.css", "DIR"}));
    EXPECT_EQ(w.statuses.front(), "Preparing to upload 1 Files/10 Bytes " + local.file("a.htm"));
    EXPECT_EQ(w.statuses[3], "3 Files/35 Bytes");
    EXPECT_EQ(w.statuses.back(), "Upload Complete 3 Files/35 Bytes");
    EXPECT_EQ(w.ftp.progressPercent, -1);
}

TEST(FtpWindowModel, OnlyAMissingRemoteDirectoryIsOfferedToBeCreated)
{
    TempDir local;
    RecordingMessageSink sink;
    sink.answers = {TavCancel};
    Window w;
    w.inet.failing = {"CD"};
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir(), "/new"));
    EXPECT_EQ(sink.questions, (Strings {"OK to Create /new on Server"}));
    EXPECT_EQ(w.statuses.back(), "Not Created: /new");
    EXPECT_TRUE(std::none_of(w.inet.commands.begin(), w.inet.commands.end(),
                             [](const std::string& c) { return c.rfind("MKDIR", 0) == 0; }));

    // A refusal is a failure with its cause, not a question.
    w.inet.failure = RemoteFailure::NotFound;
    w.inet.cause = "550 Permission denied";
    w.inet.failing = {"CD", "MKDIR"};
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir(), "/new"));
    EXPECT_EQ(w.statuses.back(), "Unable to create directory: /new: 550 Permission denied");

    // Every missing level is created, from the root.
    w.inet.commands.clear();
    w.inet.failing = {R"(CD "/new/a)"};
    w.ftp.FtpUploadDirectory(local.dir(), "/new/a/b");  // the scripted server never has the new levels
    EXPECT_EQ(Strings(w.inet.commands.begin(), w.inet.commands.begin() + 6),
              (Strings {R"(CD "/new/a/b")", R"(CD "/new")", R"(CD "/new/a")", R"(MKDIR "/new/a")", R"(CD "/new/a/b")",
                        R"(MKDIR "/new/a/b")"}));

    // A failed upload shows the cause the client gave.
    writeFile(local.path() / "a.htm", "a");
    w.inet.failing = {"UPLOAD"};
    w.inet.failure = RemoteFailure::Refused;
    w.inet.cause = "Uploading /www/a.htm: 553 Could not create file.";
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir(), "/www"));
    EXPECT_EQ(w.statuses.back(),
              "Upload Failure - Upload not Complete: Uploading /www/a.htm: 553 Could not create file.");

    // A local directory that does not exist is not an empty one.
    w.inet.failing.clear();
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir() + "missing/", "/new"));
    EXPECT_EQ(w.statuses.back(), "Local directory not found: " + local.dir() + "missing/");
}

TEST(FtpWindowModel, RefreshKeepsATypedDirectoryAndUploadRefreshesSilently)
{
    TempDir local;
    Window w;
    w.inet.failing = {R"(CD "/physics1")"};
    w.ftp.txtFTPPath = "/physics1";
    w.inet.failure = RemoteFailure::Connection;
    w.inet.cause = "No answer from web.example.org for 20 s";
    w.ftp.cmdBrowse_Click();
    EXPECT_EQ(w.statuses.back(), "Unable to open /physics1: No answer from web.example.org for 20 s");
    EXPECT_EQ(w.ftp.txtFTPPath, "/physics1");
    w.inet.failing.clear();
    w.inet.replies["PWD"] = "/physics1";
    w.ftp.txtLocalDir = local.dir();
    w.ftp.cmdMput_Click();
    EXPECT_EQ(w.statuses.back(), "Upload Complete 0 Files/0 Bytes");
}

TEST(FtpWindowModel, ProtocolChoiceAndTheKeptPassword)
{
    struct Keyring : PasswordStore {
        std::map<std::string, std::string> kept;
        bool Available() override { return true; }
        std::string Lookup(const std::string& server, const std::string& user) override { return kept[server + user]; }
        bool Store(const std::string& s, const std::string& u, const std::string& pw, std::string&) override
        {
            return !(kept[s + u] = pw).empty();
        }
        void Forget(const std::string& server, const std::string& user) override { kept.erase(server + user); }
    } keyring;
    Window w;
    w.ftp.passwords = &keyring;
    EXPECT_EQ(w.ftp.ProtocolIndex(), 0);
    w.ftp.cboProtocol_Click(3);
    EXPECT_EQ(w.ftp.txtFTPURL, "sftp://web.example.org");
    w.ftp.txtFTPURL = "https://web.example.org/dav/";
    EXPECT_EQ(FtpWindowModel::Protocols()[w.ftp.ProtocolIndex()].protocol, RemoteProtocol::Davs);

    w.ftp.Form_Activate();
    EXPECT_TRUE(w.ftp.chkRememberEnabled);
    EXPECT_FALSE(w.ftp.chkRemember);
    w.ftp.txtPass = "pw1";
    w.ftp.chkRemember = true;
    ASSERT_TRUE(w.ftp.FtpLogin());
    EXPECT_EQ(keyring.kept["https://web.example.org/dav/bob"], "pw1");
    // The next window finds it.
    Window next;
    next.ftp.passwords = &keyring;
    next.ftp.txtFTPURL = "https://web.example.org/dav/";
    next.ftp.Form_Activate();
    EXPECT_EQ(next.ftp.txtPass, "pw1");
    EXPECT_TRUE(next.ftp.chkRemember);
    next.ftp.chkRemember = false;
    ASSERT_TRUE(next.ftp.FtpLogin());
    EXPECT_TRUE(keyring.kept.empty());
}

TEST(FtpWindowModel, AnUnknownHostKeyIsTrustedOnlyWhenTheUserSaysSo)
{
    RecordingMessageSink sink;
    Window w;
    w.inet.failing = {"PWD"};
    w.inet.failure = RemoteFailure::HostKey;
    w.inet.cause = "The host key of web.example.org is not known";
    Strings asked;
    bool yes = false;
    w.ftp.ConfirmHostKey = [&](const std::string& q) {
        asked.push_back(q);
        if (yes)
            w.inet.failing.clear();
        return yes;
    };
    EXPECT_FALSE(w.ftp.FtpLogin());
    EXPECT_TRUE(w.inet.acceptedKey.empty());
    yes = true;
    EXPECT_TRUE(w.ftp.FtpLogin());
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(w.inet.acceptedKey, "SHA256:k");
    // Unattended, nobody is asked and nothing is trusted.
    Window unattended;
    unattended.inet.failing = {"PWD"};
    unattended.inet.failure = RemoteFailure::HostKey;
    unattended.ftp.ConfirmHostKey = w.ftp.ConfirmHostKey;
    Tav_SetUnattended(true);
    EXPECT_FALSE(unattended.ftp.FtpLogin());
    Tav_SetUnattended(false);
    EXPECT_TRUE(unattended.inet.acceptedKey.empty());
    EXPECT_EQ(asked.size(), 2u);
}

TEST(FtpWindowModel, CloseDuringACommandCancelsOnlyOnYes)
{
    TempDir local;
    writeFile(local.path() / "a.htm", "a");
    writeFile(local.path() / "b.htm", "b");
    RecordingMessageSink sink;
    Window w;
    w.ftp.FtpLogin();

    // No: the window stays and the command goes on. Other clicks that
    // arrive meanwhile are ignored.
    sink.answers = {TavNo};
    w.inet.whileRunning = [&] {
        w.ftp.cmdClose_Click();
        w.ftp.cmdMput_Click();
    };
    EXPECT_TRUE(w.ftp.InetExecute("DIR"));
    EXPECT_EQ(sink.questions.back(), "Operation in progress - OK to cancel (may take up to 15 seconds)?");
    EXPECT_EQ(w.inet.cancels, 0);
    EXPECT_FALSE(w.closed);
    EXPECT_EQ(w.inet.commands.back(), "DIR");

    // Yes, during the first PUT: cancelled three times, the upload stops.
    sink.answers = {TavYes};
    w.inet.whileRunning = nullptr;
    w.inet.commands.clear();
    bool armed = true;
    QObject::connect(&w.ftp, &FtpWindowModel::changed, [&] {
        if (armed && w.ftp.lblCmd.rfind("UPLOAD", 0) == 0) {
            armed = false;
            w.inet.whileRunning = [&] { w.ftp.cmdClose_Click(); };
        }
    });
    w.inet.cause = "Cancelled";
    w.inet.failure = RemoteFailure::Cancelled;
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir(), "/"));
    EXPECT_EQ(w.inet.cancels, 3);
    EXPECT_TRUE(w.closed);
    EXPECT_FALSE(w.ftp.LoggedIn());
    EXPECT_EQ(w.statuses.back(), "Upload Failure - Upload not Complete: Cancelled");
    EXPECT_EQ(w.inet.commands.back(), "PUT " + local.file("b.htm") + " b.htm");  // one upload, nothing after it
}

}  // namespace

}  // namespace pellucor
