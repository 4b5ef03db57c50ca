// The stored preferences: every "prf" key with its label and built-in
// default, kept per user with QSettings (application "Pellucor2.0", group
// "Pref"). A key never stored reads as its built-in default. A publish and
// the server read them as one snapshot, taken when they start.
#pragma once

#include <QString>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QSettings;

namespace pellucor {

struct PrefDef {
    const char* key;
    const char* label;
    std::string def;
};

// Preference values by key, as read at one moment.
using PreferenceSnapshot = std::map<std::string, std::string>;

// A yes/no preference: on when its text begins with "y" or is "1"/"on"/"true".
bool PreferenceOn(const std::string& text);

class PreferenceStore {
public:
    // iniPath: a settings file to use instead of the per-user store (tests).
    explicit PreferenceStore(const QString& iniPath = QString());
    ~PreferenceStore();
    PreferenceStore(const PreferenceStore&) = delete;
    PreferenceStore& operator=(const PreferenceStore&) = delete;

    // The "prf" keys in their enumeration order.
    static const std::vector<PrefDef>& Definitions();
    // The built-in default of a key (trimmed), or "" for an unknown key.
    static std::string Default(const std::string& key);
    // A key's value in a snapshot, or its built-in default when the
    // snapshot lacks it.
    static std::string ValueIn(const PreferenceSnapshot& prefs, const std::string& key);
    // The directory of the bundled default style.
    static std::string DefaultStyleDir();
    // Where lectures go unless the user chooses otherwise: ~/Lectures/.
    static std::string DefaultLectureFolder();

    // Every key: its stored value, or its built-in default.
    PreferenceSnapshot Read() const;
    void Write(const PreferenceSnapshot& values);
    bool Contains(const std::string& key) const;
    void Store(const std::string& key, const std::string& value);

    // The settings files listed in the detailed form's File menu, most
    // recent first (kept in their own group, not a preference).
    std::vector<std::string> RecentFiles() const;
    void SetRecentFiles(const std::vector<std::string>& files);
    // The capture device last chosen of a kind ("audio", "video"), by the
    // name the device lists show; also in a group of its own.
    std::string LastDevice(const std::string& kind) const;
    void SetLastDevice(const std::string& kind, const std::string& name);

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace pellucor
