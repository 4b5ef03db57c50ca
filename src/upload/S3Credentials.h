// The keys an S3 upload signs its requests with, as the AWS tools find
// them: AWS_ACCESS_KEY_ID, AWS_SECRET_ACCESS_KEY and AWS_SESSION_TOKEN, or
// a profile of the shared credentials file (AWS_SHARED_CREDENTIALS_FILE,
// else ~/.aws/credentials). Never from the command line, where other users
// of the machine would see them.
#pragma once

#include <string>

namespace pellucor {

struct S3Credentials {
    std::string keyId, secret, sessionToken;
};

// The profile named (else AWS_PROFILE's) when one is; else the
// environment's keys when they are set; else the profile "default". False
// with the reason when none is found.
bool FindS3Credentials(const std::string& profile, S3Credentials& credentials, std::string& error);
// The keys of profile in the text of a credentials file; false when it
// has no such profile with both keys.
bool S3CredentialsInFile(const std::string& text, const std::string& profile, S3Credentials& credentials);

}  // namespace pellucor
