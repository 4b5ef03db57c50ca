#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "AppFixture.h"
#include "app/MainWindow.h"
#include "app/Preferences.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

class MainWindowTest : public AppFixture { };

// A presentation of `count` slides whose export writes that many images.
class FakeImporter : public SlideImporter {
public:
    int16_t count = 3;
    int width = 0, height = 0;
    int16_t OpenPresentation(const std::string&) override { return count; }
    bool ExportSlides(const std::string& dir, int w, int h) override
    {
        width = w;
        height = h;
        for (int i = 1; i <= count; ++i)
            writeFile(dir + "img00" + std::to_string(i) + ".gif", "GIF89a");
        return true;
    }
    std::string SlideTitle(int i) override { return "Title " + std::to_string(i); }
    void Close() override { }
};

MainWindow::StartWindow startWith(const std::string& more, bool byAutomation, std::string* caption = nullptr)
{
    TempDir d;
    const QString ini = QString::fromStdString(d.file("prefs.ini"));
    {
        Preferences p(ini);
        p.Form_Load();
        p.Set("prfMore", more);
        p.DoSave();
    }
    AppContext app(ini);
    const auto first = app.Start(byAutomation);
    if (caption)
        *caption = app.publishForm().Caption;
    return first;
}

TEST(MainWindowStartup, FirstWindowFollowsPrfMoreAndTheAutomationClient)
{
    RecordingMessageSink sink;
    EXPECT_EQ(startWith(" YeS ", false), MainWindow::StartWindow::Detail);
    EXPECT_EQ(startWith("server", false), MainWindow::StartWindow::Server);
    EXPECT_EQ(startWith("", false), MainWindow::StartWindow::Main);
    EXPECT_EQ(startWith("no", false), MainWindow::StartWindow::Main);
    std::string caption;
    EXPECT_EQ(startWith("server", true, &caption), MainWindow::StartWindow::Detail);
    EXPECT_EQ(caption, "Pellucor-Pellucor (automated)");
    startWith("", false, &caption);
    EXPECT_EQ(caption, "Pellucor 2000 - Power User Version :)");
}

TEST_F(MainWindowTest, StartupFillsTheSizeListAndTheDetailedFormFromTheLastLecture)
{
    app.prefs().Set("prfLectureDir", lec);
    app.prefs().DoSave();
    app.Start();
    EXPECT_EQ(mainWindow.lstSize.size(), 7u);
    EXPECT_EQ(mainWindow.lstSize.back(), "1280x720");
    EXPECT_EQ(mainWindow.lstSize[static_cast<size_t>(mainWindow.lstSizeIndex)], "640x480");
    EXPECT_EQ(mainWindow.lblDirectory, lec);
    EXPECT_EQ(publishForm.TextPP, lec);
    EXPECT_EQ(publishForm.TextName, "talk");
    EXPECT_EQ(publishForm.chkAuto, 0);
}

TEST_F(MainWindowTest, LectureDirectoryKeepsItsCaseAndNamesTheLecture)
{
    mainWindow.SetLectureDir("  /Lectures/Week01/ ");
    EXPECT_EQ(mainWindow.LecName, "Week01");
    EXPECT_EQ(mainWindow.LecParent, "/Lectures/");
    EXPECT_EQ(publishForm.TextName, "Week01");
    EXPECT_EQ(mainWindow.TavPrefString("${lecdir}copy/${lecname}@${lecparent}"),
              "  /Lectures/Week01/ copy/Week01@/Lectures/");
    EXPECT_EQ(mainWindow.LectureDir, "/Lectures/Week01/");
    mainWindow.SetLectureDir("");
    EXPECT_EQ(publishForm.TextName, "media");
}

