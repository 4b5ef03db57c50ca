#include "app/CaptionsRun.h"

#include <memory>
#include <utility>

#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "app/WindowJobShow.h"
#include "core/TavUtils.h"
#include "speech/SpeechCaptionMaker.h"
#include "speech/SpeechEngines.h"

namespace pellucor {

namespace {

// What became of one part, as the status line and the automation say it.
std::string captionsOutcome(const PartTranscript& p)
{
    const std::string file = Tav_SplitPath(p.captions).last;
    switch (p.result) {
    case PartTranscript::Result::Written: return file + " (" + std::to_string(p.cues) + " cues)";
    case PartTranscript::Result::LecturersKept: return file + " kept (the lecturer's)";
    case PartTranscript::Result::MachineKept: return file + " kept (made before)";
    case PartTranscript::Result::Failed: break;
    }
    return "part " + std::to_string(p.part) + " (" + Tav_SplitPath(p.recording).last
        + "): " + (p.error.empty() ? std::string("not done") : p.error);
}

}  // namespace

CaptionsRun::CaptionsRun(MainWindow& main, PublishForm& form, Preferences& prefs, FrontEndHooks& hooks, QObject* parent)
    : QObject(parent), main_(main), form_(form), prefs_(prefs), hooks_(hooks)
{ }

CaptionsRun::~CaptionsRun()
{
    Cancel();
    if (worker_.joinable())
        worker_.join();
}

void CaptionsRun::Start()
{
    std::string msg;
    if (!begin(true, false, msg) && !msg.empty())
        Tav_Message(msg);
}

bool CaptionsRun::StartUnattended(bool replace, std::string& msg) { return begin(false, replace, msg); }

bool CaptionsRun::begin(bool attended, bool replace, std::string& msg)
{
    if (msg = JobStartRefusal(Busy(), form_.Busy(), hooks_); !msg.empty())
        return false;
    options_ = {};
    options_.mediaDir = Tav_DirSlash(form_.TextMedia);
    options_.lecName = form_.TextName;
    options_.replace = replace;
    auto transcriber = std::make_unique<LectureTranscriber>();
    if (!transcriber->Plan(options_, parts_, msg))
        return false;
    const SpeechChoice choice = SpeechCaptionMaker::ChoiceFrom(prefs_.Snapshot());
    attended_ = attended;
    ok_ = false;
    outcome_.clear();
    status_.clear();
    transcriber_ = std::move(transcriber);
    setBusy(true);
    showProgress(0, "Making captions");
    transcriber_->onProgress = [this](double fraction, const std::string& status) {
        const int percent = static_cast<int>(fraction * 100);
        QMetaObject::invokeMethod(
            this, [this, percent, status] { showProgress(percent, status); }, Qt::QueuedConnection);
    };
    worker_ = std::thread([this, choice] {
        std::unique_ptr<SpeechEngine> engine;
        std::string engineError;
        const bool ok = transcriber_->Run(options_, parts_, [&](std::string& err) {
            engine = LoadSpeechEngine(choice, err);
            if (!engine)
                engineError = err;
            return engine.get();
        });
        QMetaObject::invokeMethod(
            this, [this, ok, engineError] { end(ok, engineError); }, Qt::QueuedConnection);
    });
    return true;
}

void CaptionsRun::setBusy(bool on) { ShowJobBusy(main_, form_, on); }

void CaptionsRun::showProgress(int percent, const std::string& status)
{
    ShowJobProgress(main_, form_, percent);
    if (!status.empty() && status != status_)
        form_.SetStatus((status_ = status) + "...", kColourYellow);
}

void CaptionsRun::end(bool ok, const std::string& engineError)
{
    worker_.join();
    ok_ = ok;
    setBusy(false);
    std::string made, failed;
    const PartTranscript* written = nullptr;
    for (const PartTranscript& p : parts_) {
        std::string& list = p.result == PartTranscript::Result::Failed ? failed : made;
        if (p.result == PartTranscript::Result::Failed && (!p.needed || p.error == "cancelled"))
            continue;
        list += (list.empty() ? "" : ", ") + captionsOutcome(p);
        if (p.result == PartTranscript::Result::Written && !written)
            written = &p;
    }
    if (transcriber_->Cancelled()) {
        ok_ = false;
        outcome_ = "Making captions cancelled" + (made.empty() ? std::string() : " (kept: " + made + ")");
        ShowJobEnd(form_, JobEnd::Cancelled, outcome_, attended_);
    } else if (!ok) {
        outcome_ = "Captions not made: " + (engineError.empty() ? failed : engineError)
            + (made.empty() ? "" : " (done: " + made + ")");
        ShowJobEnd(form_, JobEnd::Failed, outcome_, attended_);
    } else {
        outcome_ = "Captions: " + made;
        ShowJobEnd(form_, JobEnd::Succeeded, outcome_, attended_);
    }
    if (attended_ && written && !transcriber_->Cancelled())
        FrontEndHooks::Open(hooks_.captionEditor, "The caption editor is not available", written->captions,
                            written->recording);
    emit finished(ok_);
}

}  // namespace pellucor
