// The preferences window: every "prf" field of the preference store
// (core/PreferenceStore) as an editable text, with Save, Cancel, Default
// and the merge-tool presets. Other windows read a preference as the text
// of its field; a publish takes a snapshot of them when it starts.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "core/PreferenceStore.h"

namespace pellucor {

class Preferences : public QObject {
    Q_OBJECT
public:
    // iniPath: a settings file to use instead of the per-user store (tests).
    explicit Preferences(const QString& iniPath = QString(), QObject* parent = nullptr);
    ~Preferences() override;

    // The "prf" fields in their enumeration order.
    static const std::vector<PrefDef>& Definitions() { return PreferenceStore::Definitions(); }
    static std::string DefaultStyleDir() { return PreferenceStore::DefaultStyleDir(); }
    static std::string DefaultLectureFolder() { return PreferenceStore::DefaultLectureFolder(); }
    // On the first run (no last lecture stored yet) creates the default
    // lecture folder, so that the first "Open" starts in a folder that
    // exists; true when it was created.
    bool PrepareFirstRun();

    std::string Get(const std::string& key) const;
    void Set(const std::string& key, const std::string& value);
    // Every field's text, for a publish.
    PreferenceSnapshot Snapshot() const;
    PreferenceStore& Store() { return *store_; }

    // The settings files listed in the detailed form's File menu, most
    // recent first (kept in their own group, not a preference).
    std::vector<std::string> RecentFiles() const;
    void SetRecentFiles(const std::vector<std::string>& files);

    void load();
    void activate() { trimAll(); }
    void deactivate() { trimAll(); }
    void DoSave();
    void save();
    void cancel();  // Cancel
    void restoreDefaults();
    // The merge-tool presets: the built-in events processing, then the four
    // installations of the merge tools.
    void chooseBuiltIn() { applyPreset(0); }
    void chooseG2() { applyPreset(1); }
    void chooseRE5() { applyPreset(2); }
    void chooseRP50() { applyPreset(3); }
    void chooseRPPlus() { applyPreset(4); }

    bool Loading() const { return loading_; }

signals:
    void statusText(const QString& text);  // for the detailed form's status line
    void hideRequested();
    void fieldChanged(const QString& key);

private:
    void applyPreset(int index);
    void readStore();
    void trimAll();

    std::unique_ptr<PreferenceStore> store_;
    std::vector<std::pair<std::string, std::string>> fields_;
    std::vector<std::string> defaults_;  // filled at load, in enumeration order
    bool loading_ = false;
};

}  // namespace pellucor
