// The server window's model: the server's settings as fields the window
// edits (the directories, the log file, the addresses), the lecture in hand
// and what the server is doing as labels, "Watch Incoming" checking every
// ten seconds, and the buttons that run one step of the server by hand.
// The work itself is the IncomingPublisher's, which this owns; the fields
// go to it before each step and come back from it as it goes.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "core/PreferenceStore.h"

namespace pellucor {

class IncomingPublisher;
class PublishSession;

class LectureWatcher : public QObject {
    Q_OBJECT
public:
    // readPrefs: the preferences as they are now (the server's settings and
    // what a publish reads); storePrefs: keeps changed server settings
    // (none: they are not kept).
    explicit LectureWatcher(std::function<PreferenceSnapshot()> readPrefs,
                            std::function<void(const PreferenceSnapshot&)> storePrefs = {}, QObject* parent = nullptr);
    ~LectureWatcher() override;

    IncomingPublisher& Engine() { return *engine_; }
    PublishSession& Session();

    std::string Caption = "Pellucor Server Edition";
    // Settings.
    std::string txtIncoming, txtRepository, txtLogFile, txtPubPrefix, txtWebPrefix, txtStreamPrefix;
    // The current lecture and what derives from it.
    std::string txtDir, txtName, txtRelPath, txtPubDir, txtWebURL, txtStreamURL;
    std::string lblPhase, lblStatus;
    int chkAuto = 0;
    QTimer scanTimer;

    // The directory chooser for the Browse buttons (none: Browse does
    // nothing): true and the chosen directory in dir on OK.
    std::function<bool(const std::string& title, std::string& dir)> chooseDirectory;

    void load();
    void unload();  // stores the settings

    // The buttons: "Go for It", "Check", "Pellucor", "Make Index".
    bool CheckIncoming();
    bool FindReadyLecture();
    void PublishLecture();
    bool WriteIndexPage();
    // Sets txtDir and derives the other labels from it.
    void SetDir(const std::string& dir);

    void watchingChanged();
    void scanIncoming();
    void clearLog();
    void openPreferences() { emit preferencesRequested(); }
    // "Browse": the directory chooser on txtDir (the lecture directory) or
    // on txtIncoming, txtRepository or txtPubPrefix.
    void browse(const std::string& field);

signals:
    void changed();
    void preferencesRequested();
    // The lecture taken by the last check is done with: published (true) or not.
    void lectureDone(bool ok);

private:
    // The settings' fields to the engine (the window's fields are its
    // settings), and the lecture in hand and what it is doing back.
    void push();
    void pull();

    std::function<void(const PreferenceSnapshot&)> storePrefs_;
    std::unique_ptr<IncomingPublisher> engine_;
};

}  // namespace pellucor
