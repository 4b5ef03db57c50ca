// The windows' side of a truthful publish and upload: the repository upload
// keeps its own preferences, a failure is shown once, the page opened for a
// test is the published one whatever its path holds.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QUrl>

#include <cstdlib>

#include "AppFixture.h"
#include "app/FrontEndHooks.h"
#include "app/MainWindow.h"

namespace pellucor {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

class FrontEndTruth : public AppFixture { };

size_t shownWith(const std::vector<std::string>& messages, const std::string& fragment)
{
    size_t n = 0;
    for (const auto& m : messages)
        n += m.find(fragment) != std::string::npos;
    return n;
}

}  // namespace

TEST_F(FrontEndTruth, UploadUnpublishedLectureUsesAndStoresOnlyTheRepositoryPreferences)
{
    Preferences& prefs = app.prefs();
    prefs.Set("prfWebHost", "web.example.org");
    prefs.Set("prfWebAccount", "webacct");
    prefs.Set("prfRepHost", "repository.example.org");
    prefs.Set("prfRepAccount", "repacct");
    prefs.DoSave();
    std::vector<FtpRequest> seen;
    app.hooks.ftpUpload = [&](FtpRequest& request) {
        seen.push_back(request);
        request.host = "other-" + request.host;  // the user changes both in the window
        request.account = "other-" + request.account;
    };
    mainWindow.SetLectureDir(lec);
    mainWindow.cmdUploadRep_Click();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].host, "repository.example.org");
    EXPECT_EQ(seen[0].account, "repacct");

    // What is stored on disk, read by a fresh program.
    Preferences stored(QString::fromStdString(dir.file("prefs.ini")));
    stored.Form_Load();
    EXPECT_EQ(stored.Get("prfRepHost"), "other-repository.example.org");
    EXPECT_EQ(stored.Get("prfRepAccount"), "other-repacct");
    EXPECT_EQ(stored.Get("prfWebHost"), "web.example.org");
    EXPECT_EQ(stored.Get("prfWebAccount"), "webacct");

    // The next web upload still goes to the web server.
    publishForm.Published = 1;
    mainWindow.cmdUploadWeb_Click();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].host, "web.example.org");
    EXPECT_EQ(seen[1].account, "webacct");
}

TEST_F(FrontEndTruth, APublishFailureIsShownOnce)
{
    copySample();
    publishForm.SetLectureDir(lec);
    publishForm.TextName = "talk";
    publishForm.TextStyle = dir.dir() + "no-style/";
    publishForm.TextCDDir = dir.dir() + "out/";
    publishForm.optCD = 1;
    publishForm.optWeb = 0;
    EXPECT_FALSE(publishForm.cmdPubDisk_Click());
    EXPECT_EQ(shownWith(sink.messages, "Style directory not found: " + dir.dir() + "no-style/"), 1u);
    EXPECT_EQ(publishForm.statusLine, "Publish aborted.");

    // A failure of the lecture itself, through the main window.
    sink.messages.clear();
    writeFile(lec + "talk2.txt", "# no slides here\r\n");
    app.prefs().Set("prfStyle", PELLUCOR_STYLE_DIR);
    app.prefs().Set("prfOutRoot", dir.dir() + "disk/");
    mainWindow.SetLectureDir(lec);
    app.hooks.chooseDirectory = [](const std::string&, std::string&, bool) { return true; };
    mainWindow.cmdPub_Click();
    EXPECT_EQ(shownWith(sink.messages, lec + "talk2.txt holds no slide lines"), 1u)
        << (sink.messages.empty() ? std::string("nothing shown") : sink.messages.back());
}

TEST_F(FrontEndTruth, TestDiskOpensThePublishedPageWhateverItsPathHolds)
{
    const std::string out = dir.dir() + "out #1? 100% done/";
    writeFile(out + "index.htm", "<html></html>");
    // The desktop's opener, replaced by one that notes what it was given.
    const std::string bin = dir.dir() + "bin/";
    const std::string noted = dir.dir() + "opened.txt";
    writeFile(bin + "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + noted + "'\n");
    fs::permissions(bin + "xdg-open", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    ::setenv("PATH", (bin + ":" + path).c_str(), 1);
    publishForm.TextCDDir = out;
    publishForm.Published = 1;
    publishForm.cmdTestCD_Click();
    QElapsedTimer waited;
    waited.start();
    while (!fs::exists(noted) && waited.elapsed() < 10000)
        QThread::msleep(20);
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(fs::exists(noted));
    QThread::msleep(100);  // the opener finishes writing
    const std::string url = readFile(noted);
    EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
    const QUrl parsed(QString::fromStdString(url));
    EXPECT_TRUE(parsed.fragment().isEmpty()) << url;
    EXPECT_TRUE(parsed.query().isEmpty()) << url;
    EXPECT_EQ(parsed.toLocalFile().toStdString(), out + "index.htm") << url;
}

}  // namespace pellucor
