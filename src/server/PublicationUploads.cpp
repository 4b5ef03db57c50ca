#include "server/PublicationUploads.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/TavUtils.h"
#include "server/LectureClaim.h"
#include "upload/CurlClient.h"
#include "upload/UploadWindowModel.h"
#include "upload/SecretServicePasswords.h"
#include "upload/UploadPreferences.h"

namespace fs = std::filesystem;

namespace pellucor {

namespace {

const char kWaitingFolder[] = ".pellucor-uploads";

// The note of a folder to send: a file named for it, holding its path
// under the root (the name alone cannot hold a "/"). A server sending it
// renames the note to the name with "@HOST@PID" after it, so that two
// servers on one publish root never send one folder at once.
std::string noteName(const std::string& folder)
{
    std::string name;
    for (char c : folder)
        name += c == '/' ? std::string("%2F") : c == '%' ? std::string("%25") : c == '@' ? std::string("%40")
                                                                                  : std::string(1, c);
    return name;
}

fs::path notesOf(const std::string& root) { return fs::path(root) / kWaitingFolder; }

std::string ownSuffix()
{
    const ClaimOwner& self = ClaimOwner::Self();
    return "@" + self.host + "@" + std::to_string(self.pid);
}

// Whether a note so named may be taken by this server: nobody sends it, or
// a server of this host that is gone did.
bool mayTake(const std::string& name)
{
    const size_t at = name.find('@');
    if (at == std::string::npos)
        return true;
    const size_t pidAt = name.rfind('@');
    if (pidAt == at || name.substr(at + 1, pidAt - at - 1) != ClaimOwner::Self().host)
        return false;
    const long pid = std::atol(name.c_str() + pidAt + 1);
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

struct Note {
    fs::file_time_type written;
    std::string file;    // its name in the notes folder
    std::string folder;  // what to send
};

// The notes under root that this server may take, oldest first.
std::vector<Note> takeable(const std::string& root)
{
    std::vector<Note> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(notesOf(root), ec)) {
        const std::string file = entry.path().filename().string();
        std::ifstream in(entry.path());
        std::string folder;
        if (mayTake(file) && std::getline(in, folder) && !folder.empty())
            found.push_back({entry.last_write_time(ec), file, folder});
    }
    std::sort(found.begin(), found.end(), [](const Note& a, const Note& b) { return a.written < b.written; });
    return found;
}

// Sends local to remote (under the host's own folder) as the upload window
// would, unattended: the outcome, and the last status in status.
bool send(const PreferenceSnapshot& prefs, const std::string& local, const std::string& remote, std::string& status)
{
    const std::string host = Trim(PreferenceStore::ValueIn(prefs, "prfsrvUploadHost"));
    const std::string account = Trim(PreferenceStore::ValueIn(prefs, "prfsrvUploadAccount"));
    CurlClient client;
    client.SetOptions(UploadOptionsFrom(prefs));
    UploadWindowModel ftp(client);
    ftp.ProcessEvents = nullptr;  // no window to keep alive on this thread
    ftp.txtFTPURL = host;
    ftp.txtAccount = account;
    if (RemoteProtocolOf(host) != RemoteProtocol::S3)
        ftp.txtPass = UnattendedPassword(host, account);
    ftp.withSubfolders = true;
    ftp.activate();
    const bool ok = ftp.FtpUploadDirectory(local, remote);
    status = ftp.txtStatus;
    ftp.closeWindow();
    return ok;
}

}  // namespace

PublicationUploads::PublicationUploads(std::function<PreferenceSnapshot()> prefs,
                                       std::function<void(const std::string&)> log, QObject* parent)
    : QObject(parent), prefs_(std::move(prefs)), log_(std::move(log))
{
}

PublicationUploads::~PublicationUploads()
{
    if (worker_.joinable())
        worker_.join();
}

bool PublicationUploads::Wanted() const
{
    return !Trim(PreferenceStore::ValueIn(prefs_(), "prfsrvUploadHost")).empty();
}

void PublicationUploads::Add(const std::string& root, const std::string& pubDir)
{
    if (!Wanted())
        return;
    std::error_code ec;
    const std::string folder = fs::path(pubDir).lexically_relative(root).lexically_normal().generic_string();
    if (folder.empty() || folder == "." || StartsWith(folder, "..")) {
        log_("Upload failed - " + pubDir + " is not under " + root);
        return;
    }
    const std::string folderName = folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
    const fs::path note = notesOf(root) / noteName(folderName);
    fs::create_directories(note.parent_path(), ec);
    std::ofstream out(note, std::ios::trunc);
    out << folderName << '\n';
    out.close();
    if (!out)
        log_("Error - cannot note " + folderName + " for upload in " + note.parent_path().string());
    Resume(root);
}

void PublicationUploads::Resume(const std::string& root)
{
    if (running_ || !Wanted())
        return;
    if (worker_.joinable())
        worker_.join();
    // The first note this server can rename to its own: another server may
    // take one between the listing and the rename.
    std::string folder, taken;
    for (const Note& note : takeable(root)) {
        if (!retryFailed && failed_.count(note.folder))
            continue;
        const std::string own = noteName(note.folder) + ownSuffix();
        if (::rename((notesOf(root) / note.file).c_str(), (notesOf(root) / own).c_str()) == 0) {
            folder = note.folder;
            taken = own;
            break;
        }
    }
    if (folder.empty())
        return;
    const PreferenceSnapshot prefs = prefs_();
    log_("Uploading " + folder + " to " + PreferenceStore::ValueIn(prefs, "prfsrvUploadHost"));
    running_ = true;
    worker_ = std::thread([this, root, folder, taken, prefs] {
        std::string status;
        const bool ok = send(prefs, Tav_DirSlash(root) + folder, folder, status);
        QMetaObject::invokeMethod(
            this, [this, root, folder, taken, ok, status] { finished(root, folder, taken, ok, status); },
            Qt::QueuedConnection);
    });
}

void PublicationUploads::finished(const std::string& root, const std::string& folder, const std::string& taken,
                                  bool ok, const std::string& status)
{
    if (worker_.joinable())
        worker_.join();
    running_ = false;
    const fs::path note = notesOf(root) / taken;
    std::error_code ec;
    if (ok) {
        failed_.erase(folder);
        log_("Uploaded " + folder + " - " + status);
        fs::remove(note, ec);
    } else {
        failed_.insert(folder);
        log_("Upload failed - " + folder + " - " + status + (retryFailed ? " (tried again at the next check)" : ""));
        // Published again meanwhile: the newer note stands.
        if (fs::exists(notesOf(root) / noteName(folder), ec))
            fs::remove(note, ec);
        else
            fs::rename(note, notesOf(root) / noteName(folder), ec);
    }
    emit uploaded(ok);
    if (ok)
        Resume(root);
}

}  // namespace pellucor
