#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>

#include "TestSupport.h"
#include "app/PublishForm.h"
#include "app/MainWindowPort.h"
#include "app/PathVars.h"
#include "app/Preferences.h"
#include "core/TavUtils.h"
#include "publish/Publisher.h"
#include "server/LectureWatcher.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// The part of the main window the server uses: open a lecture and ask
// whether it can be published.
class MainWindowStandIn : public MainWindowPort {
public:
    MainWindowStandIn(Preferences& prefs, PublishForm& form) : prefs_(prefs), form_(form) {}
    void SetLectureDir(const std::string& dir) override
    {
        form_.SetLectureDir(dir);
        form_.TextName = SplitLectureDir(dir).name;
        form_.TextStyle = prefs_.Get("prfStyle");
    }
    bool OKToPublish(bool showMsg, std::string& msg) override
    {
        Publisher engine(&form_);
        return engine.OKToPublish(showMsg, msg);
    }

private:
    Preferences& prefs_;
    PublishForm& form_;
};

class ServerEdition : public ::testing::Test {
protected:
    int argc = 0;
    QCoreApplication app{argc, nullptr};
    TempDir root;
    RecordingMessageSink sink;
    Preferences prefs{QString::fromStdString(root.file("prefs.ini"))};
    PublishForm publishForm{&prefs};
    MainWindowStandIn mainWindow{prefs, publishForm};
    LectureWatcher server{&prefs, &publishForm, &mainWindow};

    void SetUp() override
    {
        prefs.Form_Load();
        prefs.Set("prfStyle", PELLUCOR_STYLE_DIR);
        prefs.Set("prfsrvIncoming", root.dir() + "incoming");
        prefs.Set("prfsrvRepository", root.dir() + "repository");
        prefs.Set("prfsrvPubDir", root.dir() + "pub");
        prefs.Set("prfsrvLogFile", root.dir() + "log.htm");
        prefs.Set("prfsrvWebURL", "http://lectures.example.org/lectures/");
        prefs.Set("prfsrvStreamURL", "");
        publishForm.Form_Load();
        publishForm.logPoller.setInterval(50);
        server.Form_Load();
    }
    void dropSample(const std::string& rel)
    {
        const fs::path dir = fs::path(root.dir() + "incoming") / rel;
        fs::create_directories(dir);
        for (const auto& e : fs::directory_iterator(sampleDir()))
            if (e.is_regular_file())
                fs::copy_file(e.path(), dir / e.path().filename());
    }
    std::string log() { return readFile(root.file("log.htm")); }
};

TEST_F(ServerEdition, ReadyLectureIsMovedPublishedAndLogged)
{
    dropSample("lectures/x-talk1");
    Tav_SetUnattended(true);
    ASSERT_TRUE(server.CheckIncoming());
    Tav_SetUnattended(false);
    EXPECT_TRUE(server.LastPublishOk()) << server.lblStatus;
    EXPECT_FALSE(fs::exists(root.dir() + "incoming/lectures/x-talk1"));
    EXPECT_TRUE(fs::exists(root.dir() + "repository/lectures/talk1/talk1.rm"));
    const std::string pub = root.dir() + "pub/lectures/talk1/";
    EXPECT_EQ(server.txtPubDir, pub);
    EXPECT_EQ(server.txtWebURL, "http://lectures.example.org/lectures/lectures/talk1/");
    EXPECT_EQ(server.txtRelPath, "lectures/");
    EXPECT_TRUE(fs::exists(pub + "index.htm"));
    EXPECT_TRUE(fs::exists(pub + "talk11.webm"));  // lecture "talk1", part 1
    EXPECT_EQ(server.lblPhase, "Complete - " + root.dir() + "repository/lectures/talk1/");
    const std::string text = log();
    EXPECT_NE(text.find("Watching Directory " + root.dir() + "incoming<br>\r\n"), std::string::npos);
    EXPECT_NE(text.find("Calling Pellucor in "), std::string::npos);
    EXPECT_NE(text.find("Lecture URL at <a href=\"http://lectures.example.org/lectures/lectures/talk1/\">"),
              std::string::npos);
    // Nothing more to do on the next check.
    EXPECT_FALSE(server.CheckIncoming());
    EXPECT_EQ(server.lblPhase, "No incoming lectures found");
}

