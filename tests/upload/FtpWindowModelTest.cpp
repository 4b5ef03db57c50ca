// The window's rules, against a scripted client.
#include <gtest/gtest.h>

#include <algorithm>

#include "ScriptedFtpClient.h"
#include "TestSupport.h"
#include "upload/FtpWindowModel.h"

namespace pellucor {

using namespace testing_support;

namespace {

struct Window {
    ScriptedFtpClient inet;
    FtpWindowModel ftp{inet};
    std::vector<std::string> statuses;
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
    bool sent(const std::string& prefix) const
    {
        for (const auto& c : inet.commands)
            if (c.rfind(prefix, 0) == 0)
                return true;
        return false;
    }
};

TEST(FtpWindowModel, PathsAreQuotedWithoutTheirTrailingSlashExceptTheRoot)
{
    Window w;
    w.ftp.FtpExecuteOnPath("cd", "/web/lec one/");
    w.ftp.FtpExecuteOnPath("mkdir", "a//b");
    w.ftp.FtpExecuteOnPath("CD", "/");
    w.ftp.FtpExecuteOnPath("CD", R"(odd"name)");
    EXPECT_EQ(w.inet.commands,
              (std::vector<std::string>{R"(CD "/web/lec one")", R"(MKDIR "a/b")", R"(CD "/")", R"(CD "odd""name")"}));
}

TEST(FtpWindowModel, LoginBuildsTheAddressAndReportsFailure)
{
    RecordingMessageSink sink;
    Window w;
    w.inet.failing = {"PWD"};
    w.ftp.cmdBrowse_Click();
    EXPECT_EQ(w.inet.url, "ftp://web.example.org/");
    EXPECT_EQ(w.inet.user, "bob");
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"Unable to login"}));
    EXPECT_EQ(w.statuses, (std::vector<std::string>{"Logging in ...", "Unable to Log In"}));
    EXPECT_FALSE(w.ftp.cmdMputEnabled);
    EXPECT_TRUE(w.ftp.txtPassEnabled);

    w.inet.failing.clear();
    w.inet.replies["PWD"] = "/home/bob";
    w.inet.replies["DIR"] = "web/\r\nindex.htm\r\n\r\n";
    w.ftp.txtFTPURL = "ftp://web.example.org:2121/pub/";
    w.ftp.cmdBrowse_Click();
    EXPECT_EQ(w.inet.url, "ftp://web.example.org:2121/pub/");
    EXPECT_EQ(w.ftp.txtFTPPath, "/home/bob");
    EXPECT_EQ(w.ftp.lstBox, (std::vector<std::string>{"web/", "index.htm"}));
    EXPECT_TRUE(w.ftp.cmdMputEnabled);
    EXPECT_FALSE(w.ftp.txtAccountEnabled);
    EXPECT_EQ(w.statuses.back(), "Directory listed.");
}

TEST(FtpWindowModel, DoubleClickEntersDirectoriesOnly)
{
    Window w;
    w.inet.replies["DIR"] = "web/\r\nindex.htm\r\n";
    w.ftp.cmdBrowse_Click();
    const size_t before = w.inet.commands.size();
    w.ftp.lstBoxIndex = 1;
    w.ftp.lstBox_DblClick();
    EXPECT_EQ(w.inet.commands.size(), before);
    w.ftp.lstBoxIndex = 0;
    w.ftp.lstBox_DblClick();
    ASSERT_GT(w.inet.commands.size(), before);
    EXPECT_EQ(w.inet.commands[before], R"(CD "web")");
}

