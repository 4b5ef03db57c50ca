// The detailed form: the checks before a publish, the publish it mirrors to
// its end or cancels, its fields, settings files, packages, the clipboard
// import, the recording preparation, the uploads, a failure shown once and
// the page opened for a test.
#include <gtest/gtest.h>

#include <QProcess>
#include <QUrl>

#include <csignal>

#include "AppFixture.h"
#include "QtCoreTestApp.h"
#include "media/FfmpegMediaFile.h"
#include "publish/OutputChecks.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

PELLUCOR_QT_CORE_TEST_APP();

class DetailedForm : public AppFixture {
protected:
    PublishForm& form = publishForm;
    std::string out = dir.dir() + "out/";

    void SetUp() override
    {
        AppFixture::SetUp();
        form.load();
        form.TextMedia = form.TextPP = lec;
        form.TextName = "talk";
        form.TextStyle = PELLUCOR_STYLE_DIR;
        form.TextCDDir = out;
        form.optCD = 1;
        form.optWeb = 0;
    }
    void waitForEnd()
    {
        runUntil([&] { return !form.Publishing() && !form.logPoller.isActive(); });
    }
};

TEST_F(DetailedForm, DoStartChecksTheMediaDirectoryInOrder)
{
    const std::string same = "Input and Output Directories are the same " + lec;
    // Each row: the files in the media directory, the output directory, the refusal.
    for (const auto& [files, output, refusal] : std::vector<std::tuple<Strings, std::string, std::string>> {
             {{}, out, "Media directory is empty " + lec},
             {{"talk1.rm"}, out, "Media directory has no event data (*.txt) " + lec},
             {{"talk1.txt"},
              out,
              "Media directory has no media (*.rm or *.ra) " + lec
                  + " nor recordings (*.mp4 *.m4v *.mov *.mkv *.webm *.m4a *.mp3 *.ogg *.opus *.wav *.flac)"},
             {{"talk1.txt", "talk1.M4A"}, lec, same},  // a recording of today is media too
             {{"talk1.txt", "talk1.ra"}, "  " + lec.substr(0, lec.size() - 1) + "  ", same},
             {{"talk1.txt", "talk1.ra"}, "C:\\out", "Bad drive letter C:\\out"}}) {
        fs::remove_all(lec);
        for (const auto& f : files)
            writeFile(lec + f, f == "talk1.txt" ? "u 0 1 URL\\sld001.htm\r\n" : "");
        fs::create_directories(lec);
        form.TextCDDir = output;
        EXPECT_FALSE(form.DoStart(msg));
        EXPECT_EQ(msg, refusal);
        EXPECT_TRUE(!files.empty() || sink.messages.empty());  // its caller shows it, once
    }
}

TEST_F(DetailedForm, MirrorsThePublishItStartsToItsEnd)
{
    // A lecture the publish cannot load is refused before anything starts
    // (its caller shows the refusal, once).
    writeFile(lec + "talk1.txt", "u 0 1 URL\\sld001.htm\r\n");
    writeFile(lec + "talk1.rm", "not media");
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg.rfind("Slide Load Error:Unable to read media file " + lec + "talk1.rm", 0), 0u) << msg;
    EXPECT_FALSE(form.Publishing());
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(form.statusLine, msg);
    EXPECT_EQ(form.statusColour, kColourRed);
    EXPECT_FALSE(fs::exists(out));

    // A publish left for the user to run (a whole one is run from the
    // windows and by the automation client).
    copySample();
    form.Session().logIntervalMs = 50;
    form.chkAutoStart = 0;
    ASSERT_TRUE(form.DoStart(msg)) << msg;
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg, "A publish is already running");
    waitForEnd();
    EXPECT_TRUE(form.LastRunSucceeded());
    EXPECT_FALSE(form.logPoller.isActive());
    EXPECT_EQ(form.progressPercent, 100);
    // Quoted for the shell: it runs as printed.
    EXPECT_EQ(form.statusLine.rfind("Complete (You must manually run: '" + dir.dir() + ".pellucor-stage+", 0), 0u)
        << form.statusLine;
    EXPECT_EQ(form.Published, 1);
}

