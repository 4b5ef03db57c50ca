#include "upload/FtpWindowModel.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include "core/TavUtils.h"
#include "upload/FtpText.h"

namespace pellucor {

namespace {
std::string filesText(size_t count, int64_t bytes)
{
    return std::to_string(count) + " Files/" + Tav_SizeText(bytes);
}
}  // namespace

FtpWindowModel::FtpWindowModel(FtpClient& inet, QObject* parent) : QObject(parent), inet_(inet)
{
    ProcessEvents = [] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    };
    inet_.SetStateHandler([this](int state) { onState(state); });
}

FtpWindowModel::~FtpWindowModel() { inet_.SetStateHandler(nullptr); }

void FtpWindowModel::pump()
{
    if (ProcessEvents)
        ProcessEvents();
}

void FtpWindowModel::showStatus(const std::string& text)
{
    txtStatus = text;
    emit changed();
    pump();
}

bool FtpWindowModel::InetExecute(const std::string& command)
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
    const std::string verb = Tav_Lower(command.substr(0, 3));
    inet_.SetRequestTimeout(verb == "put" || verb == "get" ? 0 : 120);
    if (Tav_Trim(command).empty())
        return false;
    std::string err;
    if (!inet_.Execute(command, err)) {
        Tav_DebugLog(err + " Inet1.Execute got an error...");
        lblInfo = err;
        emit changed();
        return false;
    }
    busy_ = true;
    while (inet_.StillExecuting() || !done_) {
        inet_.DeliverStateChanges(20);
        pump();
    }
    busy_ = false;
    Tav_DebugLog("Response " + std::to_string(inet_.ResponseCode()) + " " + inet_.ResponseInfo());
    return !error_;
}

