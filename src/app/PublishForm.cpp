#include "app/PublishForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>

#include "app/PathVars.h"
#include "app/Preferences.h"
#include "app/FrontEndHooks.h"
#include "capture/FfmpegEncoder.h"
#include "capture/FfmpegTranscoder.h"
#include "core/FileLookup.h"
#include "core/RecordingKinds.h"
#include "core/TavUtils.h"
#include "publish/PublishJob.h"
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
    // Its ticks do nothing: the job reads the log at this pace.
    logPoller.setInterval(1000);
    startScript = &PublishJob::StartDetachedScript;
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
    if (Publishing()) {
        msg = "A publish is already running";
        return false;
    }
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
    if (!Tav_HasFiles(media, "*.rm") && !Tav_HasFiles(media, "*.ra") && FirstRecordingIn(media).empty()) {
        msg = "Media directory has no media (*.rm or *.ra) " + TextMedia + " nor recordings (" + RecordingPatterns() +
              ")";
        return false;
    }
    SetStatus("Removing files");
    if (optCD && !checkTarget("Disk Output Dir", TextCDDir, msg))
        return false;
    if (optWeb && !checkTarget("Web Output Dir", TextWebDir, msg))
        return false;

    lastRunOk_ = false;
    lastRunCancelled_ = false;
    lastPublishError_.clear();
    progressPercent = 0;
    // The output of the last target written is the one "TextLocDir" names.
    TextLocDir = optWeb ? TextWebDir : TextCDDir;

    job_ = std::make_unique<PublishJob>(Settings());
    job_->encoderFactory = encoderFactory;
    job_->startScript = startScript;
    job_->logIntervalMs = logPoller.interval();
    connect(job_.get(), &PublishJob::statusChanged, this,
            [this](const QString& text, uint colour) { showStatus(text.toStdString(), colour); });
    connect(job_.get(), &PublishJob::progressChanged, this, [this](int percent) {
        progressPercent = percent;
        emit progressChanged(percent);
    });
    connect(job_.get(), &PublishJob::targetPublished, this,
            [this](bool isDisk, const QString& command, bool started) {
                RunPublish(isDisk, command.toStdString(), started);
            });
    connect(job_.get(), &PublishJob::finished, this,
            [this](int outcome, const QString& error) { jobFinished(outcome, error.toStdString()); });
    logPoller.start();
    emit progressChanged(0);
    emit publishingChanged(true);

    // Wait, with the window answering, until the targets are written.
    bool published = false;
    QEventLoop wait;
    connect(job_.get(), &PublishJob::published, &wait, [&] {
        published = true;
        wait.quit();
    });
    connect(job_.get(), &PublishJob::finished, &wait, &QEventLoop::quit);
    job_->Start();
    wait.exec();
    if (published || lastRunOk_) {
        msg.clear();  // a started publish carries no error text
        return true;
    }
    msg = lastPublishError_;
    return false;
}

void PublishForm::RunPublish(bool isDisk, const std::string& command, bool started)
{
    TextLocDir = isDisk ? TextCDDir : TextWebDir;
    if (started)
        showStatus("Auto-executing:" + command, kColourYellow);
    else
        showStatus("Complete (You must manually run: " + command + ")", kColourWhite);
    Published = 1;
}

void PublishForm::cmdCancel_Click()
{
    if (hooks_->slideSync && hooks_->slideSync->Busy())
        hooks_->slideSync->Cancel();
    else if (job_ && Publishing()) {
        showStatus("Cancelling...", kColourYellow);
        job_->Cancel();
    }
}

void PublishForm::jobFinished(int outcome, const std::string& error)
{
    // The job is deleted later: this runs inside one of its signals.
    job_.release()->deleteLater();
    logPoller.stop();
    switch (static_cast<PublishJob::Outcome>(outcome)) {
    case PublishJob::Outcome::Succeeded:
        lastRunOk_ = true;
        break;
    case PublishJob::Outcome::Cancelled:
        lastRunCancelled_ = true;
        lastPublishError_ = error;
        showStatus(error, kColourYellow);
        break;
    default:
        lastPublishError_ = error;
        break;
    }
    emit publishingChanged(false);
    emit publishFinished(lastRunOk_);
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

void PublishForm::showStatus(const std::string& text, uint32_t colour)
{
    statusLine = text;
    statusColour = colour;
    Tav_DebugLog("Status: " + text);
    emit statusChanged(QString::fromStdString(text), colour);
}

void PublishForm::SetStatus(const std::string& text, uint32_t colour)
{
    showStatus(text, colour);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

PublishSettings PublishForm::Settings() const
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
    s.AutoStart = chkAutoStart != 0;
    for (const char* key : kPublishPreferenceKeys)
        s.Prefs[key] = prefs_->Get(key);
    return s;
}

}  // namespace pellucor
