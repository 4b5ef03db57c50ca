// The main window ("Less Detail"): the lecture directory and presentation,
// the slide list and preview, slide conversion, recording, and the guided
// sequence publish to disk -> test -> publish for the web -> upload -> test.
// Every publish is carried out by the detailed form (PublishForm).
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindowPort.h"

namespace pellucor {

class PublishForm;
class PublishSession;
struct PublishRequest;
class Preferences;
struct FrontEndHooks;

class MainWindow : public QObject, public MainWindowPort {
    Q_OBJECT
public:
    // Which window start-up shows first.
    enum class StartWindow { Main, Detail, Server };

    MainWindow(Preferences* prefs, PublishForm* publishForm, QObject* parent = nullptr);
    ~MainWindow() override;

    void SetHooks(FrontEndHooks* hooks);

    std::string Caption = "Pellucor 2000";
    std::string lblDirectory;
    std::string lblPPTFile, lblPPTCount, lblCount, lblPreview, lblTitle;
    std::string lblStatus;
    // Why "Publish To Disk" is grey (empty while it is enabled).
    std::string lblPublishReason;
    uint32_t lblStatusColour = 16777215;
    std::vector<std::string> lstSize;
    int lstSizeIndex = -1;
    // The image shown in imgPreview; empty when the picture is hidden.
    std::string imgPreview;
    bool mnuLiberal = false;  // "Liberal Slide Names"

    std::string LectureDir, LecName, LecParent;
    int16_t ImageCount = 0;
    std::vector<std::string> ImageNames;  // ImageNames[0] is entry 1
    int16_t PPTSlideCount = -1;
    std::string LastCheckedDir;
    int PreviewIndex = 1;

    QTimer timDisk, timWeb;
    // While a publish or a slide import runs (busy): its percent (-1 while
    // the amount of work is not known yet, such as LibreOffice converting a
    // presentation), and the controls that must not be used meanwhile are
    // locked (the view greys them) except Cancel.
    int progressPercent = 0;
    // The time the publish under way still takes, in words ("" when not known).
    std::string timeLeft;
    bool busy = false;
    void SetBusy(bool on);
    void ShowProgress(int percent);
    // Enabled state of buttons and menu items, by control name.
    std::map<std::string, bool> Enabled;
    // Why a control is disabled, as its tip says ("" when it is enabled or
    // no reason is told): the step before it, or what the lecture lacks.
    std::string WhyDisabled(const std::string& name) const;

    // Start-up; byAutomation: an automation client started the program.
    StartWindow load(bool byAutomation = false);

    // MainWindowPort
    void SetLectureDir(const std::string& dir) override;  // lblDirectory change
    bool OKToPublish(bool showMsg, std::string& msg) override;

    std::string TavPrefString(const std::string& text) const;
    int16_t TavImageCount() const { return ImageCount; }
    std::string TavImageName(int index) const;
    void TavSlideScan();
    void TavSlidePreview();
    void DirOrPPTChanged();
    // The slide checks; afterExport words the mismatch for a re-export.
    void SlideChecks(bool showMsg, bool afterExport = false);
    void OldLayoutCheck();
    void UpdatePublishControls(bool ok);
    // What the lecture lacks for a publish, in words that say what to do;
    // msg: the publish check's own answer, used when nothing plainer fits.
    std::string PublishBlockedReason(const std::string& msg);
    // Closing the window: a publish under way is cancelled when the user
    // agrees (false: the window stays), other work under way is cancelled.
    bool ConfirmClose();

    void increase();
    void decrease();
    void publishDisk();     // "Publish To Disk"
    void cancel();  // "Cancel": stops the publish or slide import under way
    void publishWeb();  // "Publish for Web"
    void diskTick();
    void webTick();
    void testDisk();   // "Test On Disk"
    void testWeb();    // "Test on Web"
    void uploadWeb();  // "Upload to the Web"
    void uploadUnpublished();  // "Upload Unpublished Lecture"
    void exportSlides();     // "Convert PPT to GIFs"
    void selectPresentation();
    void record();
    void openTimingEditor();
    void syncSlides();        // "Sync Slides from Recording"
    void exportVideo();       // "Export as One Video..."
    void newFromRecording();  // "New Lecture from Recording..."
    void makeCaptions();      // "Make Captions"
    void editCaptions();      // "Edit Captions..."
    void toggleLiberalNames();
    void moreOptions();
    void openPreferences() { emit preferencesRequested(); }
    void about() { emit aboutRequested(); }
    void onlineHelp();
    void LaunchHome();
    void newLecture() { chooseLecture(false); }
    void openLecture() { chooseLecture(true); }
    void quit() { emit exitRequested(); }

    // Mirror of the detailed form's status line.
    void ShowStatus(const std::string& text, uint32_t colour);

    static const char* const kHomePage;
    static const char* const kHelpPage;

signals:
    void fieldsChanged();
    void statusChanged(const QString& text, uint colourBgr);
    void progressChanged(int percent);
    void timeLeftChanged(const QString& text);
    void showDetailRequested();
    void preferencesRequested();
    void aboutRequested();
    void exitRequested();

private:
    void enable(std::initializer_list<const char*> names, bool on);
    void watch(QTimer& watcher, std::initializer_list<const char*> next);
    void chooseLecture(bool open);
    void prefillDetailedForm();
    std::string expanded(const char* key) const;

    Preferences* prefs_;
    PublishForm* publishForm_;
    // The publish session the detailed form shows: its request is what
    // the buttons publish.
    PublishSession& session();
    PublishRequest& request();
    FrontEndHooks* hooks_;
    bool loaded_ = false;  // load has run
};

}  // namespace pellucor
