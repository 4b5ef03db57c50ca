// pellucor upload: send a local directory, its subfolders included, to a
// server by FTP, FTPS, SFTP or WebDAV.
#include "cli/Commands.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "core/CommandLine.h"
#include "core/TavUtils.h"
#include "upload/CurlClient.h"
#include "upload/FtpText.h"
#include "upload/FtpWindowModel.h"
#include "upload/SecretServicePasswords.h"
#include "upload/UploadPreferences.h"

namespace pellucor {

namespace {
// The first line of the file, without its line end.
bool readPasswordFile(const std::string& path, std::string& password)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::getline(in, password);
    while (!password.empty() && (password.back() == '\r' || password.back() == '\n'))
        password.pop_back();
    return true;
}

bool positive(const QString& text, long long& value)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value > 0;
}
}  // namespace

int RunUploadCommand(int argc, char** argv)
{
    CommandLine cl(
        argc, argv, "upload",
        "Upload a local directory, its subfolders included, to a server.\n"
        "The server is a host name (FTP) or an address: ftp://, ftpes:// (FTP with TLS), ftps:// (implicit TLS),\n"
        "sftp:// (SSH) or http:// and https:// (WebDAV). Each file is sent under a temporary name and renamed\n"
        "once complete. The password is read from --password-file, from $PELLUCOR_FTP_PASSWORD, or from the\n"
        "desktop's keyring where the upload window kept it; SFTP also logs in with the SSH agent, --key or\n"
        "~/.ssh/id_* (the password unlocks a key that has a passphrase), and checks the server's host key against\n"
        "~/.ssh/known_hosts.",
        {{"local", "Local directory to upload."}});
    QCommandLineParser& parser = cl.parser;
    QCommandLineOption hostOpt("host",
                               "Server: host name, or an ftp://, ftpes://, ftps://, sftp://, http:// or "
                               "https:// address.",
                               "server");
    QCommandLineOption userOpt("user", "Account name (default: anonymous for FTP, your name for SFTP).", "user");
    QCommandLineOption passFileOpt("password-file", "File whose first line is the password.", "file");
    QCommandLineOption remoteOpt("remote", "Remote directory (created when missing; default: the login directory).",
                                 "dir");
    QCommandLineOption quietOpt("quiet", "Print only the final status.");
    QCommandLineOption caOpt("cacert",
                             "Certificates (PEM) that a TLS server's certificate must be signed by (default: the "
                             "system's).",
                             "file");
    QCommandLineOption keyOpt("key", "SSH private key for SFTP (default: the agent and ~/.ssh/id_*).", "file");
    QCommandLineOption acceptOpt("accept-host-key",
                                 "Trust an SSH server not yet in ~/.ssh/known_hosts whose host key has this "
                                 "fingerprint (SHA256:..., as a refusal shows it); it is added there.",
                                 "fingerprint");
    QCommandLineOption connectionsOpt("connections", "Connections at once (default: the preference, 4).", "n");
    QCommandLineOption timeoutOpt("timeout",
                                  "Give a connection up after this many seconds without progress "
                                  "(default: the preference, 20).",
                                  "seconds");
    QCommandLineOption rateOpt("limit-rate", "Send at most this many bytes a second on each connection.", "bytes");
    parser.addOptions({hostOpt, userOpt, passFileOpt, remoteOpt, quietOpt, caOpt, keyOpt, acceptOpt, connectionsOpt,
                       timeoutOpt, rateOpt});
    cl.process();
    const auto usage = [&cl](const std::string& text) { return cl.usage(text); };
    if (cl.positional().size() != 1 || !parser.isSet(hostOpt))
        return usage("give one local directory and --host");

    CurlClient::Options options = UploadOptionsFrom(PreferenceStore().Read());
    long long n = 0;
    if (parser.isSet(connectionsOpt) && !(positive(parser.value(connectionsOpt), n) && n <= 16))
        return usage("--connections takes a number from 1 to 16");
    if (parser.isSet(connectionsOpt))
        options.connections = static_cast<int>(n);
    if (parser.isSet(timeoutOpt) && !positive(parser.value(timeoutOpt), n))
        return usage("--timeout takes a number of seconds");
    if (parser.isSet(timeoutOpt))
        options.stallSeconds = static_cast<int>(std::min(n, 3600LL));
    if (parser.isSet(rateOpt) && !positive(parser.value(rateOpt), n))
        return usage("--limit-rate takes a number of bytes a second");
    if (parser.isSet(rateOpt))
        options.maxSendRate = n;
    if (parser.isSet(caOpt))
        options.caFile = CommandLinePath(parser.value(caOpt));
    if (parser.isSet(keyOpt))
        options.keyFile = CommandLinePath(parser.value(keyOpt));
    options.acceptedHostKey = parser.value(acceptOpt).toStdString();

    const std::string server = parser.value(hostOpt).toStdString();
    const std::string user = parser.value(userOpt).toStdString();
    std::string password;
    if (parser.isSet(passFileOpt)) {
        if (!readPasswordFile(parser.value(passFileOpt).toStdString(), password))
            return usage("cannot read the password file");
    } else if (const char* env = std::getenv("PELLUCOR_FTP_PASSWORD")) {
        password = env;
    } else if (!user.empty()) {
        SecretServicePasswords keyring;
        password = keyring.Lookup(FtpServerUrl(server), user);
    }

    CurlClient inet;
    inet.SetOptions(options);
    FtpWindowModel ftp(inet);
    ftp.txtFTPURL = server;
    ftp.txtAccount = user;
    ftp.txtPass = password;
    ftp.txtLocalDir = CommandLineDir(cl.positional().front());
    ftp.Form_Activate();

    // Statuses on lines of their own, the files sent as a bar (a terminal)
    // or percent lines; the counting before the upload is not shown.
    const bool quiet = parser.isSet(quietOpt);
    ProgressPrinter progress = cl.progress("Uploading");
    std::string shown;
    QObject::connect(&ftp, &FtpWindowModel::changed, [&] {
        if (quiet)
            return;
        if (ftp.progressPercent >= 0)
            progress.Percent(ftp.progressPercent);
        if (ftp.txtStatus != shown && !ftp.txtStatus.empty() && !ftp.statusIsProgress
            && !StartsWith(ftp.txtStatus, "Preparing to upload")) {
            shown = ftp.txtStatus;
            progress.Status(shown);
        }
    });

    std::string remote = parser.value(remoteOpt).toStdString();
    if (remote.empty()) {
        if (!ftp.FtpLogin()) {
            cl.error("Unable to Log In: " + ftp.LastCause());
            return 1;
        }
        ftp.InetExecute("PWD");
        remote = ftp.txtData;
    }
    const bool ok = ftp.FtpUploadDirectory(ftp.txtLocalDir, remote);
    progress.Finish();
    if (quiet || shown != ftp.txtStatus)
        std::cout << ftp.txtStatus << std::endl;
    if (!ok)
        cl.error(ftp.txtStatus);
    ftp.cmdClose_Click();
    return ok ? 0 : 1;
}

}  // namespace pellucor
