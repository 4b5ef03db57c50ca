// "Make Captions" for the windows' current lecture (the detailed form's
// media directory and lecture name): each part without captions gets
// automatic ones by speech recognition, with the engine the preferences
// choose, on a worker thread while both windows show the progress in their
// progress row with Cancel and the step on their status line. A lecturer's
// own captions are never touched; automatic ones made before are kept
// unless the automation interface asks for them to be made again. At the
// end the caption editor opens on the captions made, for the lecturer to
// correct.
#pragma once

#include <QObject>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/FrontEndHooks.h"
#include "speech/LectureTranscriber.h"

namespace pellucor {

class MainWindow;
class PublishForm;
class Preferences;

class CaptionsRun : public QObject, public CaptionsTask {
    Q_OBJECT
public:
    CaptionsRun(MainWindow& main, PublishForm& form, Preferences& prefs, FrontEndHooks& hooks,
                QObject* parent = nullptr);
    ~CaptionsRun() override;

    // From a window's menu: says why when it cannot start.
    void Start() override;
    // From the automation interface: replace makes automatic captions made
    // before again; false with msg when it cannot start.
    bool StartUnattended(bool replace, std::string& msg);
    bool Busy() const override { return worker_.joinable(); }
    void Cancel() override
    {
        if (transcriber_)
            transcriber_->Cancel();
    }

    // Once finished: whether every part has captions, and what became of each.
    bool Succeeded() const { return ok_; }
    const std::string& Outcome() const { return outcome_; }
    const std::vector<PartTranscript>& Parts() const { return parts_; }

signals:
    void finished(bool ok);

private:
    bool begin(bool attended, bool replace, std::string& msg);
    void showProgress(int percent, const std::string& status);
    void end(bool ok, const std::string& engineError);
    void setBusy(bool on);

    MainWindow& main_;
    PublishForm& form_;
    Preferences& prefs_;
    FrontEndHooks& hooks_;
    std::unique_ptr<LectureTranscriber> transcriber_;  // one per run
    TranscribeOptions options_;
    std::vector<PartTranscript> parts_;
    std::thread worker_;
    bool attended_ = true;
    bool ok_ = false;
    std::string outcome_, status_;
};

}  // namespace pellucor
