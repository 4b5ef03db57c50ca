// The window and the libcurl client against a real FTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <filesystem>

#include "FtpTestServer.h"
#include "TestSupport.h"
#include "core/TavUtils.h"
#include "upload/CurlFtpClient.h"
#include "upload/FtpWindowModel.h"

namespace pellucor {

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

struct Session {
    CurlFtpClient inet;
    FtpWindowModel ftp{inet};
    std::vector<std::string> shown;  // every status and label text shown
    explicit Session(const FtpTestServer& server, const std::string& password = FtpTestServer::kPassword)
    {
        ftp.txtFTPURL = server.host();
        ftp.txtAccount = FtpTestServer::kUser;
        ftp.txtPass = password;
        ftp.Form_Activate();
        QObject::connect(&ftp, &FtpWindowModel::changed, [this] {
            for (const auto* s : {&ftp.txtStatus, &ftp.lblCmd, &ftp.lblInfo, &ftp.txtData})
                shown.push_back(*s);
        });
    }
};

class FtpServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        server_ = std::make_unique<FtpTestServer>(args_);
        ASSERT_TRUE(server_->started()) << "the test FTP server did not start";
    }
    std::vector<std::string> args_;
    std::unique_ptr<FtpTestServer> server_;
};

TEST_F(FtpServer, UploadsTheSampleLectureOverOneConnection)
{
    RecordingMessageSink sink;
    Session s(*server_);
    const std::string sample = sampleDir();
    ASSERT_TRUE(Tav_ChkDir(sample));
    ASSERT_TRUE(s.ftp.FtpUploadDirectory(sample, "/talk/"));
    EXPECT_EQ(sink.questions, (std::vector<std::string>{"OK to Create /talk/ on Server"}));

    const auto names = Tav_ListFiles(sample, "*.*");
    ASSERT_GE(names.size(), 8u);
    int64_t total = 0;
    for (const auto& name : names) {
        total += Tav_FileLen(sample + name);
        EXPECT_EQ(readFile(server_->root() + "talk/" + name), readFile(sample + name)) << name;
    }
    EXPECT_EQ(s.ftp.txtStatus, "Upload Complete " + std::to_string(names.size()) + " Files/" + Tav_SizeText(total));
    EXPECT_EQ(s.ftp.lstBox.size(), names.size());  // the closing listing
    EXPECT_EQ(s.inet.ConnectionsOpened(), 1);

    // Uploading again into the now existing directory asks nothing.
    ASSERT_TRUE(s.ftp.FtpUploadDirectory(sample, "/talk"));
    EXPECT_EQ(sink.questions.size(), 1u);
    EXPECT_EQ(s.inet.ConnectionsOpened(), 1);
}

TEST_F(FtpServer, CreatesAndChangesRemoteDirectories)
{
    Session s(*server_);
    s.ftp.cmdBrowse_Click();
    ASSERT_TRUE(s.ftp.LoggedIn());
    EXPECT_EQ(s.ftp.txtFTPPath, "/");
    EXPECT_TRUE(s.ftp.cmdMkDirEnabled);

    std::vector<std::string> answers = {"lecture one", "sub", "..", "", "/nowhere"};
    s.ftp.InputBox = [&](const std::string&, const std::string& prompt) {
        EXPECT_EQ(prompt, "Enter New Directory");
        const std::string a = answers.front();
        answers.erase(answers.begin());
        return a;
    };
    s.ftp.cmdMkdir_Click();  // "lecture one", entered at once
    EXPECT_TRUE(fs::is_directory(server_->root() + "lecture one"));
    EXPECT_EQ(s.ftp.txtFTPPath, "/lecture one");
    s.ftp.cmdMkdir_Click();  // "sub"
    EXPECT_TRUE(fs::is_directory(server_->root() + "lecture one/sub"));
    EXPECT_EQ(s.ftp.txtFTPPath, "/lecture one/sub");
    s.ftp.cmdCD_Click();  // ".."
    EXPECT_EQ(s.ftp.txtFTPPath, "/lecture one");
    EXPECT_EQ(s.ftp.lstBox, (std::vector<std::string>{"sub/"}));
    s.ftp.cmdCD_Click();  // "": cancelled
    EXPECT_EQ(s.ftp.txtStatus, "Change Directory Cancelled");
    s.ftp.cmdCD_Click();  // a directory that is not there
    EXPECT_EQ(s.ftp.txtFTPPath, "/lecture one");
    EXPECT_NE(s.ftp.lblInfo.find("550"), std::string::npos) << s.ftp.lblInfo;

    // Double-click: into a directory, not onto a file.
    writeFile(server_->root() + "lecture one/sub/page.htm", "x");
    s.ftp.lstBoxIndex = 0;
    s.ftp.lstBox_DblClick();
    EXPECT_EQ(s.ftp.txtFTPPath, "/lecture one/sub");
    ASSERT_EQ(s.ftp.lstBox, (std::vector<std::string>{"page.htm"}));
    const std::string lastCmd = s.ftp.lblCmd;
    s.ftp.lstBox_DblClick();
    EXPECT_EQ(s.ftp.lblCmd, lastCmd);

    // A name that tries to smuggle a second command is refused.
    EXPECT_FALSE(s.ftp.FtpExecuteOnPath("MKDIR", "x\r\nRMD /readonly"));
    EXPECT_FALSE(fs::exists(server_->root() + "x"));
    EXPECT_EQ(s.inet.ConnectionsOpened(), 1);
}

