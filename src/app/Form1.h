// The detailed publish form: every path and option of one publish, the
// publish for a disk/CD and/or web target, the batch scripts it starts and
// the one-second poller that follows their log.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/EngineHost.h"
#include "core/SlideInfo.h"

class Prefs2;

class Form1 : public QObject, public EngineHost {
    Q_OBJECT
public:
    explicit Form1(Prefs2* prefs, QObject* parent = nullptr);
    ~Form1() override;

    // Text fields (directories end in "/").
    std::string lblDirectory;
    std::string TextPP, TextMedia, TextStyle, TextCopy, TextCDDir, TextWebDir, TextWebURL, TextStream;
    std::string TextLocDir, TextName, TextCP = "pellucor";
    // Check boxes: 0 clear, 1 checked.
    int optCD = 1, optWeb = 0, chkStream = 0, chkAutoStart = 1, chkVerbose = 0, chkAuto = 0;
    // Status line.
    std::string Label3 = "Start Up";
    uint32_t Label3Colour = kColourWhite;
    std::string Caption = "Pellucor 2000 - Power User Version :)";

    QTimer Timer1;
    int Published = 0;
    std::string LastLogLine;
    int16_t LogRepeat = 0;
    std::string StartDir;

    // Controls enabled by the option clicks, for the view.
    std::map<std::string, bool> Enabled;

    void Form_Load();
    // The lecture directory changed: refill the paths from the preferences.
    void SetLectureDir(const std::string& dir);
    // Sets a field by control name as a settings file or the automation
    // interface does; false when no control has that name.
    bool SetControl(const std::string& name, const std::string& value);
    std::string Control(const std::string& name) const;

    void optCD_Click();
    void optWeb_Click();
    void chkStream_Click();

    bool LoadSettingsFile(const std::string& path);
    bool DoStart(std::string& msg);
    bool RunPublish(bool isDisk);
    void Timer1_Timer();
    bool CheckUpToDate();
    void cmdTestCD_Click();
    void cmdTestWeb_Click();

    // Shows a status text (mirrored into the main window) and lets pending
    // events run.
    void SetStatus(const std::string& text, uint32_t colour = kColourYellow) override;
    // True once the scripts of the last publish reported "All Done" twice;
    // false while they run or when they ended without it.
    bool LastRunSucceeded() const { return lastRunOk_; }
    const std::string& LastPublishError() const { return lastPublishError_; }

    // EngineHost
    PublishSettings ReadFormSettings() override;
    std::string Preference(const std::string& key) override;
    std::unique_ptr<EncoderControl> LoadEncoder(std::string& err) override;

    // How scripts are started (tests may replace it); returns the pid or -1.
    std::function<qint64(const std::string& script, const std::string& dir)> startScript;
    std::function<std::unique_ptr<EncoderControl>()> encoderFactory;

signals:
    void statusChanged(const QString& text, uint ColourBgr);
    void fieldsChanged();
    void publishFinished(bool ok);

private:
    std::string* textField(const std::string& name);
    int* checkField(const std::string& name);
    bool checkTarget(const std::string& dir, std::string& msg);
    bool scriptsRunning() const;

    Prefs2* prefs_;
    std::vector<qint64> scriptPids_;
    bool lastRunOk_ = false;
    std::string lastPublishError_;
};
