#include "upload/UploadWindowModel.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include <chrono>

#include "core/TavUtils.h"
#include "upload/FtpText.h"

namespace pellucor {

namespace {
std::string filesText(size_t count, int64_t bytes) { return std::to_string(count) + " Files/" + Tav_SizeText(bytes); }
}  // namespace

const std::vector<UploadWindowModel::ProtocolChoice>& UploadWindowModel::Protocols()
{
    static const std::vector<ProtocolChoice> choices = {
        {RemoteProtocol::Ftp, "FTP"},
        {RemoteProtocol::Ftpes, "FTP with TLS (FTPES)"},
        {RemoteProtocol::Ftps, "FTP over implicit TLS (FTPS)"},
        {RemoteProtocol::Sftp, "SFTP (SSH)"},
        {RemoteProtocol::Davs, "WebDAV over HTTPS"},
        {RemoteProtocol::Dav, "WebDAV over HTTP"},
        {RemoteProtocol::S3, "S3 object storage"},
    };
    return choices;
}

UploadWindowModel::UploadWindowModel(UploadClient& inet, QObject* parent) : QObject(parent), inet_(inet)
{
    ProcessEvents = [] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    };
    inet_.SetStateHandler([this](int state) { onState(state); });
}

UploadWindowModel::~UploadWindowModel() { inet_.SetStateHandler(nullptr); }

void UploadWindowModel::pump()
{
    if (ProcessEvents)
        ProcessEvents();
}

void UploadWindowModel::showStatus(const std::string& text)
{
    txtStatus = text;
    statusIsProgress = false;
    emit changed();
    pump();
}

std::string UploadWindowModel::withCause(const std::string& status) const
{
    return lastCause_.empty() ? status : status + ": " + lastCause_;
}

int UploadWindowModel::ProtocolIndex() const
{
    const RemoteProtocol p = RemoteProtocolOf(txtFTPURL);
    for (size_t i = 0; i < Protocols().size(); ++i)
        if (Protocols()[i].protocol == p)
            return static_cast<int>(i);
    return 0;
}

bool UploadWindowModel::IsS3() const { return RemoteProtocolOf(txtFTPURL) == RemoteProtocol::S3; }

void UploadWindowModel::protocolChosen(int index)
{
    if (busy_ || index < 0 || index >= static_cast<int>(Protocols().size()) || index == ProtocolIndex())
        return;
    txtFTPURL = RemoteWithProtocol(txtFTPURL, Protocols()[index].protocol);
    // Another server: the next command logs in again.
    loggedIn_ = false;
    inet_.Cancel();
    FtpSetControls();
}

bool UploadWindowModel::waitForCommand()
{
    busy_ = true;
    while (inet_.StillExecuting() || !done_) {
        inet_.DeliverStateChanges(20);
        pump();
    }
    busy_ = false;
    return !error_;
}

bool UploadWindowModel::InetExecute(const std::string& command)
{
    if (busy_) {
        // The waiting loop lets clicks through; a second command must not
        // start while one runs.
        Tav_DebugLog("InetExecute refused, a command is in progress: " + command);
        return false;
    }
    error_ = false;
    done_ = false;
    Tav_DebugLog("InetExecute " + command);
    lblCmd = command;
    emit changed();
    const std::string verb = Lower(command.substr(0, 3));
    inet_.SetRequestTimeout(verb == "put" || verb == "get" ? 0 : 120);
    if (Trim(command).empty())
        return false;
    std::string err;
    if (!inet_.Execute(command, err)) {
        Tav_DebugLog(err + " Inet1.Execute got an error...");
        lblInfo = lastCause_ = err;
        emit changed();
        return false;
    }
    const bool ok = waitForCommand();
    Tav_DebugLog("Response " + std::to_string(inet_.ResponseCode()) + " " + inet_.ResponseInfo());
    return ok;
}

void UploadWindowModel::onState(int state)
{
    lblCode = std::to_string(inet_.ResponseCode());
    const std::string info = inet_.ResponseInfo();
    if (!info.empty())
        lblInfo = info;
    lblState = std::to_string(state);
    if (state == FtpStateError) {
        lastCause_ = inet_.LastCause();
        error_ = true;
        done_ = true;
    } else if (state == FtpStateResponseCompleted) {
        lastCause_.clear();
        std::string reply;
        for (std::string piece = inet_.GetChunk(1024); !piece.empty(); piece = inet_.GetChunk(1024))
            reply += piece;
        txtData = reply;
        lstBox.clear();
        lstBoxIndex = -1;
        size_t from = 0;
        while (from <= reply.size()) {
            const size_t end = reply.find_first_of("\r\n", from);
            const std::string line = reply.substr(from, end == std::string::npos ? std::string::npos : end - from);
            if (!line.empty())
                lstBox.push_back(line);
            if (end == std::string::npos)
                break;
            from = end + 1;
        }
        done_ = true;
    }
    emit changed();
}

