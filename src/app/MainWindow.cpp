#include "app/MainWindow.h"

#include <QDir>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>

#include "app/FrontEndHooks.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "core/PathVars.h"
#include "core/RecordingKinds.h"
#include "core/TavUtils.h"
#include "import/SlideImportModel.h"
#include "publish/PublishRequest.h"
#include "publish/Publisher.h"

namespace pellucor {

const char* const MainWindow::kHomePage = "https://pellucor.example.org/";
const char* const MainWindow::kHelpPage = "https://pellucor.example.org/help/";

MainWindow::MainWindow(Preferences* prefs, PublishForm* publishForm, QObject* parent)
    : QObject(parent), prefs_(prefs), publishForm_(publishForm), hooks_(&FrontEndHooks::Headless())
{
    lblDirectory = Tav_DirSlash(QDir::homePath().toStdString());
    timDisk.setInterval(1000);
    timWeb.setInterval(1000);
    connect(&timDisk, &QTimer::timeout, this, &MainWindow::diskTick);
    connect(&timWeb, &QTimer::timeout, this, &MainWindow::webTick);
    // The progress of a publish, and the controls it locks, follow the
    // detailed form's publish.
    connect(publishForm_, &PublishForm::progressChanged, this, &MainWindow::ShowProgress);
    connect(publishForm_, &PublishForm::timeLeftChanged, this, [this](const QString& text) {
        timeLeft = text.toStdString();
        emit timeLeftChanged(text);
    });
    connect(publishForm_, &PublishForm::publishingChanged, this, &MainWindow::SetBusy);
}

MainWindow::~MainWindow() = default;

void MainWindow::SetHooks(FrontEndHooks* hooks) { hooks_ = hooks ? hooks : &FrontEndHooks::Headless(); }

void MainWindow::enable(std::initializer_list<const char*> names, bool on)
{
    for (const char* n : names)
        Enabled[n] = on;
}

MainWindow::StartWindow MainWindow::load(bool byAutomation)
{
    Tav_DebugLog("Current directory " + QDir::currentPath().toStdString());
    lstSize.clear();
    for (const QString& size : SlideImportModel::SizeList())
        lstSize.push_back(size.toStdString());
    lstSizeIndex = 2;
    prefs_->load();
    publishForm_->load();

    const std::string last = prefs_->Get("prfLectureDir");
    request().chkAuto = 0;
    request().TextName = "media";
    request().TextPP = last;
    SetLectureDir(last);
    DirOrPPTChanged();

    loaded_ = true;
    if (byAutomation)
        publishForm_->Caption = "Pellucor-Pellucor (automated)";
    const std::string more = Lower(Trim(prefs_->Get("prfMore")));
    if (more == "yes" || byAutomation)
        return StartWindow::Detail;
    if (more == "server")
        return StartWindow::Server;
    return StartWindow::Main;
}

void MainWindow::SetLectureDir(const std::string& dir)
{
    const bool another = loaded_ && Tav_DirSlash(Trim(dir)) != Tav_DirSlash(Trim(lblDirectory));
    lblDirectory = dir;
    const LectureNames names = SplitLectureDir(Trim(dir));
    LecName = names.name;
    LecParent = names.parent;
    // The lecture its files name (a directory holding the parts of lecture
    // "talk" publishes them as talk), else the directory's.
    request().TextName = LectureNameOf(Trim(dir));
    // The detailed form takes the new directory before the publish check
    // runs, so that the check reads this lecture and not the previous one.
    publishForm_->SetLectureDir(dir);
    // The status line told of the previous lecture (unless its publish is
    // still running and reports on).
    if (another && !publishForm_->logPoller.isActive())
        publishForm_->SetStatus("", kColourWhite);
    DirOrPPTChanged();
}

bool MainWindow::OKToPublish(bool showMsg, std::string& msg)
{
    if (session().OKToPublish(msg))
        return true;
    if (showMsg)
        PlainMessage(msg);
    return false;
}

PublishSession& MainWindow::session() { return publishForm_->Session(); }
PublishRequest& MainWindow::request() { return publishForm_->Session().request; }

void MainWindow::SetBusy(bool on)
{
    busy = on;
    emit fieldsChanged();
}

void MainWindow::ShowProgress(int percent)
{
    progressPercent = percent;
    emit progressChanged(percent);
}

void MainWindow::cancel()
{
    if (hooks_->CancelWindowJob())
        return;
    if (hooks_->slideImporter && hooks_->slideImporter->Busy())
        hooks_->slideImporter->Cancel();
    else
        publishForm_->cancel();
}

std::string MainWindow::TavPrefString(const std::string& text) const
{
    return ::pellucor::TavPrefString(text, lblDirectory);
}

std::string MainWindow::expanded(const char* key) const
{
    return ::pellucor::TavPrefString(prefs_->Get(key), lblDirectory, false);
}

std::string MainWindow::TavImageName(int index) const
{
    if (index < 1 || index > ImageCount)
        return "";
    return ImageNames[static_cast<size_t>(index - 1)];
}

void MainWindow::TavSlideScan()
{
    ImageNames.clear();
    const std::string dir = Tav_DirSlash(LectureDir);
    if (!dir.empty()) {
        // Names keep their letter case: file names are case-sensitive here.
        ImageNames = ListFiles(dir, "img???.gif");
        if (mnuLiberal)
            for (const char* pattern : {"*.gif", "*.jpg"})
                for (const std::string& name : ListFiles(dir, pattern))
                    if (std::find(ImageNames.begin(), ImageNames.end(), name) == ImageNames.end())
                        ImageNames.push_back(name);
    }
    std::sort(ImageNames.begin(), ImageNames.end());
    if (ImageNames.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max()))
        ImageNames.resize(std::numeric_limits<int16_t>::max());
    ImageCount = static_cast<int16_t>(ImageNames.size());
}