TEST_F(ServerEdition, ExistingDestinationRenamesTheIncomingLectureAndKeepsEarlierRefusals)
{
    fs::create_directories(root.dir() + "repository/lectures/talk1");
    fs::create_directories(root.dir() + "incoming/lectures/x-talk1");
    EXPECT_FALSE(server.FindReadyLecture());
    EXPECT_TRUE(fs::exists(root.dir() + "incoming/lectures/e-talk1"));
    EXPECT_NE(log().find("Error - destination directory should not exist " + root.dir() + "repository/lectures/talk1"),
              std::string::npos);
    EXPECT_FALSE(server.FindReadyLecture());  // not picked up again
    fs::create_directories(root.dir() + "incoming/lectures/x-talk1");
    EXPECT_FALSE(server.FindReadyLecture());
    EXPECT_TRUE(fs::exists(root.dir() + "incoming/lectures/e-talk1"));
    EXPECT_TRUE(fs::exists(root.dir() + "incoming/lectures/e-talk1-2"));
}

TEST_F(ServerEdition, BareMarkerIsAPoorlyFormedName)
{
    fs::create_directories(root.dir() + "incoming/x-");
    EXPECT_FALSE(server.FindReadyLecture());
    EXPECT_EQ(sink.messages.back(), "Error - Poorly formed directory name " + root.dir() + "incoming/x-");
    EXPECT_FALSE(server.FindReadyLecture());
}

TEST_F(ServerEdition, UnpublishableLectureIsLoggedAndStaysInTheRepository)
{
    fs::create_directories(root.dir() + "incoming/x-empty");
    writeFile(root.dir() + "incoming/x-empty/readme.txt", "no media");
    Tav_SetUnattended(true);
    EXPECT_TRUE(server.CheckIncoming());
    Tav_SetUnattended(false);
    EXPECT_FALSE(server.LastPublishOk());
    EXPECT_TRUE(fs::exists(root.dir() + "repository/empty/readme.txt"));
    EXPECT_NE(log().find("Directory is not ready to be published - " + root.dir() + "repository/empty/"),
              std::string::npos);
}

TEST_F(ServerEdition, HostileLectureNameIsPublishedWithoutRunningAnything)
{
    const std::string name = "x-it's $(touch PWNED) `touch PWNED2`; \"q\"";
    dropSample(name);
    Tav_SetUnattended(true);
    ASSERT_TRUE(server.CheckIncoming());
    Tav_SetUnattended(false);
    EXPECT_TRUE(server.LastPublishOk()) << server.lblStatus;
    EXPECT_TRUE(fs::exists(server.txtPubDir + "index.htm"));
    for (const auto& e : fs::recursive_directory_iterator(root.path()))
        EXPECT_EQ(e.path().filename().string().find("PWNED"), std::string::npos) << e.path();
}

TEST_F(ServerEdition, IndexPageListsWhatThePublishDirectoryHoldsAndIsNeverReplaced)
{
    server.SetDir(root.dir() + "repository/talk");
    const std::string pub = server.txtPubDir;
    writeFile(pub + "talk.ppt", std::string(6000, 'p'));
    writeFile(pub + "notes.pdf", "pdf");
    writeFile(pub + ".hidden", "h");
    writeFile(pub + "other.txt", "x");
    ASSERT_TRUE(server.WriteIndexPage());
    EXPECT_EQ(readLines(pub + "index.htm").size(), 4u + 4u);
    const std::string page = readFile(pub + "index.htm");
    EXPECT_EQ(page.find("<title>Pellucor Server Edition - talk</title>\r\n<h2>Pellucor Server Edition - talk</h2>\r\n"
                        "Lecture Created:<b> "),
              0u);
    EXPECT_NE(page.find("<ul>\r\n<p><li><a href=\"notes.pdf\">PDF Slides</a>\r\n (3 Bytes)\r\n"
                        "<p><li><a href=\"talk.ppt\">PowerPoint Slides</a>\r\n (5 KB)\r\n"),
              std::string::npos);
    writeFile(pub + "index.htm", "mine");
    EXPECT_FALSE(server.WriteIndexPage());
    EXPECT_EQ(readFile(pub + "index.htm"), "mine");
}

TEST_F(ServerEdition, DerivedLabelsFollowTheRepositoryPath)
{
    server.txtStreamPrefix = "rtsp://s/lectures/";
    server.SetDir(root.dir() + "repository/course/week1/talk");
    EXPECT_EQ(server.txtName, "talk");
    EXPECT_EQ(server.txtRelPath, "course/week1/");
    EXPECT_EQ(server.txtPubDir, root.dir() + "pub/course/week1/talk/");
    EXPECT_EQ(server.txtStreamURL, "rtsp://s/lectures/course/week1/talk/");
    server.SetDir("/elsewhere/talk");
    EXPECT_EQ(server.txtRelPath, "");
    EXPECT_EQ(LectureWatcher::MakeLink("http://x/"), "<a href=\"http://x/\">http://x/</a>");
}

}  // namespace

}  // namespace pellucor
