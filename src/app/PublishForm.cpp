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
#include "core/TavUtils.h"
#include "publish/Publisher.h"

namespace pellucor {

namespace {
const char* const kDefaultStream = "rtsp://stream.example.org/pellucor/lectures/${lecname}/";

bool sameDir(const std::string& a, const std::string& b)
{
    return tav::lower(Tav_DirSlash(a)) == tav::lower(Tav_DirSlash(b));
}
}  // namespace

PublishForm::PublishForm(Preferences* prefs, QObject* parent)
    : QObject(parent), prefs_(prefs), hooks_(&FrontEndHooks::Headless())
{
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &PublishForm::Timer1_Timer);
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
    if (tav::lower(prefs_->Get("prfPnm")).substr(0, 20) != std::string(kDefaultStream).substr(0, 20))
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

std::string* PublishForm::textField(const std::string& name)
{
    static const std::map<std::string, std::string PublishForm::*> fields = {
        {"TextPP", &PublishForm::TextPP},         {"TextMedia", &PublishForm::TextMedia},   {"TextStyle", &PublishForm::TextStyle},
        {"TextCopy", &PublishForm::TextCopy},     {"TextCDDir", &PublishForm::TextCDDir},   {"TextWebDir", &PublishForm::TextWebDir},
        {"TextWebURL", &PublishForm::TextWebURL}, {"TextStream", &PublishForm::TextStream}, {"TextLocDir", &PublishForm::TextLocDir},
        {"TextName", &PublishForm::TextName},     {"TextCP", &PublishForm::TextCP},
    };
    const auto it = fields.find(name);
    return it == fields.end() ? nullptr : &(this->*(it->second));
}

int* PublishForm::checkField(const std::string& name)
{
    static const std::map<std::string, int PublishForm::*> fields = {
        {"optCD", &PublishForm::optCD},           {"optWeb", &PublishForm::optWeb},         {"chkStream", &PublishForm::chkStream},
        {"chkAutoStart", &PublishForm::chkAutoStart}, {"chkVerbose", &PublishForm::chkVerbose}, {"chkAuto", &PublishForm::chkAuto},
    };
    const auto it = fields.find(name);
    return it == fields.end() ? nullptr : &(this->*(it->second));
}

bool PublishForm::SetControl(const std::string& name, const std::string& value)
{
    if (std::string* text = textField(name)) {
        *text = value;
        if (name != "TextLocDir" && name != "TextName" && name != "TextCP")
            Published = 0;
        emit fieldsChanged();
        return true;
    }
    if (int* check = checkField(name)) {
        *check = static_cast<int>(tav::val(value)) ? 1 : 0;
        if (name == "optCD")
            optCD_Click();
        else if (name == "optWeb")
            optWeb_Click();
        else if (name == "chkStream")
            chkStream_Click();
        emit fieldsChanged();
        return true;
    }
    return false;
}

std::string PublishForm::Control(const std::string& name) const
{
    auto* self = const_cast<PublishForm*>(this);
    if (const std::string* text = self->textField(name))
        return *text;
    if (const int* check = self->checkField(name))
        return std::to_string(*check);
    return "";
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

bool PublishForm::LoadSettingsFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Tav_Message("Unable to open " + path);
        return false;
    }
    chkAuto = 0;
    std::string autoValue = "0";
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (tav::trim(line).empty())
            continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos || eq == 0) {
            Tav_Message("Bad " + path + " line - " + line);
            continue;
        }
        const std::string name = tav::trim(line.substr(0, eq));
        const std::string value = tav::trim(line.substr(eq + 1));
        if (name == "chkAuto")
            autoValue = value;
        else
            SetControl(name, value);
    }
    chkAuto = static_cast<int>(tav::val(autoValue)) ? 1 : 0;
    addRecentFile(path);
    emit fieldsChanged();
    return true;
}

bool PublishForm::checkTarget(const std::string& dir, std::string& msg)
{
    if (!Tav_Chkdrv(dir)) {
        msg = "Bad drive letter " + dir;
        return false;
    }
    if (sameDir(tav::trim(dir), tav::trim(TextMedia))) {
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
        Tav_Message(msg);
        return false;
    }
    if (!Tav_HasFiles(media, "*.txt")) {
        msg = "Media directory has no event data (*.txt) " + TextMedia;
        return false;
    }
    SetStatus("Checking for the existence of media files...");
    if (!Tav_HasFiles(media, "*.rm") && !Tav_HasFiles(media, "*.ra")) {
        msg = "Media directory has no media (*.rm or *.ra) " + TextMedia;
        return false;
    }
    SetStatus("Removing files");
    if (optCD && !checkTarget(TextCDDir, msg))
        return false;
    if (optWeb && !checkTarget(TextWebDir, msg))
        return false;

    lastRunOk_ = false;
    lastPublishError_.clear();
    scriptPids_.clear();
    bool ok = true;
    if (optCD) {
        TextLocDir = TextCDDir;
        ok = RunPublish(true);
        if (optWeb)
            Timer1.stop();
    }
    if (ok && optWeb) {
        TextLocDir = TextWebDir;
        ok = RunPublish(false);
    }
    // A publish that failed is not reported as a started one.
    if (!ok) {
        Timer1.stop();
        msg = lastPublishError_;
        return false;
    }
    if (!Timer1.isActive())
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
    const std::string command = "\"" + dir + "process.bat\"";
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
        Timer1.start();
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

void PublishForm::Timer1_Timer()
{
    const std::string previous = Label3;
    std::string log, prefix;
    if (!(optCD && optWeb)) {
        log = Tav_DirSlash(TextLocDir) + "log.log";
        prefix = "process:";
    } else if (tav::startsWith(previous, "cd:")) {
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
            Timer1.stop();
            SetStatus("process.bat ended without a log: " + log, kColourRed);
            emit publishFinished(false);
        }
        return;
    }
    line = tav::trim(line.substr(0, line.find(',')));
    if (line != LastLogLine)
        LogRepeat = 0;
    ++LogRepeat;
    SetStatus(prefix + line + " (" + std::to_string(LogRepeat) + " seconds)");
    LastLogLine = line;
    if (line == "All Done" && tav::contains(previous, "All Done")) {
        Timer1.stop();
        lastRunOk_ = true;
        SetStatus("Process:" + line, kColourWhite);
        emit publishFinished(true);
        return;
    }
    if (line != "All Done" && !running && !scriptPids_.empty()) {
        // A step failed and the script stopped before "All Done".
        Timer1.stop();
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
        Tav_ShellOpen("file://" + Tav_DirSlash(TextCDDir) + "index.htm");
}

void PublishForm::cmdTestWeb_Click()
{
    if (CheckUpToDate())
        Tav_ShellOpen(TextWebURL + "index.htm");
}

void PublishForm::SetStatus(const std::string& text, uint32_t colour)
{
    Label3 = text;
    Label3Colour = colour;
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
