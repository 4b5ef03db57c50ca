// The main window's model: its start, its lecture directory, the slide scan
// and preview, the slide import (with the real LibreOffice: Cancel ends it at
// once) and the publish buttons it drives.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

#include "AppFixture.h"
#include "FakePresentationApp.h"
#include "ProcessTable.h"
#include "TickWatch.h"
#include "app/MainWindowSlideImport.h"
#include "import/SlideExporter.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

using MainWindowTest = AppFixture;

TEST(MainWindowStartup, FirstWindowFollowsPrfMoreAndTheAutomationClient)
{
    RecordingMessageSink sink;
    using W = MainWindow::StartWindow;
    const char* const user = "Pellucor 2000 - Power User Version :)";
    for (const auto& [more, automated, first, caption] :
         {std::tuple {" YeS ", false, W::Detail, user},
          {"server", false, W::Server, user},
          {"", false, W::Main, user},
          {"no", false, W::Main, user},
          {"server", true, W::Detail, "Pellucor-Pellucor (automated)"}}) {
        TempDir d;
        writeFile(d.file("prefs.ini"), std::string("[Pref]\nprfMore=\"") + more + "\"\n");  // blanks kept
        AppContext app(QString::fromStdString(d.file("prefs.ini")), FfmpegOpeners());
        EXPECT_EQ(app.Start(automated), first) << more;
        EXPECT_EQ(app.publishForm().Caption, caption) << more;
    }
}

TEST_F(MainWindowTest, StartupOpensTheLastLectureWhoseDirectoryKeepsItsCaseAndNamesTheLecture)
{
    app.prefs().Set("prfLectureDir", lec);
    app.prefs().DoSave();
    app.Start();
    EXPECT_EQ(mainWindow.lstSize[static_cast<size_t>(mainWindow.lstSizeIndex)], "640x480");
    EXPECT_EQ(mainWindow.lblDirectory, lec);
    EXPECT_EQ(publishForm.TextPP + " " + publishForm.TextName, lec + " talk");
    EXPECT_EQ(publishForm.chkAuto, 0);

    mainWindow.SetLectureDir("  /Lectures/Week01/ ");
    EXPECT_EQ(mainWindow.LecName + " " + mainWindow.LecParent + " " + publishForm.TextName, "Week01 /Lectures/ Week01");
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
    mainWindow.toggleLiberalNames();
    EXPECT_TRUE(sink.saw("Now, any file with a *.jpg or *.gif extension will be treated as a slide"));
    EXPECT_EQ(mainWindow.ImageNames, (Strings {"extra.gif", "img001.gif", "img002.gif", "photo.jpg"}));
    EXPECT_EQ(mainWindow.TavImageCount(), 4);
    EXPECT_EQ(mainWindow.TavImageName(0) + mainWindow.TavImageName(5) + mainWindow.TavImageName(4), "photo.jpg");

    mainWindow.PreviewIndex = 1;
    mainWindow.TavSlidePreview();
    EXPECT_EQ(mainWindow.lblCount, "1/4");
    EXPECT_FALSE(mainWindow.Enabled["cmdMinus"]);
    EXPECT_TRUE(mainWindow.Enabled["cmdPlus"]);
    for (int i = 0; i < 6; ++i)
        mainWindow.increase();
    EXPECT_EQ(mainWindow.lblCount, "4/4");
    EXPECT_FALSE(mainWindow.Enabled["cmdPlus"]);
    EXPECT_EQ(mainWindow.imgPreview, lec + "photo.jpg");
    fs::remove(lec + "photo.jpg");
    mainWindow.TavSlidePreview();
    EXPECT_EQ(mainWindow.lblPreview, "No Image");
    EXPECT_TRUE(mainWindow.imgPreview.empty());

    mainWindow.SetLectureDir(dir.dir() + "empty/");
    EXPECT_EQ(mainWindow.lblCount + " " + mainWindow.lblPreview, "No Slides No Slides");
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
    for (const auto& [control, enabled] : {std::pair {"cmdPub", true},
                                           {"mnuAdjustTimes", true},
                                           {"cmdUploadRep", true},
                                           {"cmdTestDisk", false},
                                           {"cmdPubWeb", false}})
        EXPECT_EQ(mainWindow.Enabled[control], enabled) << control;
    // A step that waits for the one before it says so.
    EXPECT_EQ(mainWindow.WhyDisabled("mnuPubWeb"), "Test the lecture on disk first (Test): Publish for Web comes after it");
    EXPECT_EQ(mainWindow.WhyDisabled("cmdPub"), "");
    // Opened again after a publish to disk: Test is there at once.
    writeFile(lec + "synccd/index.htm", "<html></html>");
    mainWindow.SetLectureDir(lec);
    EXPECT_TRUE(mainWindow.Enabled["cmdTestDisk"]);
    EXPECT_FALSE(mainWindow.Enabled["cmdPubWeb"]);
    fs::remove_all(lec + "synccd/");
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
    // A recording without slide times: the hint names what finds them.
    writeFile(empty + "talk1.rm", "");
    mainWindow.SetLectureDir(empty);
    EXPECT_TRUE(holds(mainWindow.lblPublishReason, "Execute > Sync Slides from Recording finds them"))
        << mainWindow.lblPublishReason;
    mainWindow.SetLectureDir(lec);
    EXPECT_EQ(mainWindow.lblPublishReason, "");
}

