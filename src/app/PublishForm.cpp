#include "app/PublishForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include "app/FrontEndHooks.h"
#include "app/Preferences.h"
#include "core/FileLookup.h"
#include "core/TavUtils.h"
#include "media/FfmpegTranscoder.h"

namespace pellucor {

namespace {
const char* const kDefaultStream = "rtsp://stream.example.org/pellucor/lectures/${lecname}/";

}  // namespace

PublishForm::PublishForm(Preferences* prefs, PublishSession* session, QObject* parent)
    : QObject(parent),
      session_(session),
      TextPP(session_->request.TextPP),
      TextMedia(session_->request.TextMedia),
      TextStyle(session_->request.TextStyle),
      TextCopy(session_->request.TextCopy),
      TextCDDir(session_->request.TextCDDir),
      TextWebDir(session_->request.TextWebDir),
      TextWebURL(session_->request.TextWebURL),
      TextStream(session_->request.TextStream),
      TextLocDir(session_->request.TextLocDir),
      TextName(session_->request.TextName),
      TextCP(session_->request.TextCP),
      optCD(session_->request.optCD),
      optWeb(session_->request.optWeb),
      chkStream(session_->request.chkStream),
      chkAutoStart(session_->request.chkAutoStart),
      chkVerbose(session_->request.chkVerbose),
      chkAuto(session_->request.chkAuto),
      prefs_(prefs),
      hooks_(&FrontEndHooks::Headless())
{
    // Its ticks do nothing: it is the running flag the other windows read.
    logPoller.setInterval(1000);
    session_->preferences = [this] { return prefs_->Snapshot(); };
    connect(session_, &PublishSession::requestChanged, this, [this] {
        diskChosen();
        webChosen();
        emit fieldsChanged();
    });
    connect(session_, &PublishSession::statusChanged, this,
            [this](const QString& text, uint colour) { showStatus(text.toStdString(), colour); });
    connect(session_, &PublishSession::progressChanged, this, [this](int percent) {
        progressPercent = percent;
        emit progressChanged(percent);
    });
    connect(session_, &PublishSession::timeLeftChanged, this, [this](const QString& text) {
        timeLeft = text.toStdString();
        emit timeLeftChanged(text);
    });
    // The lecture as one video, once the publication is in place: the bar
    // starts again for it.
    connect(session_, &PublishSession::videoProgressChanged, this, [this](int percent, const QString& left) {
        progressPercent = percent;
        timeLeft = left.toStdString();
        emit progressChanged(percent);
        emit timeLeftChanged(left);
    });
    connect(session_, &PublishSession::targetPublished, this,
            [this](bool isDisk, const QString& command, bool started) {
                RunPublish(isDisk, command.toStdString(), started);
            });
    connect(session_, &PublishSession::runningChanged, this, [this](bool running) {
        if (running) {
            logPoller.start();
            emit publishingChanged(true);
        }
    });
    connect(session_, &PublishSession::finished, this,
            [this](PublishOutcome outcome, const QString&) { sessionEnded(outcome); });
    convertMedia = [this](const std::string& input, const std::string& output, std::string& err) {
        // RealMedia as the merge tools expect it: RealVideo 2 and AC-3.
        TranscodeOptions options;
        options.format = "rm";
        options.videoCodec = "rv20";
        options.audioCodec = "ac3";
        FfmpegTranscoder transcoder;
        transcoder.onProgress
            = [this](int percent) { SetStatus("Converting from Quicktime to Real " + std::to_string(percent) + "%"); };
        return transcoder.Run(input, output, options, err);
    };
}

void PublishForm::SetHooks(FrontEndHooks* hooks) { hooks_ = hooks ? hooks : &FrontEndHooks::Headless(); }

PublishForm::~PublishForm()
{
    if (packageWorker_) {  // a package being written is finished first
        packageWorker_->wait();
        delete packageWorker_;
    }
}

void PublishForm::load()
{
    StartDir = QDir::currentPath().toStdString();
    mnuFile = prefs_->RecentFiles();
    TextStyle = prefs_->Get("prfStyle");
    if (Lower(prefs_->Get("prfPnm")).substr(0, 20) != std::string(kDefaultStream).substr(0, 20))
        chkStream = 1;
    diskChosen();
    webChosen();
}

void PublishForm::SetLectureDir(const std::string& dir)
{
    lblDirectory = dir;
    session_->request.SetLectureDir(dir, prefs_->Snapshot());
    Published = 0;
    emit fieldsChanged();
}

void PublishForm::diskChosen()
{
    if (!optCD && !optWeb) {
        optWeb = 1;
        webChosen();
    }
    for (const char* c : {"TextCDDir", "cmdTestCD", "cmdPubDisk"})
        Enabled[c] = optCD != 0;
    Published = 0;
}

void PublishForm::webChosen()
{
    if (!optCD && !optWeb) {
        optCD = 1;
        diskChosen();
    }
    for (const char* c : {"chkStream", "TextWebDir", "TextWebURL", "cmdFtp", "cmdTestWeb"})
        Enabled[c] = optWeb != 0;
    streamChanged();
    Published = 0;
}

void PublishForm::streamChanged()
{
    Enabled["TextStream"] = chkStream != 0;
    Published = 0;
}

bool PublishForm::DoStart(std::string& msg)
{
    progressPercent = 0;
    // The output of the last target written is the one "TextLocDir" names.
    TextLocDir = optWeb ? TextWebDir : TextCDDir;
    if (session_->Start(msg))
        return true;
    if (!msg.empty())
        showStatus(msg, kColourRed);
    return false;
}

// The session tells the status ("Auto-executing:" or "Complete (You must
// manually run: ...)").
void PublishForm::RunPublish(bool isDisk, const std::string&, bool)
{
    TextLocDir = isDisk ? TextCDDir : TextWebDir;
    Published = 1;
}

void PublishForm::cancel()
{
    if (!hooks_->CancelWindowJob())
        session_->Cancel();
}

bool PublishForm::ConfirmClose()
{
    if (Publishing()) {
        if (Tav_AskOkCancel("A publish is running: cancel it and quit?") != TavOK)
            return false;
        cancel();
        return true;
    }
    // Slide sync, captions, the one video or a lecture from a recording:
    // minutes of work are not thrown away without a word.
    if (Busy()) {
        if (Tav_AskOkCancel("A job is running (" + hooks_->RunningJobName()
                            + "): cancel it and quit? What it has done so far is not kept.")
            != TavOK)
            return false;
        hooks_->CancelWindowJob();
    }
    return true;
}

void PublishForm::sessionEnded(PublishOutcome outcome)
{
    logPoller.stop();
    // A failure is shown once, and stays in the status line.
    if (outcome == PublishOutcome::Failed) {
        Tav_Message(session_->Error());
        showStatus(session_->Error(), kColourRed);
    }
    emit publishingChanged(false);
    emit publishFinished(LastRunSucceeded());
}

bool PublishForm::CheckUpToDate()
{
    if (Published != 0)
        return true;
    return Tav_AskOkCancel("You may need to rerun the publish step for the data to be up to date") != TavCancel;
}

void PublishForm::testDisk()
{
    if (CheckUpToDate())
        hooks_->OpenPage(FileUrl(Tav_DirSlash(TextCDDir) + "index.htm"));
}

void PublishForm::testWeb()
{
    if (CheckUpToDate())
        hooks_->OpenPage(TextWebURL + "index.htm");
}

void PublishForm::showStatus(const std::string& text, uint32_t colour)
{
    statusLine = text;
    statusColour = colour;
    emit statusChanged(QString::fromStdString(text), colour);
}

void PublishForm::SetStatus(const std::string& text, uint32_t colour)
{
    Tav_DebugLog("Status: " + text);
    showStatus(text, colour);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

PublishSettings PublishForm::Settings() const { return session_->request.Settings(prefs_->Snapshot()); }

}  // namespace pellucor

#include "moc_PublishForm.cpp"
