// "Make Captions" for the windows' current lecture (the detailed form's
// media directory and lecture name): each part without captions gets
// automatic ones by speech recognition, with the engine the preferences
// choose, on a worker thread while both windows show the progress in their
// progress row with Cancel and the step on their status line. A lecturer's
// own captions are never touched; automatic ones made before are kept
// unless the automation interface asks for them to be made again. At the
// end the caption editor opens on the captions made, for the lecturer to
// correct. Started from a menu while no Whisper model is found, it first
// offers to install one ("Install a speech model…").
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/WindowJob.h"
#include "speech/LectureTranscriber.h"

namespace pellucor {

class Preferences;

class CaptionsRun : public WindowJob {
public:
    CaptionsRun(MainWindow& main, PublishForm& form, Preferences& prefs, FrontEndHooks& hooks,
                QObject* parent = nullptr)
        : WindowJob(main, form, hooks, parent), prefs_(prefs)
    { }
    ~CaptionsRun() override { stop(); }

    // From a window's menu: says why when it cannot start.
    void Start() override;
    // From the automation interface: replace makes automatic captions made
    // before again; false with msg when it cannot start.
    bool StartUnattended(bool replace, std::string& msg);
    void Cancel() override
    {
        if (transcriber_)
            transcriber_->Cancel();
    }

    // Once ended, Succeeded: whether every part has captions; what became
    // of each:
    const std::vector<PartTranscript>& Parts() const { return parts_; }

private:
    bool begin(bool attended, bool replace, std::string& msg);
    void ended(bool ok, const std::string& engineError) override;

    Preferences& prefs_;
    std::unique_ptr<LectureTranscriber> transcriber_;  // one per run
    TranscribeOptions options_;
    std::vector<PartTranscript> parts_;
};

}  // namespace pellucor
