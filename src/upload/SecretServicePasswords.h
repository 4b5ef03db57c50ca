// PasswordStore on the desktop's secret service (GNOME Keyring, KWallet,
// KeePassXC ...) through libsecret. Each password is kept under the
// attributes "server" (the address without any password in it) and "user".
#pragma once

#include "upload/PasswordStore.h"

namespace pellucor {

class SecretServicePasswords : public PasswordStore {
public:
    bool Available() override;
    std::string Lookup(const std::string& server, const std::string& user) override;
    bool Store(const std::string& server, const std::string& user, const std::string& password,
               std::string& error) override;
    void Forget(const std::string& server, const std::string& user) override;

private:
    int available_ = -1;  // not yet asked
};

// The password of an upload without a window: $PELLUCOR_FTP_PASSWORD, else
// the keyring's for the server and account ("" when neither has one).
std::string UnattendedPassword(const std::string& server, const std::string& account);

}  // namespace pellucor
