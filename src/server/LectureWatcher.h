// The server edition: watches an incoming directory, moves every lecture
// marked ready ("x-" + name) into the repository, publishes it for the web
// through the detailed form, writes an index page and keeps an HTML log.
#pragma once

#include <QObject>
#include <QTimer>

#include <string>

namespace pellucor {

class PublishForm;
class MainWindowPort;
class Preferences;

class LectureWatcher : public QObject {
    Q_OBJECT
public:
    LectureWatcher(Preferences* prefs, PublishForm* publishForm, MainWindowPort* mainWindow, QObject* parent = nullptr);

    std::string Caption = "Pellucor Server Edition";
    // Settings.
    std::string txtIncoming, txtRepository, txtLogFile, txtPubPrefix, txtWebPrefix, txtStreamPrefix;
    // The current lecture and what derives from it.
    std::string txtDir, txtName, txtRelPath, txtPubDir, txtWebURL, txtStreamURL;
    std::string lblPhase, lblStatus;
    int chkAuto = 0;
    QTimer scanTimer;

    void Form_Load();
    void Form_Unload();  // stores the settings

    void ServerLog(const std::string& text);
    void WriteLogLine(const std::string& text);
    static std::string MakeLink(const std::string& url);

    bool CheckIncoming();
    bool FindReadyLecture();
    void PublishLecture();
    bool WriteIndexPage();
    // Sets txtDir and derives the other labels from it.
    void SetDir(const std::string& dir);

    void chkAuto_Click();
    void scanIncoming();
    void cmdClearLog_Click();

    // Set when the last PublishLecture published successfully.
    bool LastPublishOk() const { return lastPublishOk_; }

signals:
    void changed();

private:
    std::string now() const;

    Preferences* prefs_;
    PublishForm* publishForm_;
    MainWindowPort* main_;
    bool logOff_ = false;
    bool lastPublishOk_ = false;
};

}  // namespace pellucor
