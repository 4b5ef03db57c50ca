// What an upload host sends back and the upload reads: FTP listings, an
// SFTP login's directory and statvfs figures, WebDAV's PROPFIND, S3's
// listings, errors and uploads; and what a user types as the server or
// keeps as S3 credentials.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "upload/FtpText.h"
#include "upload/RemoteAddress.h"
#include "upload/RemoteOps.h"
#include "upload/S3Credentials.h"
#include "upload/S3Text.h"

using namespace pellucor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)FtpListingNames(text);
    std::vector<std::string> words;
    std::string err;
    (void)FtpSplitCommand(text, words, err);
    (void)FreeBytes(text);
    (void)DavListingNames("/www/", text);
    S3Listing listing;
    (void)ParseS3Listing(text, listing);
    (void)S3ErrorText(text);
    (void)S3UploadId(text);
    (void)S3UnfinishedUploads(text);
    S3Credentials credentials;
    (void)S3CredentialsInFile(text, "default", credentials);
    RemoteLogin login;
    if (login.Parse(text.substr(0, 300), err) && login.protocol == RemoteProtocol::Sftp) {
        RemoteResult reply;
        reply.ok = true;
        reply.body = reply.reply = text;
        (void)RemoteOps(login).HomeOf(reply);
    }
    return 0;
}