void MainWindow::TavSlidePreview()
{
    if (ImageCount < 1) {
        lblCount = lblPreview = "No Slides";
        imgPreview.clear();
        lblTitle.clear();
        enable({"cmdMinus", "cmdPlus"}, false);
        emit fieldsChanged();
        return;
    }
    PreviewIndex = std::clamp(PreviewIndex, 1, static_cast<int>(ImageCount));
    const std::string name = TavImageName(PreviewIndex);
    const std::string path = Tav_DirSlash(LectureDir) + name;
    if (Tav_ChkFile(path)) {
        imgPreview = path;
        lblPreview = name;
        lblTitle = hooks_->slideImporter ? hooks_->slideImporter->SlideTitle(PreviewIndex) : "";
    } else {
        imgPreview.clear();
        lblPreview = "No Image";
    }
    lblCount = std::to_string(PreviewIndex) + "/" + std::to_string(ImageCount);
    Enabled["cmdMinus"] = PreviewIndex != 1;
    Enabled["cmdPlus"] = PreviewIndex != ImageCount;
    emit fieldsChanged();
}

void MainWindow::increase()
{
    ++PreviewIndex;
    TavSlidePreview();
}

void MainWindow::decrease()
{
    --PreviewIndex;
    TavSlidePreview();
}

void MainWindow::DirOrPPTChanged()
{
    Tav_DebugLog("DirOrPPTChanged " + lblDirectory);
    LectureDir = Trim(lblDirectory);
    lblPPTFile = Trim(lblPPTFile);
    TavSlideScan();
    TavSlidePreview();
    if (Trim(prefs_->Get("prfLectureDir")) != LectureDir) {
        prefs_->Set("prfLectureDir", LectureDir);
        prefs_->DoSave();
    }
    enable({"cmdSelectPPT", "mnuSelectPPT"}, !LectureDir.empty() && Tav_ChkDir(LectureDir));
    SlideChecks(false);
    OldLayoutCheck();
    std::string msg;
    const bool ok = OKToPublish(false, msg);
    lblPublishReason = ok ? std::string() : PublishBlockedReason(msg);
    UpdatePublishControls(ok);
    emit fieldsChanged();
}

