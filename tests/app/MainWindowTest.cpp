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

class MainWindowTest : public AppFixture {};

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
    void Close() override {}
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
        *caption = app.form1().Caption;
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
    EXPECT_EQ(form2.lstSize.size(), 5u);
    EXPECT_EQ(form2.lstSize[static_cast<size_t>(form2.lstSizeIndex)], "640x480");
    EXPECT_EQ(form2.lblDirectory, lec);
    EXPECT_EQ(form1.TextPP, lec);
    EXPECT_EQ(form1.TextName, "talk");
    EXPECT_EQ(form1.chkAuto, 0);
}

TEST_F(MainWindowTest, LectureDirectoryKeepsItsCaseAndNamesTheLecture)
{
    form2.SetLectureDir("  /Lectures/Week01/ ");
    EXPECT_EQ(form2.LecName, "Week01");
    EXPECT_EQ(form2.LecParent, "/Lectures/");
    EXPECT_EQ(form1.TextName, "Week01");
    EXPECT_EQ(form2.TavPrefString("${lecdir}copy/${lecname}@${lecparent}"),
              "  /Lectures/Week01/ copy/Week01@/Lectures/");
    EXPECT_EQ(form2.LectureDir, "/Lectures/Week01/");
    form2.SetLectureDir("");
    EXPECT_EQ(form1.TextName, "media");
}

TEST_F(MainWindowTest, SlideScanListsEachImageOnceAndPreviewStaysInRange)
{
    for (const char* f : {"img002.gif", "img001.gif", "extra.gif", "photo.jpg", "notes.txt"})
        writeFile(lec + f, "GIF89a");
    form2.SetLectureDir(lec);
    EXPECT_EQ(form2.ImageNames, (std::vector<std::string>{"img001.gif", "img002.gif"}));
    form2.mnuLiberal_Click();
    EXPECT_TRUE(sink.saw("Now, any file with a *.jpg or *.gif extension will be treated as a slide"));
    EXPECT_EQ(form2.ImageNames, (std::vector<std::string>{"extra.gif", "img001.gif", "img002.gif", "photo.jpg"}));
    EXPECT_EQ(form2.TavImageCount(), 4);
    EXPECT_EQ(form2.TavImageName(0), "");
    EXPECT_EQ(form2.TavImageName(5), "");
    EXPECT_EQ(form2.TavImageName(4), "photo.jpg");

    form2.PreviewIndex = 1;
    form2.TavSlidePreview();
    EXPECT_EQ(form2.lblCount, "1/4");
    EXPECT_FALSE(form2.Enabled["cmdMinus"]);
    EXPECT_TRUE(form2.Enabled["cmdPlus"]);
    for (int i = 0; i < 6; ++i)
        form2.cmdPlus_Click();
    EXPECT_EQ(form2.lblCount, "4/4");
    EXPECT_FALSE(form2.Enabled["cmdPlus"]);
    EXPECT_EQ(form2.imgPreview, lec + "photo.jpg");
    fs::remove(lec + "photo.jpg");
    form2.TavSlidePreview();
    EXPECT_EQ(form2.lblPreview, "No Image");
    EXPECT_TRUE(form2.imgPreview.empty());

    form2.SetLectureDir(dir.dir() + "empty/");
    EXPECT_EQ(form2.lblCount, "No Slides");
    EXPECT_EQ(form2.lblPreview, "No Slides");
}

