// Where an upload goes and how to reach it: the server text of the upload
// window or the command line turned into a protocol, a host, a port and a
// starting directory, plus everything a connection needs to log in (account,
// password, SSH key, certificates, the stall limit). A value shared by the
// one-command client and the multi-connection uploader.
#pragma once

#include <cstdint>
#include <string>

namespace pellucor {

enum class RemoteProtocol {
    Ftp,    // ftp://     plain FTP
    Ftpes,  // ftpes://   FTP with explicit TLS (AUTH TLS), TLS required
    Ftps,   // ftps://    FTP over implicit TLS
    Sftp,   // sftp://    SSH file transfer
    Dav,    // http://    WebDAV
    Davs,   // https://   WebDAV over TLS
    S3,     // s3://BUCKET/PREFIX  S3 object storage at an endpoint (http:// or https://)
};

struct RemoteLogin {
    // Parsed from the server text by Parse.
    RemoteProtocol protocol = RemoteProtocol::Ftp;
    std::string scheme;     // as libcurl is given it: ftp, ftps, sftp, http, https
    std::string authority;  // scheme://host[:port]
    std::string host;
    int port = 0;                      // 0: the protocol's own
    std::string basePath;              // decoded path of the address ("" or "/..."), "~" kept
    std::string urlUser, urlPassword;  // from the address itself
    std::string bucket;                // S3: the address's host

    // Set by the caller.
    std::string user, password;   // S3: access key id and secret access key
    std::string caFile;           // certificates a TLS server must be signed by (else the system's)
    std::string keyFile;          // SSH private key; empty: the agent and ~/.ssh/id_*
    std::string knownHosts;       // SSH known hosts file; empty: ~/.ssh/known_hosts
    std::string acceptedHostKey;  // "SHA256:..." the user accepted for a host not yet known
    int stallSeconds = 20;        // a connection that makes no progress this long is given up
    int64_t maxSendRate = 0;      // bytes a second for each connection; 0: no limit
    bool tls12Only = false;       // FTPS: TLS 1.2 at most (set when TLS 1.3 session reuse fails)
    bool accepted = false;        // the server accepted the login (a later 401 is a refusal)

    std::string region = "us-east-1";  // S3: the region requests are signed for
    std::string sessionToken;          // S3: temporary credentials' token

    // Parses the server text; false with the reason in error.
    bool Parse(const std::string& serverText, std::string& error);
    // S3: where the bucket is served (http:// or https://, host and port;
    // path-style addresses); false with the reason in error.
    bool SetEndpoint(const std::string& endpoint, std::string& error);
    // S3: the address of the bucket with the query (from S3Query).
    std::string BucketUrl(const std::string& query) const;
    // The account: given, else the address's, else for SFTP the local
    // user's name (as ssh does); FTP without one logs in as anonymous.
    std::string User() const;
    std::string Password() const { return user.empty() ? urlPassword : password; }
    bool UsesTls() const;
    bool IsFtp() const;  // ftp, ftpes, ftps
    // "host" or "host:port", for messages.
    std::string HostText() const;
    // The address as typed, as a directory (FTP: inside the login directory).
    std::string BaseUrl() const;
    // The address of an absolute remote path (a directory ends in "/").
    std::string UrlFor(const std::string& absPath, bool dir) const;
    // The known hosts file used for SSH.
    std::string KnownHostsFile() const;
};

// The protocol a server text names, by its scheme (a plain host: FTP).
RemoteProtocol RemoteProtocolOf(const std::string& serverText);
// The server text with its scheme changed to that of protocol (host, port
// and path kept); a plain host name gets the scheme.
std::string RemoteWithProtocol(const std::string& serverText, RemoteProtocol protocol);
// "ftp", "ftpes", "ftps", "sftp", "http", "https".
const char* RemoteSchemeName(RemoteProtocol protocol);

}  // namespace pellucor
