#include "app/PublishForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <csignal>
#include <fstream>

#include "app/PathVars.h"
#include "app/Preferences.h"
#include "app/FrontEndHooks.h"
#include "capture/FfmpegEncoder.h"
#include "capture/FfmpegTranscoder.h"
#include "core/FileLookup.h"
#include "core/TavUtils.h"
#include "publish/BatchScript.h"
#include "publish/Publisher.h"
#include "style/PublishedLecture.h"

namespace pellucor {

namespace {
const char* const kDefaultStream = "rtsp://stream.example.org/pellucor/lectures/${lecname}/";

bool sameDir(const std::string& a, const std::string& b)
{
    return Tav_Lower(Tav_DirSlash(a)) == Tav_Lower(Tav_DirSlash(b));
}
}  // namespace

PublishForm::PublishForm(Preferences* prefs, QObject* parent)
    : QObject(parent), prefs_(prefs), hooks_(&FrontEndHooks::Headless())
{
    logPoller.setInterval(1000);
    connect(&logPoller, &QTimer::timeout, this, &PublishForm::pollLog);
    startScript = [](const std::string& script, const std::string& dir) -> qint64 {
        qint64 pid = -1;
        if (!QProcess::startDetached("sh", {QString::fromStdString(script)}, QString::fromStdString(dir), &pid))
            return -1;
        return pid;
    };
    encoderFactory = [] { return std::make_unique<FfmpegEncoder>(); };
    convertMedia = [this](const std::string& input, const std::string& output, std::string& err) {
        // RealMedia as the merge tools expect it: RealVideo 2 and AC-3.
        TranscodeOptions options;
        options.format = "rm";
        options.videoCodec = "rv20";
        options.audioCodec = "ac3";
        FfmpegTranscoder transcoder;
        transcoder.onProgress = [this](int percent) {
            SetStatus("Converting from Quicktime to Real " + std::to_string(percent) + "%");
        };
        return transcoder.Run(input, output, options, err);
    };
}

void PublishForm::SetHooks(FrontEndHooks* hooks) { hooks_ = hooks ? hooks : &FrontEndHooks::Headless(); }

PublishForm::~PublishForm() = default;

void PublishForm::Form_Load()
{
    StartDir = QDir::currentPath().toStdString();
    mnuFile = prefs_->RecentFiles();
    TextStyle = prefs_->Get("prfStyle");
    if (Tav_Lower(prefs_->Get("prfPnm")).substr(0, 20) != std::string(kDefaultStream).substr(0, 20))
        chkStream = 1;
    optCD_Click();
    optWeb_Click();
}

void PublishForm::SetLectureDir(const std::string& dir)
{
    lblDirectory = dir;
    TextPP = dir;
    auto pref = [&](const char* key) { return TavPrefString(prefs_->Get(key), lblDirectory); };
    TextMedia = Tav_DirSlash(pref("prfMedia"));
    TextCopy = Tav_DirSlash(pref("prfCopy"));
    TextCDDir = Tav_DirSlash(pref("prfOutRoot"));
    TextWebURL = pref("prfHttp");
    TextStream = pref("prfPnm");
    TextWebDir = Tav_DirSlash(pref("prfOutWeb"));
    Published = 0;
    emit fieldsChanged();
}

void PublishForm::optCD_Click()
{
    if (!optCD && !optWeb) {
        optWeb = 1;
        optWeb_Click();
    }
    for (const char* c : {"TextCDDir", "cmdTestCD", "cmdPubDisk"})
        Enabled[c] = optCD != 0;
    Published = 0;
}

void PublishForm::optWeb_Click()
{
    if (!optCD && !optWeb) {
        optCD = 1;
        optCD_Click();
    }
    for (const char* c : {"chkStream", "TextWebDir", "TextWebURL", "cmdFtp", "cmdTestWeb"})
        Enabled[c] = optWeb != 0;
    chkStream_Click();
    Published = 0;
}

void PublishForm::chkStream_Click()
{
    Enabled["TextStream"] = chkStream != 0;
    Published = 0;
}

bool PublishForm::checkTarget(const std::string& field, const std::string& dir, std::string& msg)
{
    if (Tav_Trim(dir).empty()) {
        msg = field + " is empty: enter the directory to publish into";
        return false;
    }
    if (!Tav_Chkdrv(dir)) {
        msg = "Bad drive letter " + dir;
        return false;
    }
    if (sameDir(Tav_Trim(dir), Tav_Trim(TextMedia))) {
        msg = "Input and Output Directories are the same " + TextMedia;
        return false;
    }
    if (!Tav_RemoveDir(dir) || !Tav_Mkdir(dir)) {
        msg = "Unable to cleanup " + dir;
        return false;
    }
    return true;
}

bool PublishForm::DoStart(std::string& msg)
{
    msg = "Error in Form1.DoStart";
    if (!Tav_Chkdrv(TextMedia))
        return false;
    const std::string media = Tav_DirSlash(TextMedia);
    if (!Tav_HasFiles(media, "*.*")) {
        msg = "Media directory is empty " + TextMedia;
        return false;
    }
    // A published lecture gets its events files when the publish converts it.
    std::string publishedName;
    if (!Tav_HasFiles(media, "*.txt") && !IsPublishedLecture(media, TextName, publishedName)) {
        msg = "Media directory has no event data (*.txt) " + TextMedia;
        return false;
    }
    SetStatus("Checking for the existence of media files...");
    if (!Tav_HasFiles(media, "*.rm") && !Tav_HasFiles(media, "*.ra")) {
        msg = "Media directory has no media (*.rm or *.ra) " + TextMedia;
        return false;
    }
    SetStatus("Removing files");
    if (optCD && !checkTarget("Disk Output Dir", TextCDDir, msg))
        return false;
    if (optWeb && !checkTarget("Web Output Dir", TextWebDir, msg))
        return false;

    lastRunOk_ = false;
    lastPublishError_.clear();
    scriptPids_.clear();
    bool ok = true;
    if (optCD) {
        TextLocDir = TextCDDir;
        ok = RunPublish(true);
        if (optWeb)
            logPoller.stop();
    }
    if (ok && optWeb) {
        TextLocDir = TextWebDir;
        ok = RunPublish(false);
    }
    // A publish that failed is not reported as a started one.
    if (!ok) {
        logPoller.stop();
        msg = lastPublishError_;
        return false;
    }
    if (!logPoller.isActive())
        lastRunOk_ = true;  // nothing left to wait for
    msg.clear();  // a started publish carries no error text
    return true;
}

bool PublishForm::RunPublish(bool isDisk)
{
    {
        Publisher engine(this);
        if (!engine.Publish(isDisk)) {
            lastPublishError_ = engine.LastError;
            return false;
        }
    }
    const std::string dir = Tav_DirSlash(TextLocDir);
    // Quoted for the shell, so that it runs as printed whatever the path holds.
    const std::string command = ShellQuote(dir + "process.bat");
    if (chkAutoStart) {
        const qint64 pid = startScript(dir + "process.bat", dir);
        if (pid < 0) {
            lastPublishError_ = "Unable to start " + command;
            SetStatus(lastPublishError_, kColourRed);
            return false;
        }
        scriptPids_.push_back(pid);
        SetStatus("Auto-executing:" + command);
        LastLogLine.clear();
        LogRepeat = 0;
        logPoller.start();
    } else {
        SetStatus("Complete (You must manually run: " + command + ")", kColourWhite);
    }
    Published = 1;
    return true;
}

bool PublishForm::scriptsRunning() const
{
    for (qint64 pid : scriptPids_)
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0)
            return true;
    return false;
}