std::string MainWindow::PublishBlockedReason(const std::string& msg)
{
    if (LectureDir.empty() || !Tav_ChkDir(LectureDir))
        return "Open a lecture directory (File > Open Lecture) or make one with New";
    const std::string media = Tav_DirSlash(request().TextMedia);
    if (!Tav_ChkDir(media))
        return "The media directory does not exist: " + media;
    if (!HasFiles(media, "*.rm") && !HasFiles(media, "*.ra") && FirstRecordingIn(media).empty())
        return "No recording found in " + media + " (Record Lecture makes one)";
    if (!HasFiles(media, "*.txt"))
        return "No slide times (events file) found in " + media
            + " (Execute > Sync Slides from Recording finds them; Record Lecture writes them)";
    return msg;
}

bool MainWindow::ConfirmClose()
{
    if (!publishForm_->ConfirmClose())
        return false;
    if (hooks_->slideImporter && hooks_->slideImporter->Busy())
        hooks_->slideImporter->Cancel();
    return true;
}

void MainWindow::SlideChecks(bool showMsg, bool afterExport)
{
    auto say = [showMsg](const std::string& text) {
        if (showMsg)
            Tav_Message(text);
    };
    bool exportOn = false;
    if (LectureDir.empty()) {
        say("Please Specify A Directory");
    } else if (!Tav_ChkDir(LectureDir)) {
        say("Error Directory does not exist - " + LectureDir);
    } else {
        exportOn = PPTSlideCount >= 0;
        // A lecture without images yet has nothing to compare: its slides
        // are about to be converted.
        if (PPTSlideCount > 0 && ImageCount > 0 && PPTSlideCount != ImageCount)
            say(afterExport ? "Mis-Match between number of PowerPoint Slides and Images - may want to re-export"
                            : "Mis-Match between number of PowerPoint Slides and Images - may want to re-convert "
                              "PowerPoint to GIF");
    }
    enable({"cmdExport", "mnuExport", "lstSize"}, exportOn);
}

void MainWindow::OldLayoutCheck()
{
    if (LectureDir == LastCheckedDir)
        return;
    LastCheckedDir = LectureDir;
    const std::string dir = Tav_DirSlash(LectureDir);
    if (dir.empty() || HasFiles(dir, "*.rm") || !Contains(dir, "htm_sld"))
        return;
    const std::string media = ReplaceAll(dir, "htm_sld", "media");
    if (!HasFiles(media, "*.rm"))
        return;
    Tav_Message(LectureDir
                + " appears to be from a previous version of Pellucor.  The media files (*.rm and *.txt) "
                  "files appear to be in "
                + media + ". Please exit the program and move the *.rm and *.txt files into " + LectureDir
                + ".  Alternatively you might use \"More Detail\" to point to the old media directory "
                  "directly.");
}

void MainWindow::UpdatePublishControls(bool ok)
{
    enable({"mnuAdjustTimes", "cmdPub", "mnuPubDisk", "cmdUploadRep", "mnuUploadRep"}, ok);
    enable({"cmdTestDisk", "mnuTestDisk", "cmdTestWeb", "mnuTestWeb", "cmdPubWeb", "mnuPubWeb", "cmdUploadWeb",
            "mnuUploadWeb"},
           false);
    if (ok) {
        prefillDetailedForm();
        // A lecture published to disk before can be tested again at once.
        enable({"cmdTestDisk", "mnuTestDisk"}, Tav_ChkFile(Tav_DirSlash(expanded("prfOutRoot")) + "index.htm"));
    }
}

std::string MainWindow::WhyDisabled(const std::string& name) const
{
    const auto it = Enabled.find(name);
    if (it == Enabled.end() || it->second)
        return {};
    // The steps go in this order, each opened by the one before it.
    static const std::map<std::string, std::string> order {
        {"cmdTestDisk", "Publish To Disk first: Test shows what it published"},
        {"cmdPubWeb", "Test the lecture on disk first (Test): Publish for Web comes after it"},
        {"cmdUploadWeb", "Publish for Web first: the upload sends what it published"},
        {"cmdTestWeb", "Upload to the Web first: Test on Web opens the uploaded lecture"},
    };
    const std::string button = name.rfind("mnu", 0) == 0 ? "cmd" + name.substr(3) : name;
    const auto step = order.find(button);
    if (!lblPublishReason.empty() && (step != order.end() || button == "cmdPub"))
        return lblPublishReason;
    return step == order.end() ? std::string() : step->second;
}

