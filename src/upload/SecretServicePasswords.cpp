#include "upload/SecretServicePasswords.h"

#include <cstdlib>
#include <dlfcn.h>
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

// libsecret, loaded the first time a password is looked up or kept. It
// brings GLib's object system, GIO and libgcrypt with it: ten libraries
// that an upload with its password given on the command line would load
// and relocate at every start for nothing.
struct SecretLibrary {
    decltype(&secret_service_get_sync) serviceGet = nullptr;
    decltype(&secret_password_lookup_sync) lookup = nullptr;
    decltype(&secret_password_store_sync) store = nullptr;
    decltype(&secret_password_clear_sync) clear = nullptr;
    decltype(&secret_password_free) freePassword = nullptr;
    decltype(&g_object_unref) unref = nullptr;
    decltype(&g_error_free) freeError = nullptr;
    std::string error;  // why it could not be loaded ("" when it was)
};

template <typename F>
void resolve(void* handle, const char* name, F& f, std::string& error)
{
    f = reinterpret_cast<F>(dlsym(handle, name));
    if (!f && error.empty())
        error = std::string("libsecret has no ") + name;
}

const SecretLibrary& secretLibrary()
{
    static const SecretLibrary lib = [] {
        SecretLibrary l;
        void* handle = dlopen("libsecret-1.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            l.error = why ? why : "libsecret-1.so.0 could not be loaded";
            return l;
        }
        // Symbols of GLib and GObject are found through libsecret's own
        // dependencies.
        resolve(handle, "secret_service_get_sync", l.serviceGet, l.error);
        resolve(handle, "secret_password_lookup_sync", l.lookup, l.error);
        resolve(handle, "secret_password_store_sync", l.store, l.error);
        resolve(handle, "secret_password_clear_sync", l.clear, l.error);
        resolve(handle, "secret_password_free", l.freePassword, l.error);
        resolve(handle, "g_object_unref", l.unref, l.error);
        resolve(handle, "g_error_free", l.freeError, l.error);
        return l;
    }();
    return lib;
}

std::string takeError(GError*& e)
{
    std::string text = e ? e->message : "unknown error";
    if (e)
        secretLibrary().freeError(e);
    e = nullptr;
    return text;
}
}  // namespace

bool SecretServicePasswords::Available()
{
    if (available_ < 0) {
        const SecretLibrary& lib = secretLibrary();
        if (!lib.error.empty()) {
            available_ = 0;
            Tav_DebugLog("No secret service, passwords are asked each time: " + lib.error);
            return false;
        }
        GError* e = nullptr;
        SecretService* service = lib.serviceGet(SECRET_SERVICE_NONE, nullptr, &e);
        available_ = service != nullptr;
        if (!service)
            Tav_DebugLog("No secret service, passwords are asked each time: " + takeError(e));
        if (service)
            lib.unref(service);
    }
    return available_ == 1;
}

std::string SecretServicePasswords::Lookup(const std::string& server, const std::string& user)
{
    if (!Available())
        return "";
    GError* e = nullptr;
    const std::string key = FtpRedactUrl(server);
    gchar* pw = secretLibrary().lookup(schema(), nullptr, &e, "server", key.c_str(), "user", user.c_str(), nullptr);
    if (e)
        Tav_DebugLog("Secret service lookup failed: " + takeError(e));
    std::string out = pw ? pw : "";
    secretLibrary().freePassword(pw);
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
    const bool ok = secretLibrary().store(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
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
    secretLibrary().clear(schema(), nullptr, &e, "server", key.c_str(), "user", user.c_str(), nullptr);
    if (e)
        Tav_DebugLog("Secret service clear failed: " + takeError(e));
}

std::string UnattendedPassword(const std::string& server, const std::string& account)
{
    if (const char* env = std::getenv("PELLUCOR_FTP_PASSWORD"))
        return env;
    return account.empty() ? std::string() : SecretServicePasswords().Lookup(FtpServerUrl(server), account);
}

}  // namespace pellucor