TEST_F(MainWindowTest, SlideChecksAndTheOldLayoutWarning)
{
    form2.LectureDir = "";
    form2.SlideChecks(true);
    EXPECT_EQ(sink.messages.back(), "Please Specify A Directory");
    EXPECT_FALSE(form2.Enabled["cmdExport"]);
    form2.LectureDir = dir.dir() + "missing/";
    form2.SlideChecks(true);
    EXPECT_EQ(sink.messages.back(), "Error Directory does not exist - " + dir.dir() + "missing/");
    form2.LectureDir = lec;
    form2.PPTSlideCount = 3;
    form2.SlideChecks(true);
    EXPECT_TRUE(form2.Enabled["cmdExport"]);
    EXPECT_TRUE(sink.saw("may want to re-convert PowerPoint to GIF"));
    form2.SlideChecks(true, true);
    EXPECT_EQ(sink.messages.back(),
              "Mis-Match between number of PowerPoint Slides and Images - may want to re-export");

    const std::string old = dir.dir() + "course/htm_sld/";
    fs::create_directories(old);
    writeFile(dir.dir() + "course/media/talk1.rm", "");
    sink.messages.clear();
    form2.SetLectureDir(old);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(tav::startsWith(sink.messages[0], old + " appears to be from a previous version of Pellucor."));
    EXPECT_TRUE(tav::contains(sink.messages[0], dir.dir() + "course/media/. Please exit"));
    form2.DirOrPPTChanged();  // once per directory
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_F(MainWindowTest, PublishControlsFollowTheNewLectureAndPrefillTheDetailedForm)
{
    copySample();
    form2.SetLectureDir(lec);
    EXPECT_TRUE(form2.Enabled["cmdPub"]);
    EXPECT_TRUE(form2.Enabled["mnuAdjustTimes"]);
    EXPECT_TRUE(form2.Enabled["cmdUploadRep"]);
    EXPECT_FALSE(form2.Enabled["cmdTestDisk"]);
    EXPECT_FALSE(form2.Enabled["cmdPubWeb"]);
    EXPECT_EQ(form1.TextCDDir, lec + "synccd/");
    EXPECT_EQ(form1.TextWebDir, lec + "syncweb/");
    EXPECT_EQ(form1.TextStyle, PELLUCOR_STYLE_DIR);
    EXPECT_EQ(app.prefs().Get("prfLectureDir"), lec);
    // Moving to a directory without a lecture disables publishing at once.
    const std::string empty = dir.dir() + "empty/";
    fs::create_directories(empty);
    form2.SetLectureDir(empty);
    EXPECT_FALSE(form2.Enabled["cmdPub"]);
    EXPECT_TRUE(form2.Enabled["cmdSelectPPT"]);
    form2.SetLectureDir(lec);
    EXPECT_TRUE(form2.Enabled["cmdPub"]);
}

TEST_F(MainWindowTest, PresentationExportUsesTheChosenSize)
{
    FakeImporter importer;
    app.hooks.slideImporter = &importer;
    app.hooks.choosePresentation = [](std::string& p) {
        p = "/decks/talk.pptx";
        return true;
    };
    form2.lstSize = {"320x240", "400x300", "640x480", "800x600", "1024x768"};
    form2.SetLectureDir(lec);
    form2.cmdSelectPPT_Click();
    EXPECT_EQ(form2.lblPPTFile, "/decks/talk.pptx");
    EXPECT_EQ(form2.lblPPTCount, "3 Slide(s)");
    EXPECT_TRUE(form2.Enabled["cmdExport"]);
    EXPECT_TRUE(sink.saw("Mis-Match between number of PowerPoint Slides and Images"));
    form2.lstSizeIndex = 4;
    form2.cmdExport_Click();
    EXPECT_EQ(importer.width, 1024);
    EXPECT_EQ(importer.height, 768);
    EXPECT_EQ(form2.ImageCount, 3);
    EXPECT_EQ(form2.lblTitle, "Title 1");
    form2.lstSizeIndex = -1;
    form2.cmdExport_Click();
    EXPECT_EQ(importer.width, 640);
    EXPECT_EQ(importer.height, 480);
}

TEST_F(MainWindowTest, ChoosingAMissingLectureDirectoryChangesNothing)
{
    form2.SetLectureDir(lec);
    app.hooks.chooseDirectory = [&](const std::string&, std::string& d, bool) {
        d = dir.dir() + "nowhere/";
        return true;
    };
    form2.cmdOpenLecture_Click();
    EXPECT_EQ(sink.messages.back(), "Directory - " + dir.dir() + "nowhere/ does not exist");
    EXPECT_EQ(form2.lblDirectory, lec);
}

TEST_F(MainWindowTest, GuidedPublishToDiskEnablesTestWhenTheScriptIsDone)
{
    int argc = 0;
    QCoreApplication qapp(argc, nullptr);
    copySample();
    form2.SetLectureDir(lec);
    form1.Timer1.setInterval(50);
    form2.timDisk.setInterval(20);
    std::vector<std::string> titles;
    app.hooks.chooseDirectory = [&](const std::string& title, std::string& d, bool) {
        titles.push_back(title);
        d = dir.dir() + "disk/";
        return true;
    };
    form2.cmdPub_Click();
    EXPECT_EQ(titles, std::vector<std::string>{"Select Disk Publish Directory"});
    EXPECT_EQ(form1.TextCDDir, dir.dir() + "disk/");
    ASSERT_TRUE(form2.timDisk.isActive()) << form2.lblStatus;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!form2.timDisk.isActive() && !form1.Timer1.isActive())
            loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(form2.lblStatus, "Process:All Done");  // mirrored from the detailed form
    EXPECT_TRUE(form2.Enabled["cmdTestDisk"]);
    EXPECT_TRUE(form2.Enabled["mnuTestDisk"]);
    EXPECT_TRUE(fs::exists(dir.dir() + "disk/index.htm"));
}

TEST_F(MainWindowTest, WebWatcherEnablesUploadAndStopsWhenTheRunEndsWithoutAllDone)
{
    form2.timWeb.start();
    form2.ShowStatus("net:Video Merge (3 seconds)", 65535);
    form1.Timer1.start();
    form2.timWeb_Timer();
    EXPECT_TRUE(form2.timWeb.isActive());
    form2.ShowStatus("Process:All Done", 16777215);
    form2.timWeb_Timer();
    EXPECT_FALSE(form2.timWeb.isActive());
    EXPECT_TRUE(form2.Enabled["cmdUploadWeb"]);
    form1.Timer1.stop();
    form2.timDisk.start();
    form2.ShowStatus("process.bat stopped before it finished, at: Merge", 255);
    form2.timDisk_Timer();
    EXPECT_FALSE(form2.timDisk.isActive());
    EXPECT_FALSE(form2.Enabled["cmdTestDisk"]);
}

TEST_F(MainWindowTest, PublishForWebStopsOnAnEmptyUrl)
{
    copySample();
    form2.SetLectureDir(lec);
    app.hooks.inputBox = [](const std::string& prompt, const std::string& title, std::string& answer) {
        EXPECT_EQ(prompt, "Enter the URL where this lecture will be stored");
        EXPECT_EQ(title, "Publish to the Web");
        answer = "  ";
        return true;
    };
    form2.cmdPubWeb_Click();
    EXPECT_TRUE(sink.saw("Select a directory to store the data on your local disk for later upload"));
    EXPECT_FALSE(form2.timWeb.isActive());
    EXPECT_FALSE(fs::exists(lec + "syncweb/process.bat"));
}

}  // namespace

}  // namespace pellucor
