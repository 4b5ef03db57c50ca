#include "app/Pellucor.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdlib>
#include <filesystem>

#include "app/AppContext.h"
#include "app/CaptionsRun.h"
#include "app/LectureVideoRun.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "app/SlideSyncRun.h"
#include "core/TavUtils.h"
#include "media/PartCuts.h"
#include "publish/PublishSession.h"
#include "upload/CurlClient.h"
#include "upload/UploadWindowModel.h"
#include "upload/SecretServicePasswords.h"
#include "upload/UploadPreferences.h"

namespace pellucor {

pellucor::pellucor(AppContext* app, QObject* parent) : QObject(parent), app_(app)
{
    terminate = [] {
        if (QCoreApplication::instance())
            QCoreApplication::exit(0);
        else
            std::exit(0);
    };
}

pellucor::~pellucor() = default;

AppContext& pellucor::app()
{
    app_->Start(true);
    return *app_;
}

void pellucor::Class_Terminate()
{
    Tav_DebugLog("Automation client released the program");
    if (terminate)
        terminate();
}

std::string pellucor::GetStatus() { return session().StatusLine(); }

PublishSession& pellucor::session() { return app().session(); }

void pellucor::SetTextPP(const std::string& path)
{
    // The main window follows the lecture: it fills the request's paths
    // for it from the preferences.
    const std::string dir = Tav_DirSlash(path);
    AppContext& a = app();
    a.mainWindow().SetLectureDir(dir);
    a.session().request.TextPP = dir;
    a.mainWindow().DirOrPPTChanged();
    a.session().RequestChanged();
}

void pellucor::set(const char* control, const std::string& value)
{
    session().request.Set(control, value);
    session().RequestChanged();
}

void pellucor::SetTextMedia(const std::string& path) { set("TextMedia", Tav_DirSlash(path)); }
void pellucor::SetTextCopy(const std::string& path) { set("TextCopy", Tav_DirSlash(path)); }
void pellucor::SetTextStyle(const std::string& path) { set("TextStyle", Tav_DirSlash(path)); }
void pellucor::SetTextCDDir(const std::string& path) { set("TextCDDir", Tav_DirSlash(path)); }
void pellucor::SetTextWebDir(const std::string& path) { set("TextWebDir", Tav_DirSlash(path)); }
void pellucor::SetTextWebURL(const std::string& url) { set("TextWebURL", url); }
void pellucor::SetTextStream(const std::string& url) { set("TextStream", url); }
void pellucor::SetOptWeb(bool flag) { set("optWeb", flag ? "1" : "0"); }
void pellucor::SetOptCD(bool flag) { set("optCD", flag ? "1" : "0"); }
void pellucor::SetOptStream(bool flag) { set("chkStream", flag ? "1" : "0"); }

bool pellucor::OKToPublish(std::string& msg)
{
    if (!session().OKToPublish(msg))
        return false;
    msg.clear();
    return true;
}

bool pellucor::Publish(std::string& msg)
{
    Tav_SetUnattended(true);
    return session().Start(msg);
}

void pellucor::WaitUntilComplete()
{
    // The windows, when there are any, go on answering meanwhile.
    if (QCoreApplication::instance())
        while (session().Running())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    else
        session().Wait();
}

bool pellucor::IsRunning() { return session().Running(); }

UploadWindowModel& pellucor::uploadWindow()
{
    if (!upload_) {
        uploadClient_ = std::make_unique<CurlClient>();
        passwords_ = std::make_unique<SecretServicePasswords>();
        upload_ = std::make_unique<UploadWindowModel>(*uploadClient_);
        upload_->passwords = passwords_.get();
    }
    return *upload_;
}

void pellucor::SetUploadServer(const std::string& server) { uploadWindow().txtFTPURL = Trim(server); }
void pellucor::SetUploadAccount(const std::string& name) { uploadWindow().txtAccount = Trim(name); }
void pellucor::SetUploadPassword(const std::string& password) { uploadWindow().txtPass = password; }
void pellucor::SetUploadRemoteDir(const std::string& dir) { uploadWindow().txtFTPPath = Trim(dir); }
void pellucor::SetUploadLocalDir(const std::string& dir) { uploadWindow().txtLocalDir = Tav_DirSlash(dir); }
void pellucor::SetUploadKeyFile(const std::string& path) { uploadKey_ = Trim(path); }
void pellucor::SetUploadCACert(const std::string& path) { uploadCa_ = Trim(path); }
void pellucor::SetUploadEndpoint(const std::string& url) { uploadEndpoint_ = Trim(url); }
std::string pellucor::GetUploadStatus() { return uploadWindow().txtStatus; }

bool pellucor::Upload(std::string& msg)
{
    Tav_SetUnattended(true);
    UploadWindowModel& ftp = uploadWindow();
    AppContext& a = app();
    if (ftp.Busy()) {
        msg = "An upload is already running";
        return false;
    }
    if (ftp.txtFTPURL.empty())
        ftp.txtFTPURL = a.prefs().Get("prfWebHost");
    if (ftp.txtAccount.empty())
        ftp.txtAccount = a.prefs().Get("prfWebAccount");
    if (ftp.txtLocalDir.empty())
        ftp.txtLocalDir = Trim(a.publishForm().TextWebDir);
    if (Trim(ftp.txtFTPURL).empty() || ftp.txtLocalDir.empty()) {
        msg = ftp.txtLocalDir.empty() ? "No directory to upload: publish for the web or call SetUploadLocalDir"
                                      : "No server to upload to: call SetUploadServer";
        return false;
    }
    CurlClient::Options options = UploadOptionsFrom(a.prefs().Snapshot());
    options.keyFile = uploadKey_;
    options.caFile = uploadCa_;
    if (!uploadEndpoint_.empty())
        options.s3Endpoint = uploadEndpoint_;
    uploadClient_->SetOptions(options);
    ftp.activate();
    std::string remote = Trim(ftp.txtFTPPath);
    if (remote.empty()) {
        if (!ftp.FtpLogin()) {
            msg = "Unable to Log In: " + ftp.LastCause();
            return false;
        }
        ftp.InetExecute("PWD");
        remote = ftp.txtData;
    }
    const bool ok = ftp.FtpUploadDirectory(ftp.txtLocalDir, remote);
    msg = ok ? std::string() : ftp.txtStatus;
    return ok;
}

namespace {

// Starts one of the windows' jobs unattended (start answers whether it
// could) and waits for its end, the events processed meanwhile: its
// outcome in msg.
template <typename Run, typename Start>
bool runJobToEnd(Run& run, const std::string& what, Start start, std::string& msg)
{
    if (!QCoreApplication::instance()) {
        // (appended: GCC 12 warns of a false overflow in what + "...")
        msg = what;
        msg += " needs a running event loop";
        return false;
    }
    if (!start(msg))
        return false;
    while (run.Busy())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    msg = run.Outcome();
    return run.Succeeded();
}

}  // namespace

bool pellucor::ExportVideo(const std::string& path, std::string& msg)
{
    LectureVideoRun& run = app().lectureVideo();
    return runJobToEnd(
        run, "Exporting the lecture video", [&](std::string& m) { return run.StartUnattended(path, m); }, msg);
}

bool pellucor::MakeCaptions(bool replace, std::string& msg)
{
    CaptionsRun& run = app().captions();
    return runJobToEnd(
        run, "Making captions", [&](std::string& m) { return run.StartUnattended(replace, m); }, msg);
}

bool pellucor::SyncSlides(bool replace, std::string& msg)
{
    SlideSyncRun& run = app().slideSync();
    return runJobToEnd(
        run, "Slide sync", [&](std::string& m) { return run.StartUnattended(replace, m); }, msg);
}

bool pellucor::cutPart(int part, PartCuts& found, std::string& err)
{
    const PublishRequest& r = session().request;
    return FindCutPart(Tav_DirSlash(r.TextMedia), r.TextName, part, found, err);
}

bool pellucor::SetCuts(int part, const std::string& text, std::string& msg)
{
    PartCuts p;
    if (!cutPart(part, p, msg))
        return false;
    if (!ParseCutList(text, p.length, p.cuts, msg)) {
        msg = "The cut list is not right: " + msg;
        return false;
    }
    if (!WriteCutList(p.recording, p.cuts, msg))
        return false;
    const size_t n = p.cuts.Stretches().size();
    msg = "Part " + std::to_string(part) + ": " + (n ? std::to_string(n) + (n == 1 ? " cut" : " cuts") : "no cuts")
        + ", students see " + CutTimeText(p.cuts.KeptLength(p.length)) + " of " + CutTimeText(p.length);
    return true;
}

bool pellucor::ClearCuts(int part, std::string& msg) { return SetCuts(part, "", msg); }

bool pellucor::Cuts(int part, std::string& text)
{
    PartCuts p;
    if (!cutPart(part, p, text) || !ReadPartCuts(p, text))
        return false;
    text = p.cuts.Empty() ? std::string() : CutListText(p.cuts, std::filesystem::path(p.recording).filename().string());
    return true;
}

}  // namespace pellucor

#include "moc_Pellucor.cpp"