TEST(FtpWindowModel, UploadShowsCountsAndSizes)
{
    TempDir local;
    writeFile(local.path() / "a.htm", std::string(10, 'a'));
    writeFile(local.path() / "b.gif", std::string(20, 'b'));
    std::filesystem::create_directory(local.path() / "sub");
    Window w;
    EXPECT_TRUE(w.ftp.FtpUploadDirectory(local.dir(), "/www/"));
    // Each file under a temporary name, renamed once it is complete.
    EXPECT_EQ(w.inet.commands, (std::vector<std::string>{"PWD", R"(CD "/www")", "DIR",
                                                         "PUT \"" + local.file("a.htm") + "\" \".a.htm.part\"",
                                                         R"(RENAME ".a.htm.part" "a.htm")",
                                                         "PUT \"" + local.file("b.gif") + "\" \".b.gif.part\"",
                                                         R"(RENAME ".b.gif.part" "b.gif")", "DIR"}));
    EXPECT_EQ(w.statuses, (std::vector<std::string>{"Preparing to upload 1 Files/10 Bytes " + local.file("a.htm"),
                                                    "Preparing to upload 2 Files/30 Bytes " + local.file("b.gif"),
                                                    "2 Files/30 Bytes", "1 of 2 Files/10 Bytes of 30 Bytes",
                                                    "2 of 2 Files/30 Bytes of 30 Bytes",
                                                    "Upload Complete 2 Files/30 Bytes"}));
}

TEST(FtpWindowModel, MissingRemoteDirectoryIsCreatedOnlyWhenAllowed)
{
    TempDir local;
    RecordingMessageSink sink;
    sink.answers = {TavCancel};
    Window w;
    w.inet.failing = {"CD"};
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir(), "/new"));
    EXPECT_EQ(sink.questions, (std::vector<std::string>{"OK to Create /new on Server"}));
    EXPECT_EQ(w.statuses.back(), "Not Created: /new");
    EXPECT_FALSE(w.sent("MKDIR"));

    w.inet.failing = {"CD", "MKDIR"};
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir(), "/new"));
    EXPECT_EQ(w.statuses.back(), "Unable to create directory: /new");

    // Every missing level is created, from the root.
    w.inet.commands.clear();
    w.inet.failing = {R"(CD "/new/a)"};
    w.ftp.FtpUploadDirectory(local.dir(), "/new/a/b");  // the scripted server never has the new levels
    EXPECT_EQ(std::vector<std::string>(w.inet.commands.begin(), w.inet.commands.begin() + 6),
              (std::vector<std::string>{R"(CD "/new/a/b")", R"(CD "/new")", R"(CD "/new/a")", R"(MKDIR "/new/a")",
                                        R"(CD "/new/a/b")", R"(MKDIR "/new/a/b")"}));

    // A file that breaks off is removed under its temporary name.
    writeFile(local.path() / "a.htm", "a");
    w.inet.commands.clear();
    w.inet.failing = {"PUT"};
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir(), "/www"));
    EXPECT_EQ(w.inet.commands.back(), R"(DELETE ".a.htm.part")");
    EXPECT_FALSE(w.sent("RENAME"));
    EXPECT_EQ(w.statuses.back(), "Upload Failure - Upload not Complete");

    // A local directory that does not exist is not an empty one.
    w.inet.failing.clear();
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir() + "missing/", "/new"));
    EXPECT_EQ(w.statuses.back(), "Local directory not found: " + local.dir() + "missing/");
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
        if (armed && w.ftp.lblCmd.rfind("PUT", 0) == 0) {
            armed = false;
            w.inet.whileRunning = [&] { w.ftp.cmdClose_Click(); };
        }
    });
    EXPECT_FALSE(w.ftp.FtpUploadDirectory(local.dir(), "/"));
    EXPECT_EQ(w.inet.cancels, 3);
    EXPECT_TRUE(w.closed);
    EXPECT_FALSE(w.ftp.LoggedIn());
    EXPECT_EQ(w.statuses.back(), "Upload Failure - Upload not Complete");
    EXPECT_EQ(std::count_if(w.inet.commands.begin(), w.inet.commands.end(),
                            [](const std::string& c) { return c.rfind("PUT", 0) == 0; }),
              1);
}

}  // namespace

}  // namespace pellucor
