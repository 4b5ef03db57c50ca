#include "speech/SpeechCaptionMaker.h"

#include <memory>
#include <utility>

#include "core/TavUtils.h"

namespace pellucor {

SpeechCaptionMaker::SpeechCaptionMaker(SpeechChoice choice) : choice_(std::move(choice)) { }

SpeechChoice SpeechCaptionMaker::ChoiceFrom(const PreferenceSnapshot& prefs)
{
    SpeechChoice choice;
    choice.model = PreferenceStore::ValueIn(prefs, "prfWhisperModel");
    choice.language = PreferenceStore::ValueIn(prefs, "prfSpeechLanguage");
    return choice;
}

std::unique_ptr<CaptionMaker> SpeechCaptionMaker::FromPreferences(const PreferenceSnapshot& prefs)
{
    return std::make_unique<SpeechCaptionMaker>(ChoiceFrom(prefs));
}

bool SpeechCaptionMaker::MakeMissing(const std::string& mediaDir, const std::string& lecName,
                                     const std::function<void(double, const std::string&)>& progress, std::string& err,
                                     std::string& warnings)
{
    TranscribeOptions options;
    options.mediaDir = mediaDir;
    options.lecName = lecName;
    std::vector<PartTranscript> parts;
    if (!transcriber_.Plan(options, parts, err))
        return false;
    transcriber_.onProgress = progress;
    std::unique_ptr<SpeechEngine> engine;
    std::string engineError;
    transcriber_.Run(options, parts, [&](std::string& e) {
        engine = LoadSpeechEngine(choice_, e);
        if (!engine)
            engineError = e;
        return engine.get();
    });
    if (!engineError.empty()) {
        err = engineError;
        return false;
    }
    for (const PartTranscript& p : parts)
        if (p.needed && p.result == PartTranscript::Result::Failed && !p.error.empty() && p.error != "cancelled")
            warnings += (warnings.empty() ? "" : "; ") + std::string("part ") + std::to_string(p.part) + ": " + p.error;
    return !transcriber_.Cancelled();
}

}  // namespace pellucor