bool UploadWindowModel::FtpExecuteOnPath(const std::string& verb, const std::string& path)
{
    std::string p = Tav_DirSlash(path);
    if (p.size() > 1)  // the root stays "/"
        p.pop_back();
    return InetExecute(Upper(verb) + " " + FtpQuote(p));
}

bool UploadWindowModel::loginOnce()
{
    const std::string url = FtpServerUrl(txtFTPURL);
    inet_.SetURL(url);
    inet_.SetUserName(txtAccount);
    inet_.SetPassword(txtPass);
    inet_.SetS3Endpoint(Trim(txtEndpoint));
    Tav_DebugLog("FtpLogin " + FtpRedactUrl(url) + " as " + txtAccount);
    return InetExecute("PWD");
}

bool UploadWindowModel::FtpLogin()
{
    if (loggedIn_)
        return true;
    loggedIn_ = loginOnce();
    // An SSH server not met before: its key is trusted only when the user
    // says so, never unattended.
    if (!loggedIn_ && !UnknownHostKey().empty() && ConfirmHostKey && !Unattended()
        && ConfirmHostKey(lastCause_ + ".\n\nAccept it only if it is the server's key: its administrator can "
                                       "tell you the fingerprint.")) {
        inet_.AcceptHostKey(inet_.HostKeyFingerprint());
        loggedIn_ = loginOnce();
    }
    if (loggedIn_)
        rememberPassword();
    else
        Tav_Message("Unable to login");
    FtpSetControls();
    return loggedIn_;
}

std::string UploadWindowModel::UnknownHostKey() const
{
    return !loggedIn_ && inet_.LastFailure() == RemoteFailure::HostKey
            && lastCause_.find("MISMATCH") == std::string::npos
        ? inet_.HostKeyFingerprint()
        : std::string();
}

void UploadWindowModel::rememberPassword()
{
    if (!passwords || !chkRememberEnabled)
        return;
    const std::string server = FtpServerUrl(txtFTPURL);
    if (!chkRemember) {
        passwords->Forget(server, txtAccount);
        return;
    }
    std::string error;
    if (!txtPass.empty() && !passwords->Store(server, txtAccount, txtPass, error))
        Tav_DebugLog(error);
}

void UploadWindowModel::FtpSetControls()
{
    cmdCDEnabled = cmdMkDirEnabled = cmdMputEnabled = loggedIn_;
    txtAccountEnabled = txtPassEnabled = !loggedIn_;
    txtEndpointEnabled = !loggedIn_;
    emit changed();
}

void UploadWindowModel::browse() { refresh(true); }

void UploadWindowModel::refresh(bool followTyped)
{
    if (busy_)
        return;
    if (!loggedIn_) {
        showStatus("Logging in ...");
        if (!FtpLogin()) {
            showStatus(withCause("Unable to Log In"));
            return;
        }
    }
    showStatus("Checking the current directory name and contents...");
    // A directory the user typed is entered first, and kept when it is not
    // there yet (Upload offers to create it).
    const std::string typed = Trim(txtFTPPath);
    if (followTyped && !typed.empty() && typed != shownPath_ && !FtpExecuteOnPath("CD", typed)) {
        if (inet_.LastFailure() == RemoteFailure::NotFound) {
            lstBox.clear();
            showStatus("Not on the server yet: " + typed + " (Upload offers to create it)");
        } else {
            showStatus(withCause("Unable to open " + typed));
        }
        return;
    }
    if (InetExecute("PWD")) {
        txtFTPPath = shownPath_ = txtData;
        emit changed();
    }
    if (!InetExecute("DIR")) {
        showStatus(withCause("Unable to list " + txtFTPPath));
        return;
    }
    showStatus("Directory listed.");
}