TEST_F(MainWindowTest, SlideScanListsEachImageOnceAndPreviewStaysInRange)
{
    for (const char* f : {"img002.gif", "img001.gif", "extra.gif", "photo.jpg", "notes.txt"})
        writeFile(lec + f, "GIF89a");
    mainWindow.SetLectureDir(lec);
    EXPECT_EQ(mainWindow.ImageNames, (Strings {"img001.gif", "img002.gif"}));
    mainWindow.mnuLiberal_Click();
    EXPECT_TRUE(sink.saw("Now, any file with a *.jpg or *.gif extension will be treated as a slide"));
    EXPECT_EQ(mainWindow.ImageNames, (Strings {"extra.gif", "img001.gif", "img002.gif", "photo.jpg"}));
    EXPECT_EQ(mainWindow.TavImageCount(), 4);
    EXPECT_EQ(mainWindow.TavImageName(0), "");
    EXPECT_EQ(mainWindow.TavImageName(5), "");
    EXPECT_EQ(mainWindow.TavImageName(4), "photo.jpg");

    mainWindow.PreviewIndex = 1;
    mainWindow.TavSlidePreview();
    EXPECT_EQ(mainWindow.lblCount, "1/4");
    EXPECT_FALSE(mainWindow.Enabled["cmdMinus"]);
    EXPECT_TRUE(mainWindow.Enabled["cmdPlus"]);
    for (int i = 0; i < 6; ++i)
        mainWindow.cmdPlus_Click();
    EXPECT_EQ(mainWindow.lblCount, "4/4");
    EXPECT_FALSE(mainWindow.Enabled["cmdPlus"]);
    EXPECT_EQ(mainWindow.imgPreview, lec + "photo.jpg");
    fs::remove(lec + "photo.jpg");
    mainWindow.TavSlidePreview();
    EXPECT_EQ(mainWindow.lblPreview, "No Image");
    EXPECT_TRUE(mainWindow.imgPreview.empty());

    mainWindow.SetLectureDir(dir.dir() + "empty/");
    EXPECT_EQ(mainWindow.lblCount, "No Slides");
    EXPECT_EQ(mainWindow.lblPreview, "No Slides");
}

