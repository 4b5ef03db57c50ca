#include "upload/SecretServicePasswords.h"

#include <libsecret/secret.h>

#include "core/TavUtils.h"
#include "upload/FtpText.h"

namespace pellucor {

namespace {
const SecretSchema* schema()
{
    static const SecretSchema s = {"org.pellucor.Upload",
                                   SECRET_SCHEMA_NONE,
                                   {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr};
    return &s;
}

std::string takeError(GError*& e)
{
    std::string text = e ? e->message : "unknown error";
    g_clear_error(&e);
    return text;
}
}  // namespace

bool SecretServicePasswords::Available()
{
    if (available_ < 0) {
        GError* e = nullptr;
        SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &e);
        available_ = service != nullptr;
        if (!service)
            Tav_DebugLog("No secret service, passwords are asked each time: " + takeError(e));
        if (service)
            g_object_unref(service);
    }
    return available_ == 1;
}

std::string SecretServicePasswords::Lookup(const std::string& server, const std::string& user)
{
    if (!Available())
        return "";
    GError* e = nullptr;
    const std::string key = FtpRedactUrl(server);
    gchar* pw
        = secret_password_lookup_sync(schema(), nullptr, &e, "server", key.c_str(), "user", user.c_str(), nullptr);
    if (e)
        Tav_DebugLog("Secret service lookup failed: " + takeError(e));
    std::string out = pw ? pw : "";
    secret_password_free(pw);
    return out;
}

bool SecretServicePasswords::Store(const std::string& server, const std::string& user, const std::string& password,
                                   std::string& error)
{
    if (!Available()) {
        error = "No secret service to keep the password in";
        return false;
    }
    GError* e = nullptr;
    const std::string key = FtpRedactUrl(server);
    const std::string label = "Pellucor upload: " + user + " on " + key;
    const bool ok = secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                                               nullptr, &e, "server", key.c_str(), "user", user.c_str(), nullptr);
    if (!ok)
        error = "The password could not be kept: " + takeError(e);
    return ok;
}

void SecretServicePasswords::Forget(const std::string& server, const std::string& user)
{
    if (!Available())
        return;
    GError* e = nullptr;
    const std::string key = FtpRedactUrl(server);
    secret_password_clear_sync(schema(), nullptr, &e, "server", key.c_str(), "user", user.c_str(), nullptr);
    if (e)
        Tav_DebugLog("Secret service clear failed: " + takeError(e));
}

}  // namespace pellucor