void MainWindow::prefillDetailedForm()
{
    request().TextStyle = prefs_->Get("prfStyle");
    request().TextCDDir = Tav_DirSlash(expanded("prfOutRoot"));
    std::string url = expanded("prfHttp");
    if (!EndsWith(url, "/"))
        url += "/";
    request().TextWebURL = url;
    request().TextWebDir = Tav_DirSlash(expanded("prfOutWeb"));
    session().RequestChanged();
}

void MainWindow::publishDisk()
{
    const std::string style = prefs_->Get("prfStyle");
    if (Tav_ChkDir(style)) {
        request().TextStyle = style;
    } else {
        std::string chosen = style;
        if (!hooks_->ChooseDirectory("Select the style for publishing", chosen, false))
            return;
        request().TextStyle = chosen;
    }
    std::string out = Tav_DirSlash(expanded("prfOutRoot"));
    if (!hooks_->ChooseDirectory("Select Disk Publish Directory", out, true))
        return;
    request().TextCDDir = out;
    request().optCD = 1;
    request().optWeb = 0;
    session().RequestChanged();
    std::string msg;
    if (session().Start(msg))
        timDisk.start();
    else
        Tav_Message(msg);
}

void MainWindow::publishWeb()
{
    Tav_Message("Select a directory to store the data on your local disk for later upload");
    std::string dir = Tav_DirSlash(expanded("prfOutWeb"));
    if (!hooks_->ChooseDirectory("Select Web Publish Directory", dir, true))
        return;
    request().TextWebDir = dir;
    std::string url = expanded("prfHttp");
    if (!hooks_->InputBox("Enter the URL where this lecture will be stored", "Publish to the Web", url)
        || Trim(url).empty())
        return;
    if (url.back() != '/')
        url += '/';
    request().TextWebURL = url;
    request().chkStream = 0;
    request().optCD = 0;
    request().optWeb = 1;
    session().RequestChanged();
    std::string msg;
    if (session().Start(msg))
        timWeb.start();
    else
        Tav_Message(msg);
}

// The watchers also stop when the publish run ended without "All Done"
// (a failed script), instead of ticking for the rest of the session.
void MainWindow::watch(QTimer& watcher, std::initializer_list<const char*> next)
{
    if (Contains(lblStatus, "All Done")) {
        enable(next, true);
        watcher.stop();
        emit fieldsChanged();
    } else if (!publishForm_->logPoller.isActive()) {
        watcher.stop();
    }
}

void MainWindow::diskTick() { watch(timDisk, {"cmdTestDisk", "mnuTestDisk"}); }

void MainWindow::webTick() { watch(timWeb, {"cmdUploadWeb", "mnuUploadWeb"}); }

void MainWindow::testDisk()
{
    publishForm_->testDisk();
    enable({"cmdPubWeb", "mnuPubWeb"}, true);
    emit fieldsChanged();
}

void MainWindow::testWeb() { publishForm_->testWeb(); }

void MainWindow::uploadWeb()
{
    publishForm_->upload();
    enable({"cmdTestWeb", "mnuTestWeb"}, true);
    emit fieldsChanged();
}

void MainWindow::uploadUnpublished()
{
    Tav_Message("This option uploads the 'raw' lecture images, media, and timing information to a server using "
                "FTP.  The resulting directory will not be viewable on the web until someone (or some process) "
                "'publishes' the lecture.");
    // The raw lecture's own files: its folders hold what was published from it.
    FtpRequest request {Tav_DirSlash(LectureDir), prefs_->Get("prfRepAccount"), prefs_->Get("prfRepHost"), false};
    publishForm_->ShowFtp(request, "prfRepAccount", "prfRepHost");
}