TEST_F(MainWindowTest, SelectThenConvertFillsTheLectureAtTheChosenSizeAndReportsOnTheMainWindow)
{
    FakeAppLog log;
    log.decks.push_back({"/decks/talk.pptx", FakeDeck {{"Welcome", "Why \"timing\" matters", std::nullopt}}});
    SlideExporter ppt {[&log] { return std::make_unique<FakePresentationApp>(&log); }};
    MainWindowSlideImport importer {mainWindow, &ppt};
    app.hooks.slideImporter = &importer;
    app.hooks.choosePresentation = [](std::string& p) { return !(p = "/decks/talk.pptx").empty(); };
    std::vector<std::pair<QString, uint>> statuses;
    QObject::connect(&mainWindow, &MainWindow::statusChanged,
                     [&](const QString& text, uint colour) { statuses.emplace_back(text, colour); });
    mainWindow.lstSize = {"320x240", "400x300", "640x480", "800x600", "1024x768"};
    mainWindow.SetLectureDir(lec);
    mainWindow.selectPresentation();
    EXPECT_EQ(mainWindow.lblPPTFile, "/decks/talk.pptx");
    EXPECT_EQ(mainWindow.lblPPTCount, "3 Slide(s)");
    mainWindow.lstSizeIndex = 0;
    mainWindow.exportSlides();
    EXPECT_EQ(readLines(lec + "titles.txt").at(3), "\"img002.gif\" \"Why &qt;timing&qt; matters\"");
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front().first, QString::fromStdString("Deleting graphics files from " + lec));
    EXPECT_EQ(statuses.back(), std::make_pair(QString("Slide processing complete - 3 slides"), uint(kColourGreen)));
    // One open for Select, none again for Convert (same path), then closed.
    EXPECT_FALSE(ppt.IsOpen());
    EXPECT_EQ(log.calls.front(), "start");
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "open /decks/talk.pptx"), 1);
    EXPECT_EQ(log.calls.back(), "quit");
    for (const auto& [index, size] : {std::pair {0, "320x240"}, {4, "1024x768"}, {6, "1280x720"}, {-1, "640x480"}}) {
        mainWindow.lstSizeIndex = index;  // 6: widescreen; -1: none chosen
        mainWindow.exportSlides();
        EXPECT_EQ(readFile(lec + "img003.gif"), std::string("slide 3 ") + size) << index;
    }
}

TEST_F(MainWindowTest, OpeningAnotherLectureClearsTheStatusLineUnlessAPublishRunsOrItIsMissing)
{
    app.Start();
    mainWindow.SetLectureDir(lec);
    chooseDirectory(dir.dir() + "nowhere/");  // a directory that does not exist changes nothing
    mainWindow.openLecture();
    EXPECT_EQ(sink.messages.back(), "Directory - " + dir.dir() + "nowhere/ does not exist");
    EXPECT_EQ(mainWindow.lblDirectory, lec);
    // A new lecture in a folder typed in the chooser: made on one OK.
    sink.answers = {TavCancel};
    mainWindow.newLecture();
    EXPECT_EQ(sink.questions.back(), "Directory - " + dir.dir() + "nowhere/ does not exist. Make it for the new lecture?");
    EXPECT_FALSE(fs::exists(dir.dir() + "nowhere/"));
    sink.answers = {TavOK};
    mainWindow.newLecture();
    EXPECT_TRUE(fs::is_directory(dir.dir() + "nowhere/"));
    EXPECT_EQ(mainWindow.lblDirectory, dir.dir() + "nowhere/");
    mainWindow.SetLectureDir(lec);
    chooseDirectory(lec);
    publishForm.SetStatus("Process:All Done", kColourWhite);
    mainWindow.openLecture();                    // the same lecture again
    EXPECT_EQ(mainWindow.lblStatus, "Process:All Done");  // another one clears it: widgets/AppWindowsTest.cpp

    // A publish still running goes on reporting in the status line.
    publishForm.SetStatus("process:Video Merge (2 seconds)");
    publishForm.logPoller.start();
    mainWindow.newLecture();
    publishForm.logPoller.stop();
    EXPECT_EQ(mainWindow.lblDirectory, lec);
    EXPECT_EQ(mainWindow.lblStatus, "process:Video Merge (2 seconds)");
}