TEST_F(DetailedForm, CancelStopsTheScriptAndKeepsThePreviousPublication)
{
    copySample();
    // A script that takes its time keeps the publish running.
    qint64 sleeper = -1;
    form.Session().startScript = [&](const std::string&, const std::string&) -> qint64 {
        QProcess::startDetached("sleep", {"30"}, QString(), &sleeper);
        return sleeper;
    };
    bool started = false;
    QObject::connect(&form.Session(), &PublishSession::targetPublished, [&] { started = true; });
    ASSERT_TRUE(form.DoStart(msg)) << msg;
    runUntil([&] { return started; });
    form.cancel();
    waitForEnd();
    EXPECT_TRUE(form.LastRunCancelled());
    EXPECT_TRUE(holds(form.statusLine, "cancelled"));
    EXPECT_FALSE(fs::exists(out));
    // The script was stopped with the publish.
    ASSERT_GT(sleeper, 0);
    runUntil([&] { return ::kill(static_cast<pid_t>(sleeper), 0) != 0; });
    EXPECT_NE(::kill(static_cast<pid_t>(sleeper), 0), 0);
}

// The other paths a lecture directory fills: Automation.SetTextPP...
TEST_F(DetailedForm, FieldsFollowTheLectureDirectoryTheTargetsAndBrowse)
{
    EXPECT_EQ(form.FieldColour("TextMedia"), kColourWhite);
    form.SetControl("TextStyle", dir.dir() + "nostyle/");
    EXPECT_EQ(form.FieldColour("TextStyle"), kColourYellow);
    std::string title;
    chooseDirectory("/chosen/", &title);
    form.browse("TextWebDir");
    EXPECT_EQ(title, "Select Web Publish Directory");
    EXPECT_EQ(form.TextWebDir, "/chosen/");

    form.SetLectureDir("/lec/talk/");
    EXPECT_EQ(form.TextWebURL, "http://lectures.example.org/pellucor/lectures/talk/");
    form.optCD = form.optWeb = 0;
    form.diskChosen();  // clearing both targets selects the other
    EXPECT_EQ(form.optWeb, 1);
    EXPECT_FALSE(form.Enabled["cmdPubDisk"]);
    EXPECT_TRUE(form.Enabled["cmdFtp"]);
}

size_t shownWith(const Strings& messages, const std::string& fragment)
{
    return std::count_if(messages.begin(), messages.end(), [&](const std::string& m) { return holds(m, fragment); });
}

TEST_F(DetailedForm, SettingsFilesTrimBlanksReportBadLinesApplyAutoLastAndTheRecentOnesAreKept)
{
    writeFile(dir.file("a.som"),
              "chkAuto=1\r\n  TextCP   =   my course  \r\nTextWebURL=http://h/a=b/\r\n=nothing\r\n"
              "no equals here\r\nUnknown=3\r\noptWeb = 1\r\n\r\n");
    form.chkAuto = 0;
    ASSERT_TRUE(form.LoadSettingsFile(dir.file("a.som")));
    EXPECT_EQ(form.TextCP + " " + form.TextWebURL, "my course http://h/a=b/");
    EXPECT_EQ(form.optWeb, 1);
    EXPECT_EQ(form.chkAuto, 1);
    EXPECT_EQ(sink.messages,
              (Strings {"Bad " + dir.file("a.som") + " line - =nothing",
                        "Bad " + dir.file("a.som") + " line - no equals here"}));

    const auto som = [&](const char* name) { return dir.file(name); };
    for (const char* f : {"b.som", "c.som", "d.som", "e.som", "f.som"}) {
        writeFile(som(f), "TextCP=x\r\n");
        ASSERT_TRUE(form.LoadSettingsFile(som(f)));
    }
    EXPECT_EQ(form.mnuFile, (Strings {som("f.som"), som("e.som"), som("d.som"), som("c.som"), som("b.som")}));
    EXPECT_TRUE(form.openRecent(3));
    EXPECT_EQ(form.mnuFile, (Strings {som("d.som"), som("f.som"), som("e.som"), som("c.som"), som("b.som")}));
    EXPECT_FALSE(form.openRecent(6));
    Preferences again(QString::fromStdString(dir.file("prefs.ini")));  // the list survives the run
    PublishSession otherSession;
    PublishForm other(&again, &otherSession);
    other.load();
    EXPECT_EQ(other.mnuFile, form.mnuFile);
    EXPECT_FALSE(form.LoadSettingsFile(dir.file("missing.som")));
    EXPECT_EQ(sink.messages.back(), "Unable to open " + dir.file("missing.som"));
}

