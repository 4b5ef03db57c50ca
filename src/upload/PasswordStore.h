// Where the upload window keeps a password between runs: the desktop's
// secret service (never a plain file beside the preferences). Without one,
// nothing is kept and the window asks each time.
#pragma once

#include <string>

namespace pellucor {

class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    // Whether passwords can be kept at all (a secret service answers).
    virtual bool Available() = 0;
    // The password kept for user on server ("" when none).
    virtual std::string Lookup(const std::string& server, const std::string& user) = 0;
    // False with the reason in error when it could not be kept.
    virtual bool Store(const std::string& server, const std::string& user, const std::string& password,
                       std::string& error)
        = 0;
    virtual void Forget(const std::string& server, const std::string& user) = 0;
};

}  // namespace pellucor