void FtpWindowModel::onState(int state)
{
    lblCode = std::to_string(inet_.ResponseCode());
    const std::string info = inet_.ResponseInfo();
    if (!info.empty())
        lblInfo = info;
    lblState = std::to_string(state);
    if (state == FtpStateError) {
        error_ = true;
        done_ = true;
    } else if (state == FtpStateResponseCompleted) {
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

bool FtpWindowModel::FtpExecuteOnPath(const std::string& verb, const std::string& path)
{
    std::string p = Tav_DirSlash(path);
    if (p.size() > 1)  // the root stays "/"
        p.pop_back();
    return InetExecute(Tav_Upper(verb) + " " + FtpQuote(p));
}

bool FtpWindowModel::FtpLogin()
{
    if (loggedIn_)
        return true;
    const std::string url = FtpServerUrl(txtFTPURL);
    inet_.SetURL(url);
    inet_.SetUserName(txtAccount);
    inet_.SetPassword(txtPass);
    Tav_DebugLog("FtpLogin " + FtpRedactUrl(url) + " as " + txtAccount);
    loggedIn_ = InetExecute("PWD");
    if (!loggedIn_)
        Tav_Message("Unable to login");
    FtpSetControls();
    return loggedIn_;
}

void FtpWindowModel::FtpSetControls()
{
    cmdCDEnabled = cmdMkDirEnabled = cmdMputEnabled = loggedIn_;
    txtAccountEnabled = txtPassEnabled = !loggedIn_;
    emit changed();
}

void FtpWindowModel::cmdBrowse_Click()
{
    if (busy_)
        return;
    if (!loggedIn_) {
        showStatus("Logging in ...");
        if (!FtpLogin()) {
            showStatus("Unable to Log In");
            return;
        }
    }
    showStatus("Checking the current directory name and contents...");
    if (InetExecute("PWD")) {
        txtFTPPath = txtData;
        emit changed();
    }
    InetExecute("DIR");
    showStatus("Directory listed.");
}

std::string FtpWindowModel::askDirectory(const std::string& title, const std::string& cancelled)
{
    if (busy_ || !loggedIn_)
        return "";
    const std::string dir = InputBox ? Tav_Trim(InputBox(title, "Enter New Directory")) : std::string();
    if (dir.empty())
        showStatus(cancelled);
    return dir;
}

void FtpWindowModel::cmdCD_Click()
{
    const std::string dir = askDirectory("Changing Directory", "Change Directory Cancelled");
    if (!dir.empty() && FtpExecuteOnPath("CD", dir))
        cmdBrowse_Click();
}

void FtpWindowModel::cmdMkdir_Click()
{
    const std::string dir = askDirectory("Creating Directory", "Make Directory Cancelled");
    if (!dir.empty() && FtpExecuteOnPath("mkdir", dir) && FtpExecuteOnPath("cd", dir))
        cmdBrowse_Click();
}

void FtpWindowModel::lstBox_DblClick()
{
    if (busy_ || !loggedIn_ || lstBoxIndex < 0 || lstBoxIndex >= static_cast<int>(lstBox.size()))
        return;
    const std::string item = lstBox[lstBoxIndex];
    if (!Tav_EndsWith(item, "/"))
        return;
    if (FtpExecuteOnPath("CD", item.substr(0, item.size() - 1)))
        cmdBrowse_Click();
}

void FtpWindowModel::cmdMput_Click()
{
    if (busy_)
        return;
    FtpUploadDirectory(txtLocalDir, Tav_Trim(txtFTPPath));
    if (!closed_)
        cmdBrowse_Click();
}

bool FtpWindowModel::FtpUploadDirectory(const std::string& local, const std::string& remote)
{
    if (busy_)
        return false;
    // A missing local directory would otherwise look like an empty one and
    // end in "Upload Complete".
    if (!Tav_ChkDir(local)) {
        showStatus("Local directory not found: " + local);
        return false;
    }
    if (!loggedIn_ && !FtpLogin()) {
        showStatus("Unable to Log In");
        return false;
    }
    if (!FtpExecuteOnPath("CD", remote)) {
        if (closed_)
            return false;
        if (Tav_AskOkCancel("OK to Create " + remote + " on Server") != TavOK) {
            showStatus("Not Created: " + remote);
            return false;
        }
        std::string created;
        if (!MakeRemoteDirectory(remote, created)) {
            showStatus("Unable to create directory: " + remote);
            return false;
        }
        showStatus("Created: " + remote);
        if (!FtpExecuteOnPath("CD", created)) {
            showStatus("Not Created: " + remote);
            return false;
        }
    }
    InetExecute("DIR");

    const std::vector<std::string> names = Tav_ListFiles(local, "*.*");
    std::vector<int64_t> sizes;
    int64_t total = 0;
    for (const auto& name : names) {
        const std::string path = Tav_Join(local, name);
        sizes.push_back(Tav_FileLen(path));
        total += sizes.back();
        showStatus("Preparing to upload " + filesText(sizes.size(), total) + " " + path);
    }
    showStatus(filesText(names.size(), total));

    int64_t sent = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string path = Tav_Join(local, names[i]);
        // Sent under a temporary name and renamed once complete, so a
        // transfer that breaks off leaves nothing under the final name.
        const std::string temp = FtpTemporaryName(names[i]);
        if (closed_ || !InetExecute("PUT " + FtpQuote(path) + " " + FtpQuote(temp)) ||
            !InetExecute("RENAME " + FtpQuote(temp) + " " + FtpQuote(names[i]))) {
            if (!closed_)
                InetExecute("DELETE " + FtpQuote(temp));
            showStatus("Upload Failure - Upload not Complete");
            return false;
        }
        sent += sizes[i];
        showStatus(std::to_string(i + 1) + " of " + filesText(names.size(), sent) + " of " + Tav_SizeText(total));
    }
    if (InetExecute("DIR"))
        showStatus("Upload Complete " + filesText(names.size(), total));
    return true;
}

std::string FtpTemporaryName(const std::string& name) { return "." + name + ".part"; }

bool FtpWindowModel::MakeRemoteDirectory(const std::string& remote, std::string& made)
{
    // Levels are named from the root, so that entering one does not change
    // what the next one means.
    std::string base = "/";
    if (remote.empty() || remote[0] != '/') {
        if (!InetExecute("PWD"))
            return false;
        base = Tav_Trim(txtData);
    }
    made = FtpResolvePath(base, remote);
    // "/a/b/c": "/a", then "/a/b", then "/a/b/c".
    for (size_t end = 1; end <= made.size(); ++end) {
        if (end < made.size() && made[end] != '/')
            continue;
        const std::string level = made.substr(0, end);
        if (closed_)
            return false;
        if (level.size() > 1 && level.back() != '/' && !FtpExecuteOnPath("CD", level) &&
            !FtpExecuteOnPath("MKDIR", level))
            return false;
    }
    return true;
}

void FtpWindowModel::cmdClose_Click()
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

void FtpWindowModel::Form_Activate()
{
    closed_ = false;
    txtStatus.clear();
    txtData.clear();
    lblState.clear();
    lblCode.clear();
    lblInfo.clear();
    FtpSetControls();
}

}  // namespace pellucor
