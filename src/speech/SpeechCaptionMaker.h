// The publish's automatic captions: the lecture transcriber with the
// engine the preferences choose (prfWhisperModel, prfSpeechLanguage).
#pragma once

#include <memory>

#include "core/CaptionMaker.h"
#include "core/PreferenceStore.h"
#include "speech/LectureTranscriber.h"
#include "speech/SpeechEngines.h"

namespace pellucor {

class SpeechCaptionMaker : public CaptionMaker {
public:
    explicit SpeechCaptionMaker(SpeechChoice choice);
    // With the engine the preferences choose.
    static std::unique_ptr<CaptionMaker> FromPreferences(const PreferenceSnapshot& prefs);
    // The engine, model and language the preferences choose.
    static SpeechChoice ChoiceFrom(const PreferenceSnapshot& prefs);
    bool MakeMissing(const std::string& mediaDir, const std::string& lecName,
                     const std::function<void(double, const std::string&)>& progress, std::string& err,
                     std::string& warnings) override;
    void Cancel() override { transcriber_.Cancel(); }
    bool Cancelled() const override { return transcriber_.Cancelled(); }

private:
    SpeechChoice choice_;
    LectureTranscriber transcriber_;
};

}  // namespace pellucor
