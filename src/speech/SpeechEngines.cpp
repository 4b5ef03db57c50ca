#include "speech/SpeechEngines.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/TavUtils.h"
#include "speech/PocketSphinxEngine.h"
#ifdef PELLUCOR_WHISPER
#include "speech/WhisperEngine.h"
#endif

namespace pellucor {

namespace fs = std::filesystem;

std::string SpeechModelsDir()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::string base = data && *data ? data : std::string(home && *home ? home : "/tmp") + "/.local/share";
    return Tav_DirSlash(base) + "pellucor/models/";
}

std::string WhisperModelOf(const SpeechChoice& choice)
{
    if (!Trim(choice.model).empty())
        return Trim(choice.model);
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(SpeechModelsDir(), ec))
        if (e.is_regular_file(ec) && IEquals(e.path().extension().string(), ".bin"))
            found.push_back(e.path().string());
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

bool WhisperBuiltIn()
{
#ifdef PELLUCOR_WHISPER
    return true;
#else
    return false;
#endif
}

std::unique_ptr<SpeechEngine> LoadSpeechEngine(const SpeechChoice& choice, std::string& err)
{
    const std::string engine = Lower(Trim(choice.engine));
    const std::string model = WhisperModelOf(choice);
    const bool whisper = engine == "whisper" || (engine.empty() && !model.empty() && WhisperBuiltIn());
    if (!whisper && !engine.empty() && engine != "pocketsphinx") {
        err = "There is no speech engine \"" + choice.engine + "\" (pocketsphinx or whisper)";
        return nullptr;
    }
    if (!whisper && choice.translate) {
        err = "Only the Whisper engine translates: give it a multilingual Whisper model (--engine whisper --model "
              "FILE, or speech-model install base)";
        return nullptr;
    }
    if (!whisper)
        return PocketSphinxEngine::Load(choice.language, err);
    if (model.empty()) {
        err = "The Whisper engine needs a model file (ggml .bin, such as ggml-base.en.bin): give --model FILE or "
              "put one in "
            + SpeechModelsDir();
        return nullptr;
    }
#ifdef PELLUCOR_WHISPER
    return WhisperEngine::Load(model, choice.language, choice.translate, err);
#else
    err = "This program was built without whisper.cpp (scripts/setup fetches its sources, then scripts/build "
          "builds it): the model "
        + model + " cannot be used";
    return nullptr;
#endif
}

std::string DescribeSpeechEngines(const SpeechChoice& choice)
{
    std::string out = "pocketsphinx  ";
    std::string err;
    out += PocketSphinxEngine::Load("en", err)
        ? "ready: English (en-us), model " + PocketSphinxEngine::DefaultModelDir()
        : "not ready: " + err;
    out += "\nwhisper       ";
    const std::string model = WhisperModelOf(choice);
    if (!WhisperBuiltIn())
        out += "not built into this program (scripts/setup fetches whisper.cpp, then scripts/build)";
    else if (model.empty())
        out += "no model: give --model FILE or put a ggml .bin model in the models folder";
    else
        out += "ready: model " + model;
    out += "\nmodels folder " + SpeechModelsDir() + "\n";
    return out;
}

}  // namespace pellucor
