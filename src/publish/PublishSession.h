// The one way into a publish, for every caller (the command line, the
// automation interface, the server edition and both windows): it holds the
// request (what to publish), takes the preferences as one snapshot, checks
// the directories and the style, loads the lecture, builds the
// PublishSettings and runs one PublishJob on that lecture, and
// reports its step, percent, status and result (as the PublishProgress it
// is, which the job writes to itself). A publish replaces each
// output whole or leaves it as it was, and never removes files that no
// publication wrote unless the request or the user allows it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/CaptionMaker.h"
#include "core/Lecture.h"
#include "core/MediaFile.h"
#include "core/PreferenceStore.h"
#include "core/SlideTimesMaker.h"
#include "publish/PublishProgress.h"
#include "publish/PublishRequest.h"

namespace pellucor {

class PublishJob;

class PublishSession : public PublishProgress {
    Q_OBJECT
public:
    explicit PublishSession(QObject* parent = nullptr);
    ~PublishSession() override;

    PublishRequest request;
    // The preferences, read when a publish starts (the stored ones when unset).
    std::function<PreferenceSnapshot()> preferences;

    // Makes the media component (the built-in events processing and the
    // browser copy). Also checks each published media file.
    std::function<std::unique_ptr<MediaOpener>()> openerFactory;
    // Makes the recogniser of the automatic captions, which the preference
    // prfTranscribe asks for.
    std::function<std::unique_ptr<CaptionMaker>(const PreferenceSnapshot&)> captionMakerFactory;
    // Finds the slide times of parts without an events file, where the
    // request asks for it.
    std::function<std::unique_ptr<SlideTimesMaker>()> slideTimesFactory;
    // Starts a script hidden, without waiting; returns its pid or -1.
    std::function<qint64(const std::string& script, const std::string& dir)> startScript;
    // Asked before files that no publication wrote are removed from an
    // output (the text names them); without it such an output is refused
    // unless request.replaceForeign.
    std::function<bool(const std::string& question)> confirmRemoval;
    // Asked on the publish's thread just before a checked publication goes
    // in place: false (with why) fails the publish and leaves the output as
    // it was.
    std::function<bool(std::string& why)> mayInstall;
    // The program a script left for the user to run calls at its end to
    // install the publication; empty: this program.
    std::string installProgram;
    // Pace of the log readings.
    int logIntervalMs = 1000;

    // The cheap check: can the request's lecture be loaded?
    bool OKToPublish(std::string& err) const;
    // Checks the directories and starts the publish; false with err (and
    // nothing changed on disk) when it cannot start.
    bool Start(std::string& err);
    // Stops the publish under way; it ends as cancelled.
    void Cancel();
    // Blocks the calling thread until the publish has ended and reports
    // nothing more, calling tick every intervalMs meanwhile. No event loop
    // runs.
    void Wait(const std::function<void()>& tick = {}, int intervalMs = 100);

    // The output directories the last publish wrote (disk, web; empty when
    // that target was not chosen).
    std::string DiskOutput() const { return diskOutput_; }
    std::string WebOutput() const { return webOutput_; }

    // For callers that change the request: tells the windows that show it.
    void RequestChanged() { emit requestChanged(); }

signals:
    void requestChanged();

private:
    PreferenceSnapshot readPreferences() const;
    bool publishedLecture() const;
    bool findsSlideTimes() const;
    bool loadLecture(const PreferenceSnapshot& prefs, std::optional<Lecture>& lecture, std::string& err);
    bool checkMedia(bool& published, std::string& err) const;
    bool checkTarget(const std::string& field, const std::string& dir, std::string& err);

    std::unique_ptr<PublishJob> job_;
    std::string diskOutput_, webOutput_;
};

}  // namespace pellucor