TEST_F(MainWindowTest, SlideChecksAndTheOldLayoutWarning)
{
    mainWindow.LectureDir = "";
    mainWindow.SlideChecks(true);
    EXPECT_EQ(sink.messages.back(), "Please Specify A Directory");
    EXPECT_FALSE(mainWindow.Enabled["cmdExport"]);
    mainWindow.LectureDir = dir.dir() + "missing/";
    mainWindow.SlideChecks(true);
    EXPECT_EQ(sink.messages.back(), "Error Directory does not exist - " + dir.dir() + "missing/");
    mainWindow.LectureDir = lec;
    mainWindow.PPTSlideCount = 3;
    sink.messages.clear();
    mainWindow.SlideChecks(true);  // no images yet: nothing to compare
    EXPECT_TRUE(mainWindow.Enabled["cmdExport"]);
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
    mainWindow.ImageCount = 1;
    mainWindow.SlideChecks(true);
    EXPECT_TRUE(sink.saw("may want to re-convert PowerPoint to GIF"));
    mainWindow.SlideChecks(true, true);
    EXPECT_EQ(sink.messages.back(), "Mis-Match between number of PowerPoint Slides and Images - may want to re-export");

    const std::string old = dir.dir() + "course/htm_sld/";
    fs::create_directories(old);
    writeFile(dir.dir() + "course/media/talk1.rm", "");
    sink.messages.clear();
    mainWindow.SetLectureDir(old);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(StartsWith(sink.messages[0], old + " appears to be from a previous version of Pellucor."));
    EXPECT_TRUE(Contains(sink.messages[0], dir.dir() + "course/media/. Please exit"));
    mainWindow.DirOrPPTChanged();  // once per directory
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_F(MainWindowTest, PublishControlsFollowTheNewLectureAndPrefillTheDetailedForm)
{
    copySample();
    mainWindow.SetLectureDir(lec);
    EXPECT_TRUE(mainWindow.Enabled["cmdPub"]);
    EXPECT_TRUE(mainWindow.Enabled["mnuAdjustTimes"]);
    EXPECT_TRUE(mainWindow.Enabled["cmdUploadRep"]);
    EXPECT_FALSE(mainWindow.Enabled["cmdTestDisk"]);
    EXPECT_FALSE(mainWindow.Enabled["cmdPubWeb"]);
    EXPECT_EQ(publishForm.TextCDDir, lec + "synccd/");
    EXPECT_EQ(publishForm.TextWebDir, lec + "syncweb/");
    EXPECT_EQ(publishForm.TextStyle, PELLUCOR_STYLE_DIR);
    EXPECT_EQ(app.prefs().Get("prfLectureDir"), lec);
    // Moving to a directory without a lecture disables publishing at once.
    const std::string empty = dir.dir() + "empty/";
    fs::create_directories(empty);
    mainWindow.SetLectureDir(empty);
    EXPECT_FALSE(mainWindow.Enabled["cmdPub"]);
    EXPECT_EQ(mainWindow.lblPublishReason, "No recording found in " + empty + " (Record Lecture makes one)");
    EXPECT_TRUE(mainWindow.Enabled["cmdSelectPPT"]);
    mainWindow.SetLectureDir(lec);
    EXPECT_TRUE(mainWindow.Enabled["cmdPub"]);
    EXPECT_EQ(mainWindow.lblPublishReason, "");
}

TEST_F(MainWindowTest, PresentationExportUsesTheChosenSize)
{
    FakeImporter importer;
    app.hooks.slideImporter = &importer;
    app.hooks.choosePresentation = [](std::string& p) {
        p = "/decks/talk.pptx";
        return true;
    };
    mainWindow.lstSize = {"320x240", "400x300", "640x480", "800x600", "1024x768"};
    mainWindow.SetLectureDir(lec);
    mainWindow.cmdSelectPPT_Click();
    EXPECT_EQ(mainWindow.lblPPTFile, "/decks/talk.pptx");
    EXPECT_EQ(mainWindow.lblPPTCount, "3 Slide(s)");
    EXPECT_TRUE(mainWindow.Enabled["cmdExport"]);
    EXPECT_FALSE(sink.saw("Mis-Match between number of PowerPoint Slides and Images"));  // a new lecture
    mainWindow.lstSizeIndex = 4;
    mainWindow.cmdExport_Click();
    EXPECT_EQ(importer.width, 1024);
    EXPECT_EQ(importer.height, 768);
    mainWindow.lstSizeIndex = 6;  // widescreen
    mainWindow.cmdExport_Click();
    EXPECT_EQ(importer.width, 1280);
    EXPECT_EQ(importer.height, 720);
    EXPECT_EQ(mainWindow.ImageCount, 3);
    EXPECT_EQ(mainWindow.lblTitle, "Title 1");
    mainWindow.lstSizeIndex = -1;
    mainWindow.cmdExport_Click();
    EXPECT_EQ(importer.width, 640);
    EXPECT_EQ(importer.height, 480);
}

TEST_F(MainWindowTest, ChoosingAMissingLectureDirectoryChangesNothing)
{
    mainWindow.SetLectureDir(lec);
    app.hooks.chooseDirectory = [&](const std::string&, std::string& d, bool) {
        d = dir.dir() + "nowhere/";
        return true;
    };
    mainWindow.cmdOpenLecture_Click();
    EXPECT_EQ(sink.messages.back(), "Directory - " + dir.dir() + "nowhere/ does not exist");
    EXPECT_EQ(mainWindow.lblDirectory, lec);
}

TEST_F(MainWindowTest, OpeningAnotherLectureClearsTheStatusLineUnlessAPublishRuns)
{
    app.Start();
    mainWindow.SetLectureDir(lec);
    const std::string other = dir.dir() + "other/";
    fs::create_directories(other);
    std::string chosen = lec;
    app.hooks.chooseDirectory = [&](const std::string&, std::string& d, bool) {
        d = chosen;
        return true;
    };
    publishForm.SetStatus("Process:All Done", kColourWhite);
    mainWindow.cmdOpenLecture_Click();  // the same lecture again
    EXPECT_EQ(mainWindow.lblStatus, "Process:All Done");

    chosen = other;
    publishForm.SetStatus("Process:All Done", kColourRed);
    mainWindow.cmdOpenLecture_Click();
    EXPECT_EQ(mainWindow.lblDirectory, other);
    EXPECT_EQ(mainWindow.lblStatus, "");
    EXPECT_EQ(mainWindow.lblStatusColour, kColourWhite);
    EXPECT_EQ(publishForm.statusLine, "");

    // A publish still running goes on reporting in the status line.
    chosen = lec;
    publishForm.SetStatus("process:Video Merge (2 seconds)");
    publishForm.logPoller.start();
    mainWindow.cmdNewLecture_Click();
    publishForm.logPoller.stop();
    EXPECT_EQ(mainWindow.lblDirectory, lec);
    EXPECT_EQ(mainWindow.lblStatus, "process:Video Merge (2 seconds)");
}

TEST_F(MainWindowTest, GuidedPublishToDiskEnablesTestWhenTheScriptIsDone)
{
    copySample();
    mainWindow.SetLectureDir(lec);
    publishForm.logPoller.setInterval(50);
    mainWindow.timDisk.setInterval(20);
    std::vector<std::string> titles;
    app.hooks.chooseDirectory = [&](const std::string& title, std::string& d, bool) {
        titles.push_back(title);
        d = dir.dir() + "disk/";
        return true;
    };
    mainWindow.cmdPub_Click();
    EXPECT_EQ(titles, std::vector<std::string> {"Select Disk Publish Directory"});
    EXPECT_EQ(publishForm.TextCDDir, dir.dir() + "disk/");
    ASSERT_TRUE(mainWindow.timDisk.isActive()) << mainWindow.lblStatus;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!mainWindow.timDisk.isActive() && !publishForm.logPoller.isActive())
            loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(mainWindow.lblStatus, "Process:All Done");  // mirrored from the detailed form
    EXPECT_TRUE(mainWindow.Enabled["cmdTestDisk"]);
    EXPECT_TRUE(mainWindow.Enabled["mnuTestDisk"]);
    EXPECT_TRUE(fs::exists(dir.dir() + "disk/index.htm"));
}