std::string UploadWindowModel::askDirectory(const std::string& title, const std::string& cancelled)
{
    if (busy_ || !loggedIn_)
        return "";
    const std::string dir = InputBox ? Trim(InputBox(title, "Enter New Directory")) : std::string();
    if (dir.empty())
        showStatus(cancelled);
    return dir;
}

void UploadWindowModel::changeDirectory()
{
    const std::string dir = askDirectory("Changing Directory", "Change Directory Cancelled");
    if (dir.empty())
        return;
    if (FtpExecuteOnPath("CD", dir))
        refresh(false);
    else
        showStatus(withCause("Unable to open " + dir));
}

void UploadWindowModel::makeDirectory()
{
    const std::string dir = askDirectory("Creating Directory", "Make Directory Cancelled");
    if (dir.empty())
        return;
    if (FtpExecuteOnPath("mkdir", dir) && FtpExecuteOnPath("cd", dir))
        refresh(false);
    else
        showStatus(withCause("Unable to create directory: " + dir));
}

void UploadWindowModel::openSelected()
{
    if (busy_ || !loggedIn_ || lstBoxIndex < 0 || lstBoxIndex >= static_cast<int>(lstBox.size()))
        return;
    const std::string item = lstBox[lstBoxIndex];
    if (!EndsWith(item, "/"))
        return;
    if (FtpExecuteOnPath("CD", item.substr(0, item.size() - 1)))
        refresh(false);
}

void UploadWindowModel::uploadFolder()
{
    if (busy_)
        return;
    if (!FtpUploadDirectory(txtLocalDir, Trim(txtFTPPath)) || closed_)
        return;  // the failure and its cause stay on show
    // The listing of the directory now holding the upload; the status keeps
    // saying that it is complete.
    const std::string complete = txtStatus;
    shownPath_ = Trim(txtFTPPath);
    refresh(false);
    if (txtStatus == "Directory listed.")
        showStatus(complete);
}

bool UploadWindowModel::FtpUploadDirectory(const std::string& local, const std::string& remote)
{
    if (busy_)
        return false;
    // A missing local directory would otherwise look like an empty one and
    // end in "Upload Complete".
    UploadPlan plan;
    std::string error;
    if (!plan.Collect(local, error)) {
        showStatus(error);
        return false;
    }
    std::string leftOut;
    if (!withSubfolders)
        for (const auto& name : plan.DropFolders())
            leftOut += (leftOut.empty() ? " (folders not uploaded: " : ", ") + name;
    if (!leftOut.empty())
        leftOut += ")";
    if (!loggedIn_ && !FtpLogin()) {
        showStatus(withCause("Unable to Log In"));
        return false;
    }
    if (!enterRemote(remote))
        return false;
    InetExecute("DIR");
    countFiles(plan);
    if (closed_ || !sendAll(plan, local, remote))
        return false;
    if (InetExecute("DIR"))
        showStatus("Upload Complete " + filesText(plan.files.size(), plan.TotalBytes()) + leftOut);
    return true;
}

// Goes into the remote directory, offering to create it where the server
// says it is not there; a lost connection or a refusal is a failure.
bool UploadWindowModel::enterRemote(const std::string& remote)
{
    if (FtpExecuteOnPath("CD", remote))
        return true;
    if (closed_)
        return false;
    if (inet_.LastFailure() != RemoteFailure::NotFound) {
        showStatus(withCause("Upload Failure - Upload not Complete"));
        return false;
    }
    if (Tav_AskOkCancel("OK to Create " + remote + " on Server") != TavOK) {
        showStatus("Not Created: " + remote);
        return false;
    }
    std::string created;
    if (!MakeRemoteDirectory(remote, created)) {
        showStatus(withCause("Unable to create directory: " + remote));
        return false;
    }
    showStatus("Created: " + remote);
    if (!FtpExecuteOnPath("CD", created)) {
        showStatus(withCause("Not Created: " + remote));
        return false;
    }
    return true;
}

// The files to send, counted one by one on the status line.
void UploadWindowModel::countFiles(const UploadPlan& plan)
{
    int64_t counted = 0;
    for (size_t i = 0; i < plan.files.size(); ++i) {
        counted += plan.files[i].size;
        showStatus("Preparing to upload " + filesText(i + 1, counted) + " " + plan.files[i].local);
    }
    showStatus(filesText(plan.files.size(), plan.TotalBytes()));
}