TEST_F(DetailedForm, PackageZipsTheDiskCopyOffTheGuiThreadAndNamesAFailure)
{
    const auto package = [&](PackageKind kind) {
        const std::string out = form.DefaultPackagePath(kind);
        QEventLoop loop;
        bool ok = false;
        QObject::connect(&publishForm, &PublishForm::packageFinished, &loop, [&](bool done) {
            ok = done;
            loop.quit();
        });
        EXPECT_TRUE(form.makePackage(kind, out));
        EXPECT_TRUE(form.Publishing());
        loop.exec();
        EXPECT_FALSE(form.Publishing());
        return std::make_pair(ok, out);
    };
    form.TextCDDir = dir.dir() + "synccd/";
    for (const char* f : {"index.htm", "part1.htm"})
        writeFile(dir.file("synccd/") + f, f);
    std::string err;
    ASSERT_TRUE(WriteManifest(dir.file("synccd"), err));
    for (const auto& [kind, name] : {std::pair {PackageKind::Scorm12, "synccd-scorm12.zip"},
                                     {PackageKind::Scorm2004, "synccd-scorm2004.zip"},
                                     {PackageKind::CommonCartridge, "synccd.imscc"}}) {
        const auto [ok, out] = package(kind);
        EXPECT_TRUE(ok) << form.statusLine;
        EXPECT_EQ(out, dir.file(name));
        EXPECT_TRUE(fs::is_regular_file(out));
        EXPECT_EQ(form.statusLine, "Package written - " + out);
    }
    form.TextCDDir = dir.dir() + "none/";
    const auto [ok, out] = package(PackageKind::Scorm12);
    EXPECT_FALSE(ok);
    EXPECT_EQ(form.statusLine.rfind("Package failed - " + dir.dir() + "none/ is not a published lecture", 0), 0u)
        << form.statusLine;
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(DetailedForm, ClipBoardImportFindsTheRecordingKeepsAnExistingResultOnNoAndConvertsIt)
{
    const auto real = form.convertMedia;
    EXPECT_FALSE(form.importClipboard());
    EXPECT_EQ(sink.messages.back(), "Could not find ClipBoard media file " + lec + "rawmedia.avi (or rawmedia.mov)");
    EXPECT_EQ(form.statusLine, "ClipBoard Import Failed");

    writeFile(lec + "rawmedia.avi", "avi");
    writeFile(lec + "rawmedia.rm", "old result");
    std::string convertedFrom;
    form.convertMedia = [&](const std::string& in, const std::string&, std::string&) {
        convertedFrom = in;
        return true;
    };
    sink.answers.push_back(TavNo);
    EXPECT_TRUE(form.importClipboard());
    EXPECT_EQ(sink.questions.back(), lec + "rawmedia.rm already exists would you like to re-encode?");
    EXPECT_EQ(readFile(lec + "rawmedia.rm"), "old result");
    EXPECT_TRUE(convertedFrom.empty());

    // A failed conversion does not leave the old file behind as a result.
    form.convertMedia = [&](const std::string&, const std::string&, std::string& err) {
        err = "broken input";
        return false;
    };
    sink.answers.push_back(TavYes);
    EXPECT_FALSE(form.importClipboard());
    EXPECT_EQ(sink.messages.back(), lec + "rawmedia.rm Encode Failed...");
    EXPECT_FALSE(fs::exists(lec + "rawmedia.rm"));

    // The real conversion of a QuickTime recording.
    fs::remove(lec + "rawmedia.avi");
    fs::copy_file(sampleDir() + "talk1.mp4", lec + "rawmedia.mov");
    form.convertMedia = real;
    ASSERT_TRUE(form.importClipboard()) << form.statusLine;
    std::string err;
    auto media = FfmpegMediaFile::Open(lec + "rawmedia.rm", err);
    ASSERT_TRUE(media) << err;
    EXPECT_TRUE(media->HasVideo());
    EXPECT_EQ(media->VideoWidth(), 160);
}

TEST_F(DetailedForm, RecordLecturePreparationRemovesOnlyTheRecordingFiles)
{
    for (const char* f : {"talk1.rm", "talk1.txt", "talk2.txt", "images.txt", "pellucor.txt", "rawmedia.txt",
                          "titles.txt", "talk12.txt", "img001.gif"})
        writeFile(lec + f, "x");
    sink.answers.push_back(TavCancel);
    EXPECT_FALSE(form.recordLecture());
    EXPECT_EQ(sink.questions.back(), "Preparing to record lecture, Ok to remove *.rm, images.txt files from " + lec);
    EXPECT_TRUE(fs::exists(lec + "talk1.rm"));

    std::string setupDir;
    app.hooks.recordingSetup = [&](const std::string& d) {
        setupDir = d;
        return false;
    };
    EXPECT_FALSE(form.recordLecture());
    EXPECT_EQ(setupDir, lec);
    EXPECT_EQ(sink.messages.back(), "Encoder Setup Incomplete");
    EXPECT_EQ(treeContents(lec).size(), 3u);
    for (const char* kept : {"img001.gif", "talk12.txt", "titles.txt"})
        EXPECT_TRUE(fs::exists(lec + kept)) << kept;

    // Wildcard characters in the lecture name are plain text.
    form.TextName = "t*";
    writeFile(lec + "t1.txt", "x");
    app.hooks.recordingSetup = [](const std::string&) { return true; };
    EXPECT_TRUE(form.recordLecture());
    EXPECT_TRUE(fs::exists(lec + "titles.txt"));
    EXPECT_TRUE(fs::exists(lec + "t1.txt"));

    form.TextMedia = dir.dir() + "missing/";
    EXPECT_FALSE(form.recordLecture());
    EXPECT_EQ(sink.messages.back(), "Error in Directory " + dir.dir() + "missing/");
}

// The repository upload (of the lecture itself) and the web upload (of its
// published copy) each use and store their own preferences, never the web
// address's host.
TEST_F(DetailedForm, UploadsUseAndStoreTheirOwnPreferences)
{
    Preferences& prefs = app.prefs();
    prefs.Set("prfWebHost", "web.example.org");
    prefs.Set("prfRepHost", "repository.example.org");
    prefs.Set("prfRepAccount", "repacct");
    prefs.DoSave();
    std::vector<FtpRequest> seen;
    app.hooks.ftpUpload = [&](FtpRequest& request) {
        seen.push_back(request);
        request.host = seen.size() == 1 ? "other-" + request.host : "";  // the user edits the window's fields
        request.account = "  other-" + request.account + " ";
    };
    mainWindow.SetLectureDir(lec);
    mainWindow.uploadUnpublished();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].localPath, lec);
    EXPECT_EQ(seen[0].host + " " + seen[0].account, "repository.example.org repacct");
    EXPECT_EQ(stored("prfRepHost") + " " + stored("prfRepAccount"), "other-repository.example.org other-repacct");
    EXPECT_EQ(stored("prfWebHost") + " " + stored("prfWebAccount"), "web.example.org myacct");

    form.TextWebDir = dir.dir() + "web/";
    form.TextWebURL = "HTTP://www.example.com/lectures/talk/";
    sink.answers.push_back(TavCancel);
    mainWindow.uploadWeb();  // not published since the last change: the user cancels
    EXPECT_EQ(seen.size(), 1u);
    form.Published = 1;
    mainWindow.uploadWeb();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].localPath, dir.dir() + "web/");
    EXPECT_EQ(seen[1].host + " " + seen[1].account, "web.example.org myacct");
    EXPECT_EQ(stored("prfWebHost") + " " + stored("prfWebAccount"), "web.example.org other-myacct");
}

