// The detailed publish form: shows every path and option of the publish
// session's request as its fields (they are the request's own), starts the
// session's publish and mirrors its status, colours and progress; logPoller
// is active while a publish runs.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/MediaFile.h"
#include "core/PublishSettings.h"
#include "core/StatusColours.h"
#include "course/LecturePackage.h"
#include "publish/PublishSession.h"

namespace pellucor {

class Preferences;
struct FtpRequest;
struct FrontEndHooks;

class PublishForm : public QObject {
    Q_OBJECT
public:
    // session: the publish session whose request the form shows and runs
    // (the application's).
    PublishForm(Preferences* prefs, PublishSession* session, QObject* parent = nullptr);
    ~PublishForm() override;

private:
    PublishSession* session_;

public:
    PublishSession& Session() { return *session_; }

    std::string lblDirectory;
    // The session's request, field by field (directories end in "/").
    std::string &TextPP, &TextMedia, &TextStyle, &TextCopy, &TextCDDir, &TextWebDir, &TextWebURL, &TextStream;
    std::string &TextLocDir, &TextName, &TextCP;
    // Check boxes: 0 clear, 1 checked.
    int &optCD, &optWeb, &chkStream, &chkAutoStart, &chkVerbose, &chkAuto;
    // Status line.
    std::string statusLine = "Start Up";
    uint32_t statusColour = kColourWhite;
    std::string Caption = "Pellucor 2000 - Power User Version :)";

    // The running flag: active from the start of a publish until its job
    // ends. Its interval paces the job's readings of "log.log".
    QTimer logPoller;
    int Published = 0;
    std::string StartDir;
    // Percent done of the publish under way (or of the last one).
    int progressPercent = 0;
    // The time the publish under way still takes, in words ("" when not known).
    std::string timeLeft;

    // Controls enabled by the option clicks, for the view.
    std::map<std::string, bool> Enabled;

    // Captions of the recent-file items mnuFile1 to mnuFile5 (settings files,
    // most recently loaded first).
    std::vector<std::string> mnuFile;

    void SetHooks(FrontEndHooks* hooks);
    void load();
    // The lecture directory changed: refill the paths from the preferences.
    void SetLectureDir(const std::string& dir);
    // Sets a field by control name as a settings file or the automation
    // interface does; false when no control has that name.
    bool SetControl(const std::string& name, const std::string& value);
    std::string Control(const std::string& name) const;

    void diskChosen();
    void webChosen();
    void streamChanged();

    bool LoadSettingsFile(const std::string& path);
    // Starts the session's publish of every selected target; false with
    // the reason when it cannot start. The publish runs on while logPoller
    // is active.
    bool DoStart(std::string& msg);
    // One target was written: start or announce its script.
    void RunPublish(bool isDisk, const std::string& command, bool started);
    // "Cancel": stops the publish under way.
    void cancel();
    // Before the program ends: a publish under way is cancelled when the
    // user agrees; false when the user keeps it running.
    bool ConfirmClose();
    bool CheckUpToDate();
    // Every path and option of the fields, for a publish.
    PublishSettings Settings() const;
    void testDisk();
    void testWeb();

    // "Publish " / "Publish" / "Make Lecture": DoStart, and on failure its
    // message and "Publish aborted.".
    bool publishDisk() { return publishClicked(); }
    bool publishWeb() { return publishClicked(); }
    bool newFromRecording() { return publishClicked(); }
    // Browse buttons: the directory chooser on the named text field.
    void browse(const std::string& field);
    // "Package": zips the disk copy (TextCDDir) for a learning platform into
    // out on a worker thread; the status line and progress follow it and
    // packageFinished tells its end. False when it cannot start.
    bool makePackage(PackageKind kind, const std::string& out);
    bool Packaging() const { return packaging_; }
    // The package's usual file name beside the disk copy.
    std::string DefaultPackagePath(PackageKind kind) const;
    // Background of TextPP, TextStyle and TextMedia: white when the
    // directory exists, yellow when not.
    uint32_t FieldColour(const std::string& field) const;
    // "Auto-Upload": the FTP upload of the web output.
    void upload();
    // Shows the FTP window and keeps a changed account or host in the
    // preferences named (the web upload's, or the repository's).
    void ShowFtp(FtpRequest& request, const std::string& accountKey = "prfWebAccount",
                 const std::string& hostKey = "prfWebHost");
    // Recent-file item 1 to 5.
    bool openRecent(int index);
    // "Import ClipBoard": converts rawmedia.mov/.avi into rawmedia.rm.
    bool importClipboard();
    // "Record Lecture": clears the media directory for a new recording and
    // opens the recording set-up.
    bool recordLecture();
    // Menus that open other windows.
    void importSlides();
    void openRecordingSetup();
    void openTimingEditor();
    void syncSlides();    // "Sync Slides from Recording"
    void exportVideo();   // "Export as One Video..."
    void makeCaptions();  // "Make Captions"
    void editCaptions();  // "Edit Captions..." (the first part's)
    void openPlayer();
    void openEncoder();
    // "Real Convert": the converter window on its own.
    void openConverter();
    void openServer();
    void lessDetail() { emit lessDetailRequested(); }
    void openPreferences() { emit preferencesRequested(); }
    void openLecture() { emit openLectureRequested(); }
    void newLecture() { emit newLectureRequested(); }
    void toggleLiberalNames() { emit liberalSlideNamesRequested(); }
    void onlineHelp() { emit onlineHelpRequested(); }
    void about() { emit aboutRequested(); }
    void quit() { emit exitRequested(); }

    // Shows a status text (mirrored into the main window) and lets pending
    // events run.
    void SetStatus(const std::string& text, uint32_t colour = kColourYellow);
    // True once the scripts of the last publish reported "All Done" twice;
    // false while they run or when they ended without it.
    bool LastRunSucceeded() const { return session_->Result() == PublishOutcome::Succeeded; }
    bool LastRunCancelled() const { return session_->Result() == PublishOutcome::Cancelled; }
    std::string LastPublishError() const { return session_->Error(); }
    bool Publishing() const { return session_->Running() || packaging_; }
    // A publish, a package or a slide sync under way: the window locks its inputs.
    bool Busy() const;
    // Converts a ClipBoard recording into RealMedia (FFmpeg by default).
    std::function<bool(const std::string& input, const std::string& output, std::string& err)> convertMedia;

signals:
    void statusChanged(const QString& text, uint ColourBgr);
    void fieldsChanged();
    void publishFinished(bool ok);
    void packageFinished(bool ok);
    // A publish began (true) or ended (false).
    void publishingChanged(bool running);
    void progressChanged(int percent);
    void timeLeftChanged(const QString& text);
    void lessDetailRequested();
    void preferencesRequested();
    void openLectureRequested();
    void newLectureRequested();
    void liberalSlideNamesRequested();
    void onlineHelpRequested();
    void aboutRequested();
    void exitRequested();

private:
    void showStatus(const std::string& text, uint32_t colour);
    void sessionEnded(PublishOutcome outcome);
    bool publishClicked();
    void addRecentFile(const std::string& path);
    bool clipBoardImport();

    Preferences* prefs_;
    FrontEndHooks* hooks_;
    bool packaging_ = false;
    class QThread* packageWorker_ = nullptr;  // waited for when the form goes
};

}  // namespace pellucor