TEST_F(MainWindowTest, PublishForWebStopsOnAnEmptyUrlAndItsWatcherEnablesUploadOrStopsOnAFailedRun)
{
    copySample();
    mainWindow.SetLectureDir(lec);
    app.hooks.inputBox = [](const std::string& prompt, const std::string& title, std::string& answer) {
        EXPECT_EQ(prompt, "Enter the URL where this lecture will be stored");
        EXPECT_EQ(title, "Publish to the Web");
        answer = "  ";
        return true;
    };
    mainWindow.publishWeb();
    EXPECT_TRUE(sink.saw("Select a directory to store the data on your local disk for later upload"));
    EXPECT_FALSE(mainWindow.timWeb.isActive());
    EXPECT_FALSE(fs::exists(lec + "syncweb/process.bat"));

    mainWindow.timWeb.start();
    mainWindow.ShowStatus("net:Video Merge (3 seconds)", 65535);
    publishForm.logPoller.start();
    mainWindow.webTick();
    EXPECT_TRUE(mainWindow.timWeb.isActive());
    mainWindow.ShowStatus("Process:All Done", 16777215);
    mainWindow.webTick();
    EXPECT_FALSE(mainWindow.timWeb.isActive());
    EXPECT_TRUE(mainWindow.Enabled["cmdUploadWeb"]);
    publishForm.logPoller.stop();
    mainWindow.timDisk.start();
    mainWindow.ShowStatus("process.bat stopped before it finished, at: Merge", 255);
    mainWindow.diskTick();
    EXPECT_FALSE(mainWindow.timDisk.isActive());
    EXPECT_FALSE(mainWindow.Enabled["cmdTestDisk"]);
}

// Processes whose parent is this test (LibreOffice's launcher would be one).
int childProcesses()
{
    const auto all = testing_support::processes();
    return static_cast<int>(std::count_if(all.begin(), all.end(), [](const auto& p) { return p.ppid == getpid(); }));
}

using SlideImportOffThread = AppFixture;

TEST_F(SlideImportOffThread, CancelEndsLibreOfficeAndTheWindowKeepsAnswering)
{
    SlideExporter ppt;
    MainWindowSlideImport importer {mainWindow, &ppt};
    app.hooks.slideImporter = &importer;
    app.hooks.choosePresentation = [](std::string& p) { return !(p = PELLUCOR_IMPORT_DECKS "deck.pptx").empty(); };
    mainWindow.SetLectureDir(lec);
    qint64 cancelledAt = -1, sofficeSince = -1;
    bool sawUnknownAmount = false;
    testing_support::TickWatch watch(50, [&](qint64 now) {
        // Busy, and as LibreOffice's conversion has no known length, no percent yet.
        sawUnknownAmount = sawUnknownAmount || (mainWindow.busy && mainWindow.progressPercent < 0);
        // Cancelled once LibreOffice has run for a moment, well inside its conversion.
        if (sofficeSince < 0 && childProcesses() > 0)
            sofficeSince = now;
        if (cancelledAt < 0 && sofficeSince >= 0 && now - sofficeSince >= 200 && importer.Busy()) {
            cancelledAt = now;
            mainWindow.cancel();
        }
    });
    mainWindow.selectPresentation();  // opens the presentation: LibreOffice runs
    const qint64 took = watch.Elapsed(), worstLate = watch.WorstLate();
    watch.Stop();
    ASSERT_GE(cancelledAt, 0) << "LibreOffice was done before the cancel";
    EXPECT_TRUE(sawUnknownAmount);
    EXPECT_FALSE(mainWindow.busy);
    EXPECT_EQ(mainWindow.PPTSlideCount, -1);
    // Bounds with room for two busy cores: a whole import takes about 6 s,
    // and the window's job tests allow it to answer 500 ms late.
    EXPECT_LT(took - cancelledAt, 3000) << "LibreOffice went on after the cancel";
    EXPECT_LE(worstLate, 500) << "the window stopped answering for " << worstLate << " ms";
    EXPECT_EQ(childProcesses(), 0) << "LibreOffice is still running";
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();  // a cancel is no error
    importer.Close();
}

}  // namespace