void PublishForm::pollLog()
{
    const std::string previous = statusLine;
    std::string log, prefix;
    if (!(optCD && optWeb)) {
        log = Tav_DirSlash(TextLocDir) + "log.log";
        prefix = "process:";
    } else if (Tav_StartsWith(previous, "cd:")) {
        log = Tav_DirSlash(TextWebDir) + "log.log";
        prefix = "net:";
    } else {
        log = Tav_DirSlash(TextCDDir) + "log.log";
        prefix = "cd:";
    }
    const bool running = scriptsRunning();
    std::ifstream in(log, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        if (!running && !scriptPids_.empty()) {
            // The script is gone and never wrote its log.
            logPoller.stop();
            SetStatus("process.bat ended without a log: " + log, kColourRed);
            emit publishFinished(false);
        }
        return;
    }
    line = Tav_Trim(line.substr(0, line.find(',')));
    if (line != LastLogLine)
        LogRepeat = 0;
    ++LogRepeat;
    SetStatus(prefix + line + " (" + std::to_string(LogRepeat) + " seconds)");
    LastLogLine = line;
    if (line == "All Done" && Tav_Contains(previous, "All Done")) {
        logPoller.stop();
        lastRunOk_ = true;
        SetStatus("Process:" + line, kColourWhite);
        emit publishFinished(true);
        return;
    }
    if (line != "All Done" && !running && !scriptPids_.empty()) {
        // A step failed and the script stopped before "All Done".
        logPoller.stop();
        // The text must not contain the words the main window's watchers
        // look for.
        SetStatus("process.bat stopped before it finished, at: " + line, kColourRed);
        emit publishFinished(false);
    }
}

bool PublishForm::CheckUpToDate()
{
    if (Published != 0)
        return true;
    return Tav_AskOkCancel("You may need to rerun the publish step for the data to be up to date") != TavCancel;
}

void PublishForm::cmdTestCD_Click()
{
    if (CheckUpToDate())
        Tav_ShellOpen(Tav_FileUrl(Tav_DirSlash(TextCDDir) + "index.htm"));
}

void PublishForm::cmdTestWeb_Click()
{
    if (CheckUpToDate())
        Tav_ShellOpen(TextWebURL + "index.htm");
}

void PublishForm::SetStatus(const std::string& text, uint32_t colour)
{
    statusLine = text;
    statusColour = colour;
    Tav_DebugLog("Status: " + text);
    emit statusChanged(QString::fromStdString(text), colour);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

PublishSettings PublishForm::ReadFormSettings()
{
    PublishSettings s;
    s.LecName = TextName;
    s.MediaDir = TextMedia;
    s.OutDir = TextLocDir;
    s.LecDir = TextPP;
    s.StyleDir = TextStyle;
    s.CopyDir = TextCopy;
    s.CDDir = TextCDDir;
    s.WebDir = TextWebDir;
    s.WebURL = TextWebURL;
    s.StreamURL = TextStream;
    s.OptCD = optCD != 0;
    s.OptWeb = optWeb != 0;
    s.Stream = chkStream != 0;
    return s;
}

std::string PublishForm::Preference(const std::string& key) { return prefs_->Get(key); }

std::unique_ptr<EncoderControl> PublishForm::LoadEncoder(std::string& err)
{
    auto enc = encoderFactory ? encoderFactory() : nullptr;
    if (!enc)
        err = "no encoder component";
    return enc;
}

}  // namespace pellucor
