// Speech recognition with whisper.cpp and a Whisper model file the user
// has (ggml .bin: tiny, base, small ... in English only or in the many
// languages a multilingual model knows). The model is loaded once; each
// decoder keeps its own working state, so that the workers share the
// weights.
#pragma once

#include <memory>
#include <string>

#include "speech/SpeechEngine.h"

struct whisper_context;

namespace pellucor {

class WhisperEngine : public SpeechEngine {
public:
    // The model at path for language ("" or "auto": the model finds it),
    // writing English words for the speech when translate is set (a
    // multilingual model only); nullptr with err saying what is wrong.
    static std::unique_ptr<WhisperEngine> Load(const std::string& path, const std::string& language, bool translate,
                                               std::string& err);
    ~WhisperEngine() override;

    std::string Describe() const override;
    std::string Language() const override
    {
        return translate_ ? "en" : language_ == "auto" ? std::string() : language_;
    }
    std::string TranslatedFrom() const override { return translate_ ? language_ : std::string(); }
    std::unique_ptr<SpeechDecoder> NewDecoder(std::string& err) override;

private:
    WhisperEngine() = default;
    whisper_context* ctx_ = nullptr;
    std::string path_, language_;
    bool translate_ = false;
};

}  // namespace pellucor
