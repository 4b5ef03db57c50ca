// What the window models ask of the user interface around them: the modal
// dialogs (directory chooser, input box, open-file dialog) and the tool
// windows that live in other layers (slide import, recording set-up,
// timing editor, player, encoder set-up, FTP, server edition). The widgets
// layer and the application context fill these in; a hook left empty makes
// the model answer as a headless run would (dialogs accept what they were
// offered, missing tools are reported as not available).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/Messages.h"

namespace pellucor {

// The FTP window's inputs; the window may change account and host.
struct FtpRequest {
    std::string localPath;
    std::string account;
    std::string host;
    bool subfolders = true;  // the local directory's folders go too (not for a raw lecture)
};

// The slide import module (PowerPoint export) as the main window uses it.
class SlideImporter {
public:
    virtual ~SlideImporter() = default;
    // Slide count of the presentation, or -1 after a message.
    virtual int16_t OpenPresentation(const std::string& path) = 0;
    // Exports every slide as imgNNN.gif (with titles.txt) into slideDir.
    virtual bool ExportSlides(const std::string& slideDir, int width, int height) = 0;
    virtual std::string SlideTitle(int i) = 0;
    virtual void Close() = 0;
    // From the window's thread while an open or export runs: ends it (and
    // the presentation application's work under way).
    virtual void Cancel() { }
    virtual bool Busy() const { return false; }
};

// A long job the windows start from their menus: on a worker thread, its
// progress shown in the windows' progress row.
class WindowJobTask {
public:
    virtual ~WindowJobTask() = default;
    virtual void Start() = 0;
    virtual bool Busy() const = 0;
    // From the window's thread while it runs: ends it, nothing written (of
    // captions: the part under way writes nothing).
    virtual void Cancel() = 0;
};
// "Sync Slides from Recording", from both windows.
using SlideSyncTask = WindowJobTask;
// "Export as One Video...", from both windows: the file asked for first.
using LectureVideoTask = WindowJobTask;
// "Make Captions", from both windows.
using CaptionsTask = WindowJobTask;
// "New Lecture from Recording...", from the main window: the recordings
// and the lecture directory asked for first.
using RecordingLectureTask = WindowJobTask;

struct FrontEndHooks {
    // Directory chooser: shows `title` with `dir` as the starting path; true
    // and the chosen directory in `dir` on OK, false on Cancel.
    std::function<bool(const std::string& title, std::string& dir, bool allowCreate)> chooseDirectory;
    // Input box: true and the answer on OK, false on Cancel.
    std::function<bool(const std::string& prompt, const std::string& title, std::string& answer)> inputBox;
    // Open-file dialog for a presentation: true and the path when chosen.
    std::function<bool(std::string& path)> choosePresentation;

    SlideImporter* slideImporter = nullptr;
    // Opens the recording set-up for a prepared media directory; answers
    // whether its encoder set-up is complete.
    std::function<bool(const std::string& mediaDir)> recordingSetup;
    std::function<void(const std::string& lectureDir)> timingEditor;
    // The timing editor with an events file loaded (its dialogs start in
    // lectureDir).
    std::function<void(const std::string& lectureDir, const std::string& eventsFile)> timingReview;
    SlideSyncTask* slideSync = nullptr;
    LectureVideoTask* lectureVideo = nullptr;
    CaptionsTask* captions = nullptr;
    RecordingLectureTask* recordingLecture = nullptr;
    // Cancels the menu job under way (above); false when none runs.
    bool CancelWindowJob() const;
    // The menu item of the job under way ("Make Captions"); "" when none runs.
    std::string RunningJobName() const;
    // The job under way and its menu item ({nullptr, ""} when none runs).
    std::pair<WindowJobTask*, const char*> runningJob() const;
    // Open-files dialog for screen or meeting recordings: true and the
    // paths, in the order chosen, when chosen.
    std::function<bool(const std::string& title, std::vector<std::string>& paths)> chooseRecordings;
    // The caption editor on a captions file (the recording it belongs to
    // plays from a cue).
    std::function<void(const std::string& captionsFile, const std::string& recording)> captionEditor;
    // Save dialog for a video file: starts at path; true and the chosen
    // path on OK, false on Cancel.
    std::function<bool(const std::string& title, std::string& path)> chooseVideoFile;
    // "Install a speech model…" (modal): true when a model was installed.
    std::function<bool()> speechModelInstall;
    std::function<void()> player;
    std::function<void()> encoderSetup;
    // Opens the converter window with input and output filled in (either may
    // be empty) and returns when it closes: true when a conversion ran to
    // its end.
    std::function<bool(const std::string& input, const std::string& output)> converter;
    std::function<void(const std::string& slideDir)> slideImport;
    std::function<void()> serverWindow;
    // Shows the FTP window modally; it may change account and host.
    std::function<void(FtpRequest& request)> ftpUpload;
    // Opens a page (file: URL or web address) in the browser; the windows
    // say so, with the page's path, when no browser could be opened.
    std::function<void(const std::string& page)> openPage;

    // The hooks of a run without a display.
    static FrontEndHooks& Headless();

    bool ChooseDirectory(const std::string& title, std::string& dir, bool allowCreate) const;
    bool InputBox(const std::string& prompt, const std::string& title, std::string& answer) const;
    void OpenPage(const std::string& page) const;

    // Opens a tool window through its hook, or says that the tool is
    // missing; true when the hook ran.
    template <typename Sig, typename... Args>
    static bool Open(const std::function<Sig>& hook, const std::string& missing, Args&&... args)
    {
        if (!hook) {
            Tav_Message(missing);
            return false;
        }
        hook(std::forward<Args>(args)...);
        return true;
    }
};

}  // namespace pellucor