TEST_F(DetailedForm, APublishFailureIsShownOnce)
{
    copySample();
    form.SetLectureDir(lec);
    form.TextStyle = dir.dir() + "no-style/";
    form.TextCDDir = out;
    EXPECT_FALSE(form.publishDisk());
    EXPECT_EQ(shownWith(sink.messages, "Style directory not found: " + dir.dir() + "no-style/"), 1u);
    EXPECT_EQ(form.statusLine, "Publish aborted.");

    // A failure of the lecture itself, through the main window.
    sink.messages.clear();
    writeFile(lec + "talk2.txt", "# no slides here\r\n");
    app.prefs().Set("prfStyle", PELLUCOR_STYLE_DIR);
    app.prefs().Set("prfOutRoot", dir.dir() + "disk/");
    mainWindow.SetLectureDir(lec);
    chooseDirectory(dir.dir() + "disk/");
    mainWindow.publishDisk();
    EXPECT_EQ(shownWith(sink.messages, lec + "talk2.txt holds no slide lines"), 1u)
        << ::testing::PrintToString(sink.messages);
}

TEST_F(DetailedForm, TestDiskOpensThePublishedPageWhateverItsPathHolds)
{
    const std::string out = dir.dir() + "out #1? 100% done/";
    writeFile(out + "index.htm", "<html></html>");
    // The desktop's opener, replaced by one that notes what it was given.
    const std::string noted = dir.dir() + "opened.txt";
    writeFile(dir.dir() + "bin/xdg-open",
              "#!/bin/sh\nprintf '%s' \"$1\" > '" + noted + ".new'\nmv '" + noted + ".new' '" + noted + "'\n");
    fs::permissions(dir.dir() + "bin/xdg-open", fs::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(dir.dir() + "bin:") + path);
    form.TextCDDir = out;
    form.Published = 1;
    form.testDisk();
    runUntil([&] { return fs::exists(noted); });
    qputenv("PATH", path);
    const std::string url = readFile(noted);
    EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
    const QUrl parsed(QString::fromStdString(url));
    EXPECT_TRUE(parsed.fragment().isEmpty() && parsed.query().isEmpty()) << url;
    EXPECT_EQ(parsed.toLocalFile().toStdString(), out + "index.htm") << url;
}

}  // namespace