TEST_F(MainWindowTest, WebWatcherEnablesUploadAndStopsWhenTheRunEndsWithoutAllDone)
{
    mainWindow.timWeb.start();
    mainWindow.ShowStatus("net:Video Merge (3 seconds)", 65535);
    publishForm.logPoller.start();
    mainWindow.timWeb_Timer();
    EXPECT_TRUE(mainWindow.timWeb.isActive());
    mainWindow.ShowStatus("Process:All Done", 16777215);
    mainWindow.timWeb_Timer();
    EXPECT_FALSE(mainWindow.timWeb.isActive());
    EXPECT_TRUE(mainWindow.Enabled["cmdUploadWeb"]);
    publishForm.logPoller.stop();
    mainWindow.timDisk.start();
    mainWindow.ShowStatus("process.bat stopped before it finished, at: Merge", 255);
    mainWindow.timDisk_Timer();
    EXPECT_FALSE(mainWindow.timDisk.isActive());
    EXPECT_FALSE(mainWindow.Enabled["cmdTestDisk"]);
}

TEST_F(MainWindowTest, PublishForWebStopsOnAnEmptyUrl)
{
    copySample();
    mainWindow.SetLectureDir(lec);
    app.hooks.inputBox = [](const std::string& prompt, const std::string& title, std::string& answer) {
        EXPECT_EQ(prompt, "Enter the URL where this lecture will be stored");
        EXPECT_EQ(title, "Publish to the Web");
        answer = "  ";
        return true;
    };
    mainWindow.cmdPubWeb_Click();
    EXPECT_TRUE(sink.saw("Select a directory to store the data on your local disk for later upload"));
    EXPECT_FALSE(mainWindow.timWeb.isActive());
    EXPECT_FALSE(fs::exists(lec + "syncweb/process.bat"));
}

}  // namespace

}  // namespace pellucor
