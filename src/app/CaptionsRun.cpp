#include "app/CaptionsRun.h"

#include <memory>
#include <utility>

#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "app/SpeechModelSetup.h"
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
    case PartTranscript::Result::ReviewKept:
        return file + (p.reviewed ? " kept (reviewed by a person)" : " kept (a person is reviewing them)");
    case PartTranscript::Result::Failed: break;
    }
    return "part " + std::to_string(p.part) + " (" + Tav_SplitPath(p.recording).last
        + "): " + (p.error.empty() ? std::string("not done") : p.error);
}

}  // namespace

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
    if (attended && hooks_.speechModelInstall && SpeechModelSetup::NoModel(prefs_.Snapshot())) {
        const int answer = Tav_AskYesNoCancel(
            "No Whisper speech model is installed, so PocketSphinx would make the captions (English only, and "
            "less accurate).\n\nInstall a speech model first? (Yes: choose one to download; No: make the "
            "captions with PocketSphinx now.)");
        if (answer == TavCancel || (answer == TavYes && !hooks_.speechModelInstall()))
            return false;
    }
    const SpeechChoice choice = SpeechCaptionMaker::ChoiceFrom(prefs_.Snapshot());
    transcriber_ = std::move(transcriber);
    transcriber_->onProgress
        = [this](double fraction, const std::string& status) { report(static_cast<int>(fraction * 100), status); };
    run(attended, "Making captions", [this, choice](std::string& engineError) {
        std::unique_ptr<SpeechEngine> engine;
        return transcriber_->Run(options_, parts_, [&](std::string& err) {
            engine = LoadSpeechEngine(choice, err);
            if (!engine)
                engineError = err;
            return engine.get();
        });
    });
    return true;
}

void CaptionsRun::ended(bool ok, const std::string& engineError)
{
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
    if (transcriber_->Cancelled())
        conclude(JobEnd::Cancelled,
                 "Making captions cancelled" + (made.empty() ? std::string() : " (kept: " + made + ")"));
    else if (!ok)
        conclude(JobEnd::Failed,
                 "Captions not made: " + (engineError.empty() ? failed : engineError)
                     + (made.empty() ? "" : " (done: " + made + ")"));
    else
        conclude(JobEnd::Succeeded, "Captions: " + made);
    if (attended_ && written && !transcriber_->Cancelled())
        FrontEndHooks::Open(hooks_.captionEditor, "The caption editor is not available", written->captions,
                            written->recording);
}

}  // namespace pellucor