// Everything in one go, over several connections; the status follows it.
bool UploadWindowModel::sendAll(UploadPlan& plan, const std::string& local, const std::string& remote)
{
    const int64_t total = plan.TotalBytes();
    const size_t count = plan.files.size();
    plan.remoteDir = ".";
    error_ = done_ = false;
    lblCmd = "UPLOAD " + std::to_string(count) + " files";
    emit changed();
    inet_.SetRequestTimeout(0);
    Tav_DebugLog("Upload of " + local + " to " + remote + ": " + filesText(count, total));
    std::string error;
    if (!inet_.ExecuteUpload(plan, error)) {
        lblInfo = lastCause_ = error;
        showStatus(withCause("Upload Failure - Upload not Complete"));
        return false;
    }
    UploadProgress shown {static_cast<size_t>(-1), -1};
    auto lastShown = std::chrono::steady_clock::now();
    progressPercent = 0;
    const auto show = [&](bool force) {
        const UploadProgress p = inet_.Progress();
        const auto now = std::chrono::steady_clock::now();
        if (p.files == shown.files && p.bytes == shown.bytes)
            return;
        if (!force && p.files == shown.files && now - lastShown < std::chrono::milliseconds(200))
            return;
        shown = p;
        lastShown = now;
        progressPercent = total > 0 ? static_cast<int>(p.bytes * 100 / total)
                                    : (count ? static_cast<int>(p.files * 100 / count) : 100);
        txtStatus = std::to_string(p.files) + " of " + filesText(count, p.bytes) + " of " + Tav_SizeText(total);
        statusIsProgress = true;
        emit changed();
    };
    busy_ = true;
    while (inet_.StillExecuting() || !done_) {
        inet_.DeliverStateChanges(20);
        show(false);
        pump();
    }
    busy_ = false;
    show(true);
    progressPercent = -1;
    if (error_) {
        Tav_DebugLog("Upload failed: " + lastCause_);
        showStatus(withCause("Upload Failure - Upload not Complete"));
        return false;
    }
    return true;
}

bool UploadWindowModel::MakeRemoteDirectory(const std::string& remote, std::string& made)
{
    // Levels are named from the root, so that entering one does not change
    // what the next one means.
    std::string base = "/";
    if (remote.empty() || remote[0] != '/') {
        if (!InetExecute("PWD"))
            return false;
        base = Trim(txtData);
    }
    made = FtpResolvePath(base, remote);
    if (closed_)
        return false;
    // Mostly only the last level is missing: one command makes it.
    if (FtpExecuteOnPath("MKDIR", made))
        return true;
    // Otherwise each level in turn (the failure above is only logged):
    // "/a/b/c": "/a", then "/a/b", then "/a/b/c".
    for (size_t end = 1; end <= made.size(); ++end) {
        if (end < made.size() && made[end] != '/')
            continue;
        const std::string level = made.substr(0, end);
        if (closed_)
            return false;
        if (level.size() > 1 && level.back() != '/' && !FtpExecuteOnPath("CD", level)
            && (inet_.LastFailure() != RemoteFailure::NotFound || !FtpExecuteOnPath("MKDIR", level)))
            return false;
    }
    return true;
}

void UploadWindowModel::closeWindow()
{
    // A second click on Close arrives while this one processes events.
    if (closing_)
        return;
    closing_ = true;
    const auto done = qScopeGuard([this] { closing_ = false; });
    if (inet_.StillExecuting()) {
        // Only a Yes cancels: No and Cancel keep the window and its command.
        if (Tav_AskYesNoCancel("Operation in progress - OK to cancel (may take up to 15 seconds)?") != TavYes)
            return;
        for (int i = 0; i < 3; ++i) {
            inet_.Cancel();
            pump();
        }
    } else {
        inet_.Cancel();  // drops the idle connection
    }
    closed_ = true;
    loggedIn_ = false;
    FtpSetControls();
    emit closeRequested();
}

void UploadWindowModel::activate()
{
    closed_ = false;
    txtStatus.clear();
    txtData.clear();
    lblState.clear();
    lblCode.clear();
    lblInfo.clear();
    chkRememberEnabled = passwords && passwords->Available();
    if (chkRememberEnabled && txtPass.empty() && !Trim(txtFTPURL).empty()) {
        txtPass = passwords->Lookup(FtpServerUrl(txtFTPURL), txtAccount);
        chkRemember = !txtPass.empty();
    }
    FtpSetControls();
}

}  // namespace pellucor

#include "moc_UploadWindowModel.cpp"
