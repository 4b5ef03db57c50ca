// pellucor upload: send a local directory, its subfolders included, to a
// server by FTP, FTPS, SFTP or WebDAV, or to S3 object storage.
#include "cli/Commands.h"

#include <fstream>
#include <iostream>

#include "core/CommandLine.h"
#include "core/TavUtils.h"
#include "upload/CurlClient.h"
#include "upload/FtpText.h"
#include "upload/UploadWindowModel.h"
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

// The command's options beyond the local directory.
struct UploadOptions {
    const QCommandLineOption host {"host",
                                   "Server: host name, or an ftp://, ftpes://, ftps://, sftp://, http://, "
                                   "https:// or s3://BUCKET/PREFIX address.",
                                   "server"};
    const QCommandLineOption user {"user", "Account name (default: anonymous for FTP, your name for SFTP).", "user"};
    const QCommandLineOption passFile {"password-file", "File whose first line is the password.", "file"};
    const QCommandLineOption remote {"remote", "Remote directory (created when missing; default: the login directory).",
                                     "dir"};
    const QCommandLineOption quiet {"quiet", "Print only the final status."};
    const QCommandLineOption ca {"cacert",
                                 "Certificates (PEM) that a TLS server's certificate must be signed by (default: the "
                                 "system's).",
                                 "file"};
    const QCommandLineOption key {"key", "SSH private key for SFTP (default: the agent and ~/.ssh/id_*).", "file"};
    const QCommandLineOption accept {"accept-host-key",
                                     "Trust an SSH server not yet in ~/.ssh/known_hosts whose host key has this "
                                     "fingerprint (SHA256:..., as a refusal shows it); it is added there.",
                                     "fingerprint"};
    const QCommandLineOption connections {"connections", "Connections at once (default: the preference, 4).", "n"};
    const QCommandLineOption timeout {"timeout",
                                      "Give a connection up after this many seconds without progress "
                                      "(default: the preference, 20).",
                                      "seconds"};
    const QCommandLineOption rate {"limit-rate", "Send at most this many bytes a second on each connection.", "bytes"};
    const QCommandLineOption endpoint {"endpoint",
                                       "S3: the address serving the bucket, https://HOST[:PORT] (default: the "
                                       "preference, else AWS's for the region).",
                                       "url"};
    const QCommandLineOption region {"region", "S3: the region (default: the preference, $AWS_REGION, us-east-1).",
                                     "region"};
    const QCommandLineOption profile {"profile", "S3: the profile of ~/.aws/credentials holding the keys.", "name"};

    void AddTo(QCommandLineParser& parser) const
    {
        for (const auto* o : {&host, &user, &passFile, &remote, &quiet, &ca, &key, &accept, &connections, &timeout,
                              &rate, &endpoint, &region, &profile})
            parser.addOption(*o);
    }

    // S3: refuses keys on the command line; the endpoint, region and
    // profile given override the preferences'. The problem, "" when none.
    std::string ReadS3(const QCommandLineParser& parser, CurlClient::Options& options) const
    {
        if (parser.isSet(user) || parser.isSet(passFile))
            return "S3 keys are read from AWS_ACCESS_KEY_ID and AWS_SECRET_ACCESS_KEY or ~/.aws/credentials "
                   "(--profile), not from --user or --password-file";
        if (parser.isSet(endpoint))
            options.s3Endpoint = parser.value(endpoint).toStdString();
        if (parser.isSet(region))
            options.s3Region = parser.value(region).toStdString();
        if (parser.isSet(profile))
            options.s3Profile = parser.value(profile).toStdString();
        return "";
    }

    // The connection's options: the preferences, then the command line's;
    // the usage problem, "" when there is none.
    std::string Read(const QCommandLineParser& parser, CurlClient::Options& options) const
    {
        options = UploadOptionsFrom(PreferenceStore().Read());
        long long n = 0;
        if (parser.isSet(connections) && !(positive(parser.value(connections), n) && n <= 16))
            return "--connections takes a number from 1 to 16";
        if (parser.isSet(connections))
            options.connections = static_cast<int>(n);
        if (parser.isSet(timeout) && !positive(parser.value(timeout), n))
            return "--timeout takes a number of seconds";
        if (parser.isSet(timeout))
            options.stallSeconds = static_cast<int>(std::min(n, 3600LL));
        if (parser.isSet(rate) && !positive(parser.value(rate), n))
            return "--limit-rate takes a number of bytes a second";
        if (parser.isSet(rate))
            options.maxSendRate = n;
        if (parser.isSet(ca))
            options.caFile = CommandLinePath(parser.value(ca));
        if (parser.isSet(key))
            options.keyFile = CommandLinePath(parser.value(key));
        options.acceptedHostKey = parser.value(accept).toStdString();
        return "";
    }