class RefusingFtpServer : public FtpServer {
protected:
    void SetUp() override
    {
        args_ = {"--refuse", "b.txt"};
        FtpServer::SetUp();
    }
};

TEST_F(RefusingFtpServer, AFailedPutStopsTheUpload)
{
    TempDir local;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        writeFile(local.path() / name, name);
    Session s(*server_);
    EXPECT_FALSE(s.ftp.FtpUploadDirectory(local.dir(), "/"));
    EXPECT_EQ(s.ftp.txtStatus, "Upload Failure - Upload not Complete");
    EXPECT_EQ(s.ftp.lblCode, "550");
    EXPECT_TRUE(fs::exists(server_->root() + "a.txt"));
    EXPECT_FALSE(fs::exists(server_->root() + "b.txt"));
    EXPECT_FALSE(fs::exists(server_->root() + "c.txt"));

    // A directory without write permission fails at its first file.
    EXPECT_FALSE(s.ftp.FtpUploadDirectory(local.dir(), "/readonly"));
    EXPECT_EQ(s.ftp.txtStatus, "Upload Failure - Upload not Complete");
    EXPECT_TRUE(Tav_ListFiles(server_->root() + "readonly/", "*.*").empty());
}

TEST_F(FtpServer, AWrongPasswordFailsTheLoginAndIsNeverShown)
{
    RecordingMessageSink sink;
    const std::string wrong = "wr0ng-Secret-Word";
    {
        Session s(*server_, wrong);
        s.ftp.cmdBrowse_Click();
        EXPECT_FALSE(s.ftp.LoggedIn());
        EXPECT_EQ(sink.messages, (std::vector<std::string>{"Unable to login"}));
        EXPECT_EQ(s.ftp.txtStatus, "Unable to Log In");
        EXPECT_EQ(s.ftp.lblCode, "530");
        EXPECT_FALSE(s.ftp.cmdMputEnabled);
        for (const auto& text : s.shown)
            EXPECT_EQ(text.find(wrong), std::string::npos) << text;

        // The right password then logs in on the same window.
        s.ftp.txtPass = FtpTestServer::kPassword;
        s.ftp.cmdBrowse_Click();
        EXPECT_TRUE(s.ftp.LoggedIn());
    }
    const std::string log = readFile(Tav_DebugLogPath());
    EXPECT_NE(log.find("InetExecute PWD"), std::string::npos);
    EXPECT_EQ(log.find(wrong), std::string::npos);
    EXPECT_EQ(log.find(FtpTestServer::kPassword), std::string::npos);
}

