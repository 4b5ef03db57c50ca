// The preferences: every "prf" field with its label and built-in default,
// stored per user with QSettings (application "Pellucor2.0", group "Pref").
// Other windows read a preference as the text of its field.
#pragma once

#include <QObject>
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

class Preferences : public QObject {
    Q_OBJECT
public:
    // iniPath: a settings file to use instead of the per-user store (tests).
    explicit Preferences(const QString& iniPath = QString(), QObject* parent = nullptr);
    ~Preferences() override;

    // The "prf" fields in their enumeration order.
    static const std::vector<PrefDef>& Definitions();
    // The directory of the bundled default style.
    static std::string DefaultStyleDir();
    // Where lectures go unless the user chooses otherwise: ~/Lectures/.
    static std::string DefaultLectureFolder();
    // On the first run (no last lecture stored yet) creates the default
    // lecture folder, so that the first "Open" starts in a folder that
    // exists; true when it was created.
    bool PrepareFirstRun();

    std::string Get(const std::string& key) const;
    void Set(const std::string& key, const std::string& value);

    // The settings files listed in the detailed form's File menu, most
    // recent first (kept in their own group, not a preference).
    std::vector<std::string> RecentFiles() const;
    void SetRecentFiles(const std::vector<std::string>& files);

    void Form_Load();
    void Form_Activate() { trimAll(); }
    void Form_Deactivate() { trimAll(); }
    void DoSave();
    void cmdSave_Click();
    void Command1_Click();  // Cancel
    void cmdDefault_Click();
    void makeBuiltIn_Click();
    void makeG2_Click();
    void makeRE5_Click();
    void makeRP50_Click();
    void makeRPPlus_Click();

    bool Loading() const { return loading_; }

signals:
    void statusText(const QString& text);  // for the detailed form's status line
    void hideRequested();
    void fieldChanged(const QString& key);

private:
    void setTools(const std::string& event32, const std::string& rmmerge, const std::string& events,
                  const std::string& rmcut);
    void readStore();
    void trimAll();

    std::unique_ptr<QSettings> store_;
    std::vector<std::pair<std::string, std::string>> fields_;
    std::vector<std::string> defaults_;  // filled at load, in enumeration order
    bool loading_ = false;
};

}  // namespace pellucor
