// Speech recognition with CMU PocketSphinx and Debian's US English model
// (pocketsphinx-en-us: acoustic model, dictionary and trigram language
// model): the engine every machine has.
#pragma once

#include <memory>
#include <string>

#include "speech/SpeechEngine.h"

namespace pellucor {

class PocketSphinxEngine : public SpeechEngine {
public:
    // The model directory Debian installs.
    static std::string DefaultModelDir();
    // The model of language (only "en" and "en-us" are installed); nullptr
    // with err when its files are missing or cannot be read.
    static std::unique_ptr<PocketSphinxEngine> Load(const std::string& language, std::string& err,
                                                    const std::string& modelDir = DefaultModelDir());

    std::string Describe() const override;
    std::string Language() const override { return "en"; }
    std::unique_ptr<SpeechDecoder> NewDecoder(std::string& err) override;
    // Its work follows every frame it hears: silence is never given.
    double PackedSilence() const override { return 0; }

private:
    std::string hmm_, lm_, dict_;
};

}  // namespace pellucor