    // The password: the file's, the environment's, or the keyring's for
    // the server and user; false when the file cannot be read.
    bool Password(const QCommandLineParser& parser, const std::string& server, const std::string& account,
                  std::string& password) const
    {
        if (parser.isSet(passFile))
            return readPasswordFile(parser.value(passFile).toStdString(), password);
        password = UnattendedPassword(server, account);
        return true;
    }
};

// Statuses on lines of their own, the files sent as a bar (a terminal) or
// percent lines; the counting before the upload is not shown. shown: the
// status printed last.
void printProgress(UploadWindowModel& ftp, ProgressPrinter& progress, std::string& shown)
{
    QObject::connect(&ftp, &UploadWindowModel::changed, [&] {
        if (ftp.progressPercent >= 0)
            progress.Percent(ftp.progressPercent);
        if (ftp.txtStatus != shown && !ftp.txtStatus.empty() && !ftp.statusIsProgress
            && !StartsWith(ftp.txtStatus, "Preparing to upload")) {
            shown = ftp.txtStatus;
            progress.Status(shown);
        }
    });
}
// How to trust a server whose SSH host key is not known yet, from here.
void hostKeyHint(const CommandLine& cl, const UploadWindowModel& ftp)
{
    if (const std::string key = ftp.UnknownHostKey(); !key.empty())
        cl.error("If that is the server's key, accept it with --accept-host-key " + key);
}

}  // namespace

int RunUploadCommand(int argc, char** argv)
{
    CommandLine cl(
        argc, argv, "upload",
        "Upload a local directory, its subfolders included, to a server.\n"
        "The server is a host name (FTP) or an address: ftp://, ftpes:// (FTP with TLS), ftps:// (implicit TLS),\n"
        "sftp:// (SSH) or http:// and https:// (WebDAV). Each file is sent under a temporary name and renamed\n"
        "once complete. s3://BUCKET/PREFIX uploads to S3 object storage at --endpoint with the keys of\n"
        "$AWS_ACCESS_KEY_ID and $AWS_SECRET_ACCESS_KEY or of a profile in ~/.aws/credentials; each upload goes\n"
        "into a new version folder under PREFIX, the pages at PREFIX lead into it once it is complete, and the\n"
        "version before is then deleted. The password is read from --password-file, from $PELLUCOR_FTP_PASSWORD, or "
        "from the\n"
        "desktop's keyring where the upload window kept it; SFTP also logs in with the SSH agent, --key or\n"
        "~/.ssh/id_* (the password unlocks a key that has a passphrase), and checks the server's host key against\n"
        "~/.ssh/known_hosts.",
        {{"local", "Local directory to upload."}});
    QCommandLineParser& parser = cl.parser;
    const UploadOptions o;
    o.AddTo(parser);
    cl.process();
    if (cl.positional().size() != 1 || !parser.isSet(o.host))
        return cl.usage("give one local directory and --host");
    CurlClient::Options options;
    if (const std::string problem = o.Read(parser, options); !problem.empty())
        return cl.usage(problem);
    const std::string server = parser.value(o.host).toStdString();
    const std::string user = parser.value(o.user).toStdString();
    std::string password;
    if (RemoteProtocolOf(server) == RemoteProtocol::S3) {
        if (const std::string problem = o.ReadS3(parser, options); !problem.empty())
            return cl.usage(problem);
    } else if (!o.Password(parser, server, user, password)) {
        return cl.usage("cannot read the password file");
    }

    CurlClient inet;
    inet.SetOptions(options);
    UploadWindowModel ftp(inet);
    ftp.txtFTPURL = server;
    ftp.txtAccount = user;
    ftp.txtPass = password;
    ftp.txtLocalDir = CommandLineDir(cl.positional().front());
    ftp.activate();
    const bool quiet = parser.isSet(o.quiet);
    ProgressPrinter progress = cl.progress("Uploading");
    std::string shown;
    if (!quiet)
        printProgress(ftp, progress, shown);

    std::string remote = parser.value(o.remote).toStdString();
    if (remote.empty()) {
        if (!ftp.FtpLogin()) {
            cl.error("Unable to Log In: " + ftp.LastCause());
            hostKeyHint(cl, ftp);
            return 1;
        }
        ftp.InetExecute("PWD");
        remote = ftp.txtData;
    }
    const bool ok = ftp.FtpUploadDirectory(ftp.txtLocalDir, remote);
    progress.Finish();
    if (quiet || shown != ftp.txtStatus)
        std::cout << ftp.txtStatus << std::endl;
    if (!ok) {
        cl.error(ftp.txtStatus);
        hostKeyHint(cl, ftp);
    }
    ftp.closeWindow();
    return ok ? 0 : 1;
}

}  // namespace pellucor