void MainWindow::exportSlides()
{
    const int width = SlideImportModel::ImportWidth(lstSizeIndex);
    const auto height = static_cast<int16_t>(SlideImportModel::ImportHeight(lstSizeIndex));
    SlideImporter* importer = hooks_->slideImporter;
    if (!importer) {
        Tav_Message("Slide import is not available");
        return;
    }
    // No recording while the slides are being replaced.
    enable({"cmdRecord", "mnuRecord"}, false);
    emit fieldsChanged();
    if (importer->OpenPresentation(lblPPTFile) >= 0)
        importer->ExportSlides(Tav_DirSlash(LectureDir), width, height);
    importer->Close();
    enable({"cmdRecord", "mnuRecord"}, true);
    TavSlideScan();
    TavSlidePreview();
    SlideChecks(true, true);
}

void MainWindow::selectPresentation()
{
    std::string path;
    if (!hooks_->choosePresentation || !hooks_->choosePresentation(path))
        return;
    lblPPTFile = path;
    PPTSlideCount = hooks_->slideImporter ? hooks_->slideImporter->OpenPresentation(path) : -1;
    lblPPTCount = std::to_string(PPTSlideCount) + " Slide(s)";
    SlideChecks(true);
    TavSlidePreview();  // shows the controls the checks enabled
}

void MainWindow::record()
{
    publishForm_->recordLecture();
    DirOrPPTChanged();
}

void MainWindow::openTimingEditor() { publishForm_->openTimingEditor(); }

void MainWindow::syncSlides()
{
    if (hooks_->slideSync)
        hooks_->slideSync->Start();
    else
        Tav_Message("Slide sync is not available");
}

void MainWindow::exportVideo() { publishForm_->exportVideo(); }

void MainWindow::newFromRecording()
{
    if (hooks_->recordingLecture)
        hooks_->recordingLecture->Start();
    else
        Tav_Message("Making a lecture from a recording is not available");
}

void MainWindow::makeCaptions() { publishForm_->makeCaptions(); }

void MainWindow::editCaptions() { publishForm_->editCaptions(); }

void MainWindow::toggleLiberalNames()
{
    mnuLiberal = !mnuLiberal;
    if (mnuLiberal)
        Tav_Message("Now, any file with a *.jpg or *.gif extension will be treated as a slide");
    TavSlideScan();
    TavSlidePreview();
}

void MainWindow::moreOptions() { emit showDetailRequested(); }

void MainWindow::onlineHelp() { hooks_->OpenPage(kHelpPage); }

void MainWindow::LaunchHome() { hooks_->OpenPage(kHomePage); }

void MainWindow::chooseLecture(bool open)
{
    std::string dir = lblDirectory;
    if (!hooks_->ChooseDirectory("Select Lecture Directory", dir, true))
        return;
    if (!Tav_ChkDir(dir)) {
        // A new lecture may be a folder typed in the chooser: made on the
        // user's word. Opening one that is not there changes nothing.
        if (open || Tav_AskOkCancel("Directory - " + dir + " does not exist. Make it for the new lecture?") != TavOK) {
            if (open)
                Tav_Message("Directory - " + dir + " does not exist");
            return;
        }
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            Tav_Message("Unable to make the directory " + dir + ": " + ec.message());
            return;
        }
    }
    const bool another = Tav_DirSlash(Trim(dir)) != Tav_DirSlash(Trim(lblDirectory));
    SetLectureDir(dir);
    // The bars told of the previous lecture too (a job's own end, which
    // opens the lecture it made, keeps its bar).
    if (another && !busy && !publishForm_->Busy()) {
        progressPercent = publishForm_->progressPercent = 0;
        emit progressChanged(0);
        emit publishForm_->progressChanged(0);
    }
    if (open)
        DirOrPPTChanged();
}

void MainWindow::ShowStatus(const std::string& text, uint32_t colour)
{
    lblStatus = text;
    lblStatusColour = colour;
    emit statusChanged(QString::fromStdString(text), colour);
}

}  // namespace pellucor

#include "moc_MainWindow.cpp"
