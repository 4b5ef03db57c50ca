#include "upload/S3Credentials.h"

#include <QDir>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/TavString.h"

namespace pellucor {

namespace {
std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}
}  // namespace

bool S3CredentialsInFile(const std::string& text, const std::string& profile, S3Credentials& credentials)
{
    std::istringstream lines(text);
    std::string line;
    bool inProfile = false;
    S3Credentials found;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            inProfile = Trim(line.substr(1, line.size() - 2)) == profile;
            continue;
        }
        const size_t eq = line.find('=');
        if (!inProfile || eq == std::string::npos)
            continue;
        const std::string key = Lower(Trim(line.substr(0, eq)));
        const std::string value = Trim(line.substr(eq + 1));
        if (key == "aws_access_key_id")
            found.keyId = value;
        else if (key == "aws_secret_access_key")
            found.secret = value;
        else if (key == "aws_session_token")
            found.sessionToken = value;
    }
    if (found.keyId.empty() || found.secret.empty())
        return false;
    credentials = found;
    return true;
}

bool FindS3Credentials(const std::string& profile, S3Credentials& credentials, std::string& error)
{
    const std::string named = profile.empty() ? env("AWS_PROFILE") : profile;
    if (named.empty() && !env("AWS_ACCESS_KEY_ID").empty() && !env("AWS_SECRET_ACCESS_KEY").empty()) {
        credentials = {env("AWS_ACCESS_KEY_ID"), env("AWS_SECRET_ACCESS_KEY"), env("AWS_SESSION_TOKEN")};
        return true;
    }
    const std::string file = env("AWS_SHARED_CREDENTIALS_FILE").empty()
        ? QDir::homePath().toStdString() + "/.aws/credentials"
        : env("AWS_SHARED_CREDENTIALS_FILE");
    const std::string wanted = named.empty() ? "default" : named;
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    if (in && S3CredentialsInFile(text.str(), wanted, credentials))
        return true;
    error = "No S3 keys: set AWS_ACCESS_KEY_ID and AWS_SECRET_ACCESS_KEY, or give the profile of " + file
        + " that holds them (" + (in ? "it has no profile \"" + wanted + "\" with both keys" : "it cannot be read")
        + ")";
    return false;
}

}  // namespace pellucor