TEST_F(FtpServer, CommandLineUploadReadsThePasswordFile)
{
    TempDir local;
    writeFile(local.path() / "index.htm", "<html></html>");
    writeFile(local.path() / "pw", std::string(FtpTestServer::kPassword) + "\n");
    QProcess p;
    p.start(PELLUCOR_EXE, {"upload", QString::fromStdString(local.dir()), "--host",
                           QString::fromStdString(server_->host()), "--user", FtpTestServer::kUser,
                           "--password-file", QString::fromStdString(local.file("pw")), "--remote", "/site"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains("Upload Complete 2 Files/")) << out.toStdString();
    EXPECT_FALSE(out.contains(FtpTestServer::kPassword));
    EXPECT_EQ(readFile(server_->root() + "site/index.htm"), "<html></html>");
}

TEST_F(FtpServer, MissingRemoteDirectoriesAreCreatedLevelByLevel)
{
    TempDir local;
    writeFile(local.path() / "index.htm", "<html></html>");
    writeFile(local.path() / "talk1.webm", std::string(100000, 'w'));
    TempDir secret;
    writeFile(secret.path() / "pw", FtpTestServer::kPassword);
    QProcess p;
    p.start(PELLUCOR_EXE, {"upload", QString::fromStdString(local.dir()), "--host",
                           QString::fromStdString(server_->host()), "--user", FtpTestServer::kUser,
                           "--password-file", QString::fromStdString(secret.file("pw")), "--remote", "/a/b/c"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(readFile(server_->root() + "a/b/c/index.htm"), "<html></html>");
    EXPECT_EQ(readFile(server_->root() + "a/b/c/talk1.webm"), std::string(100000, 'w'));
    // Only the files themselves: no temporary names left behind.
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(server_->root() + "a/b/c")) {
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
}

}  // namespace

namespace {

class SlowFtpServer : public FtpServer {
protected:
    void SetUp() override
    {
        args_ = {"--throttle", "65536"};
        FtpServer::SetUp();
    }
};

TEST_F(SlowFtpServer, ClosingDuringAnUploadCancelsItPromptly)
{
    TempDir local;
    writeFile(local.path() / "a.rm", std::string(4 << 20, 'x'));  // about a minute at this speed
    writeFile(local.path() / "b.htm", "b");
    RecordingMessageSink sink;
    Session s(*server_);
    bool closed = false;
    QObject::connect(&s.ftp, &FtpWindowModel::closeRequested, [&] { closed = true; });
    QElapsedTimer clock;
    s.ftp.ProcessEvents = [&] {
        if (!closed && s.ftp.lblCmd.rfind("PUT", 0) == 0 && clock.isValid() && clock.elapsed() > 300)
            s.ftp.cmdClose_Click();
    };
    ASSERT_TRUE(s.ftp.FtpLogin());
    clock.start();
    EXPECT_FALSE(s.ftp.FtpUploadDirectory(local.dir(), "/"));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(closed);
    EXPECT_EQ(sink.questions, (std::vector<std::string>{"Operation in progress - OK to cancel (may take up to 15 seconds)?"}));
    EXPECT_EQ(s.ftp.txtStatus, "Upload Failure - Upload not Complete");
    EXPECT_EQ(s.ftp.lblState, "11");
    EXPECT_FALSE(fs::exists(server_->root() + "b.htm"));
}

}  // namespace

namespace {

TEST_F(SlowFtpServer, ABrokenTransferLeavesNoFileUnderItsFinalName)
{
    TempDir local;
    writeFile(local.path() / "talk1.webm", std::string(2 << 20, 'v'));  // half a minute at this speed
    TempDir secret;
    writeFile(secret.path() / "pw", FtpTestServer::kPassword);
    QProcess p;
    p.start(PELLUCOR_EXE, {"upload", QString::fromStdString(local.dir()), "--host",
                           QString::fromStdString(server_->host()), "--user", FtpTestServer::kUser,
                           "--password-file", QString::fromStdString(secret.file("pw")), "--remote", "/site"});
    // The transfer is under way: part of the file is on the server.
    const std::string temp = server_->root() + "site/" + FtpTemporaryName("talk1.webm");
    QElapsedTimer clock;
    clock.start();
    std::error_code ec;
    while (!(fs::exists(temp, ec) && fs::file_size(temp, ec) > 0) && clock.elapsed() < 20000)
        QThread::msleep(20);
    ASSERT_TRUE(fs::exists(temp)) << "the upload never started";
    server_->Kill();
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("Upload Failure"));
    EXPECT_FALSE(fs::exists(server_->root() + "site/talk1.webm"));
    EXPECT_LT(fs::file_size(temp), static_cast<uintmax_t>(2 << 20));
}

}  // namespace

}  // namespace pellucor
