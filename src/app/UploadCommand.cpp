// pellucor upload: send every file of a local directory to an FTP server.
#include "app/Commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "core/TavUtils.h"
#include "upload/CurlFtpClient.h"
#include "upload/FtpWindowModel.h"

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
}  // namespace

int RunUploadCommand(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Upload every file of a local directory to an FTP server.\n"
        "The password is read from --password-file or from $PELLUCOR_FTP_PASSWORD.");
    parser.addHelpOption();
    parser.addPositionalArgument("local", "Local directory whose files are uploaded.");
    QCommandLineOption hostOpt("host", "Server: host name, or a full ftp://, ftps:// or ftpes:// address.",
                               "host");
    QCommandLineOption userOpt("user", "Account name (default: anonymous).", "user");
    QCommandLineOption passFileOpt("password-file", "File whose first line is the password.", "file");
    QCommandLineOption remoteOpt("remote", "Remote directory (created when missing; default: the login directory).",
                                 "dir");
    QCommandLineOption quietOpt("quiet", "Print only the final status.");
    QCommandLineOption caOpt("cacert",
                             "Certificates (PEM) that a TLS server's certificate must be signed by (default: the "
                             "system's).",
                             "file");
    parser.addOptions({hostOpt, userOpt, passFileOpt, remoteOpt, quietOpt, caOpt});
    parser.process(app);
    if (parser.positionalArguments().size() != 1 || !parser.isSet(hostOpt)) {
        std::cerr << "pellucor upload: give one local directory and --host\n";
        return 2;
    }
    std::string password;
    if (parser.isSet(passFileOpt)) {
        if (!readPasswordFile(parser.value(passFileOpt).toStdString(), password)) {
            std::cerr << "pellucor upload: cannot read the password file\n";
            return 2;
        }
    } else if (const char* env = std::getenv("PELLUCOR_FTP_PASSWORD")) {
        password = env;
    }

    CurlFtpClient inet;
    if (parser.isSet(caOpt))
        inet.SetCaFile(CommandLinePath(parser.value(caOpt)));
    FtpWindowModel ftp(inet);
    ftp.txtFTPURL = parser.value(hostOpt).toStdString();
    ftp.txtAccount = parser.value(userOpt).toStdString();
    ftp.txtPass = password;
    ftp.txtLocalDir = CommandLineDir(parser.positionalArguments().front());
    ftp.Form_Activate();

    const bool quiet = parser.isSet(quietOpt);
    std::string shown;
    QObject::connect(&ftp, &FtpWindowModel::changed, [&] {
        if (ftp.txtStatus != shown && !ftp.txtStatus.empty()) {
            shown = ftp.txtStatus;
            if (!quiet)
                std::cout << shown << std::endl;
        }
    });

    std::string remote = parser.value(remoteOpt).toStdString();
    if (remote.empty()) {
        if (!ftp.FtpLogin()) {
            std::cerr << "pellucor upload: Unable to Log In\n";
            return 1;
        }
        ftp.InetExecute("PWD");
        remote = ftp.txtData;
    }
    const bool ok = ftp.FtpUploadDirectory(ftp.txtLocalDir, remote);
    if (quiet)
        std::cout << ftp.txtStatus << std::endl;
    if (!ok)
        std::cerr << "pellucor upload: " << ftp.txtStatus << (ftp.lblInfo.empty() ? "" : " - " + ftp.lblInfo) << "\n";
    ftp.cmdClose_Click();
    return ok ? 0 : 1;
}

}  // namespace pellucor
