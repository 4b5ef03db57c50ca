#include "speech/WhisperModelCatalog.h"

#include "speech/SpeechEngines.h"

namespace pellucor {

namespace {
#ifdef PELLUCOR_WHISPER
#include "WhisperModelList.inc"
#else
constexpr const char* kWhisperModelHost = "";
constexpr const char* kWhisperModelPath = "";
const std::span<const SpeechModel> kWhisperModelRows;
#endif

// The list's path is the folder and the files' common start ("resolve/main/ggml").
std::string pathFolder()
{
    const std::string path = kWhisperModelPath;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string filePrefix()
{
    const std::string path = kWhisperModelPath;
    return path.substr(path.rfind('/') + 1);
}
}  // namespace

std::span<const SpeechModel> WhisperModels() { return kWhisperModelRows; }

const SpeechModel* FindWhisperModel(const std::string& name)
{
    for (const SpeechModel& m : WhisperModels())
        if (name == m.name)
            return &m;
    return nullptr;
}

std::string WhisperModelNames()
{
    std::string names;
    for (const SpeechModel& m : WhisperModels())
        names += (names.empty() ? "" : " ") + std::string(m.name);
    return names;
}

std::string WhisperModelFileName(const std::string& name) { return filePrefix() + "-" + name + ".bin"; }

std::string WhisperModelHostUrl()
{
    const std::string folder = pathFolder();
    return std::string(kWhisperModelHost) + (folder.empty() ? "" : "/" + folder);
}

std::string WhisperModelUrl(const std::string& base, const std::string& name)
{
    std::string url = base;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url + "/" + WhisperModelFileName(name);
}

std::string InstalledWhisperModelPath(const std::string& name)
{
    return SpeechModelsDir() + WhisperModelFileName(name);
}

}  // namespace pellucor
