// The window's rules that need a scripted client: the commands it sends,
// an unknown host key, a close while a command runs (the rest on a real
// server: FtpServerTest.cpp).
#include <gtest/gtest.h>

#include "ScriptedFtpClient.h"
#include "TestSupport.h"
#include "upload/FtpWindowModel.h"

namespace pellucor {

using namespace testing_support;

namespace {

struct Window {
    ScriptedFtpClient inet;
    FtpWindowModel ftp {inet};
    bool closed = false;
    Window()
    {
        ftp.txtFTPURL = "web.example.org";
        ftp.txtAccount = "bob";
        ftp.ProcessEvents = nullptr;
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

TEST(FtpWindowModel, LoginBuildsTheAddressWhoseProtocolTheChoiceShows)
{
    Window w;
    w.inet.failing = {"PWD"};
    w.ftp.cmdBrowse_Click();
    EXPECT_EQ(w.inet.url, "ftp://web.example.org/");
    EXPECT_EQ(w.inet.user, "bob");
    w.ftp.txtFTPURL = "ftp://web.example.org:2121/pub/";
    w.ftp.cmdBrowse_Click();
    EXPECT_EQ(w.inet.url, "ftp://web.example.org:2121/pub/");
    w.ftp.txtFTPURL = "https://web.example.org/dav/";
    EXPECT_EQ(FtpWindowModel::Protocols()[w.ftp.ProtocolIndex()].protocol, RemoteProtocol::Davs);
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

TEST(FtpWindowModel, CloseDuringACommandAnsweredNoGoesOn)
{
    RecordingMessageSink sink;
    Window w;
    w.ftp.FtpLogin();
    // The window stays and the command goes on; other clicks that arrive
    // meanwhile are ignored.
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
}

}  // namespace

}  // namespace pellucor
