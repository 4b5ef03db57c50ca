#include "server/LectureWatcher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>

#include <filesystem>
#include <fstream>

#include "app/PublishForm.h"
#include "app/MainWindowPort.h"
#include "app/Preferences.h"
#include "core/TavUtils.h"
#include "server/MoveDirectory.h"

namespace pellucor {

namespace fs = std::filesystem;

LectureWatcher::LectureWatcher(Preferences* prefs, PublishForm* publishForm, MainWindowPort* mainWindow, QObject* parent)
    : QObject(parent), prefs_(prefs), publishForm_(publishForm), main_(mainWindow)
{
    scanTimer.setInterval(10000);
    connect(&scanTimer, &QTimer::timeout, this, &LectureWatcher::scanIncoming);
}

std::string LectureWatcher::now() const
{
    return QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

void LectureWatcher::Form_Load()
{
    logOff_ = false;
    txtIncoming = prefs_->Get("prfsrvIncoming");
    txtRepository = prefs_->Get("prfsrvRepository");
    txtLogFile = prefs_->Get("prfsrvLogFile");
    txtPubPrefix = prefs_->Get("prfsrvPubDir");
    txtWebPrefix = prefs_->Get("prfsrvWebURL");
    txtStreamPrefix = prefs_->Get("prfsrvStreamURL");
    WriteLogLine("Personal Lecture Repository Loaded - " + now());
    WriteLogLine("Watching Directory " + txtIncoming);
    WriteLogLine("Repository Directory " + txtRepository);
    WriteLogLine("Publishing to Directory " + txtPubPrefix);
    WriteLogLine("Root URL = " + MakeLink(txtWebPrefix));
    emit changed();
}

void LectureWatcher::Form_Unload()
{
    prefs_->Set("prfsrvIncoming", txtIncoming);
    prefs_->Set("prfsrvRepository", txtRepository);
    prefs_->Set("prfsrvLogFile", txtLogFile);
    prefs_->Set("prfsrvPubDir", txtPubPrefix);
    prefs_->Set("prfsrvWebURL", txtWebPrefix);
    prefs_->Set("prfsrvStreamURL", txtStreamPrefix);
    prefs_->DoSave();
}

void LectureWatcher::WriteLogLine(const std::string& text)
{
    if (logOff_ || txtLogFile.empty())
        return;
    std::ofstream out(txtLogFile, std::ios::binary | std::ios::app);
    if (!out) {
        logOff_ = true;
        return;
    }
    Tav_WriteLine(out, text + "<br>");
}

void LectureWatcher::ServerLog(const std::string& text)
{
    WriteLogLine(now() + " " + text);
    lblStatus = text;
    Tav_DebugLog("Server: " + text);
    emit changed();
    Tav_Message(text);
}

std::string LectureWatcher::MakeLink(const std::string& url) { return "<a href=\"" + url + "\">" + url + "</a>"; }

void LectureWatcher::SetDir(const std::string& dir)
{
    txtDir = dir;
    const auto parts = Tav_SplitPath(dir);
    txtName = parts.last;
    const std::string repo = Tav_DirSlash(txtRepository);
    txtRelPath.clear();
    if (!repo.empty() && Tav_StartsWith(Tav_Lower(parts.leading), Tav_Lower(repo))) {
        const std::string rest = parts.leading.substr(repo.size());
        if (!Tav_Trim(rest).empty())
            txtRelPath = Tav_DirSlash(rest);
    }
    txtPubDir = Tav_DirSlash(txtPubPrefix) + txtRelPath + txtName + "/";
    auto url = [&](const std::string& prefix) {
        return Tav_ReplaceAll(prefix + txtRelPath + txtName + "/", "\\", "/");
    };
    txtWebURL = url(txtWebPrefix);
    txtStreamURL = Tav_Trim(txtStreamPrefix).empty() ? std::string() : url(txtStreamPrefix);
    emit changed();
}

bool LectureWatcher::FindReadyLecture()
{
    const std::string incoming = Tav_DirSlash(txtIncoming);
    TavPathParts entry;
    bool found = false;
    for (std::string e = Tav_NextTreeEntry(incoming); !e.empty(); e = Tav_NextTreeEntry("")) {
        entry = Tav_SplitPath(e);
        if (Tav_StartsWith(Tav_Lower(entry.last), "x-")) {
            found = true;
            break;
        }
    }
    if (!found)
        return false;

    std::string rel = entry.leading;
    if (rel.size() > 1 && rel.back() != Tav_Sep)
        rel += Tav_Sep;
    const std::string ready = incoming + rel + entry.last;
    if (!Tav_ChkDir(ready)) {
        ServerLog("Error - incoming directory does not exist " + ready);
        return false;
    }
    const std::string name = Tav_Lower(entry.last.substr(2));
    if (Tav_Trim(name).empty()) {
        ServerLog("Error - Poorly formed directory name " + ready);
        return false;
    }
    txtName = name;
    txtRelPath = rel;
    const std::string parent = Tav_DirSlash(txtRepository) + rel;
    if (!Tav_ChkDir(parent) && !Tav_Mkdir(parent)) {
        ServerLog("Error - destination directory does not exist ad cannot be created" + parent);
        return false;
    }
    const std::string dest = parent + name;
    std::error_code ec;
    if (fs::exists(dest, ec)) {
        ServerLog("Error - destination directory should not exist " + dest);
        // Refused: rename in place so it is not picked up again. An earlier
        // refused lecture of the same name is kept, never overwritten.
        std::string refused = incoming + rel + "e-" + entry.last.substr(2);
        for (int n = 2; fs::exists(refused, ec); ++n)
            refused = incoming + rel + "e-" + entry.last.substr(2) + "-" + std::to_string(n);
        fs::rename(ready, refused, ec);
        return false;
    }
    ServerLog(ready + " -> " + dest);
    std::string err;
    if (!MoveDirectory(ready, dest, err)) {
        ServerLog("Error - unable to move " + ready + " - " + err);
        return false;
    }
    if (!err.empty())
        ServerLog("Warning - " + err);
    SetDir(dest);
    return true;
}

void LectureWatcher::PublishLecture()
{
    lastPublishOk_ = false;
    const std::string dir = Tav_DirSlash(txtDir);
    main_->SetLectureDir(dir);
    std::string msg;
    if (!main_->OKToPublish(false, msg)) {
        ServerLog("Directory is not ready to be published - " + dir);
        return;
    }
    ServerLog("Calling Pellucor in " + dir);
    publishForm_->optCD = 0;
    publishForm_->optWeb = 1;
    publishForm_->optWeb_Click();
    if (!txtPubDir.empty())
        publishForm_->TextWebDir = txtPubDir;
    if (!txtWebURL.empty())
        publishForm_->TextWebURL = txtWebURL;
    if (!txtStreamURL.empty()) {
        publishForm_->chkStream = 1;
        publishForm_->TextStream = txtStreamURL;
    } else {
        publishForm_->chkStream = 0;
    }
    publishForm_->chkStream_Click();
    if (!publishForm_->DoStart(msg)) {
        ServerLog("Publish failed - " + dir + " - " + msg);
        return;
    }
    while (publishForm_->logPoller.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 200);
    if (!publishForm_->LastRunSucceeded()) {
        ServerLog("Publish failed - " + dir + " - " + publishForm_->statusLine);
        return;
    }
    lastPublishOk_ = true;
    lblPhase = "Complete - " + dir;
    ServerLog(lblPhase);
    ServerLog("Lecture URL at " + MakeLink(txtWebURL));
    WriteIndexPage();
}

bool LectureWatcher::CheckIncoming()
{
    lblPhase = "Checking for incoming lectures";
    lblStatus = "Last Checked - " + now();
    scanTimer.stop();
    emit changed();
    if (FindReadyLecture()) {
        lblPhase = "Producing Pellucor";
        ServerLog("Producing Pellucor - " + txtDir);
        PublishLecture();
        chkAuto_Click();
        return true;
    }
    lblPhase = "No incoming lectures found";
    chkAuto_Click();
    emit changed();
    return false;
}

void LectureWatcher::chkAuto_Click()
{
    if (chkAuto)
        scanTimer.start();
    else
        scanTimer.stop();
}

void LectureWatcher::scanIncoming()
{
    scanTimer.setInterval(10000);
    Tav_SetUnattended(true);
    CheckIncoming();
}

void LectureWatcher::cmdClearLog_Click()
{
    std::error_code ec;
    fs::remove(txtLogFile, ec);
    Form_Load();
}

}  // namespace pellucor
