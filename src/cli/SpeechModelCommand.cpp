// pellucor speech-model: the Whisper models of whisper.cpp's own list in
// the models folder. "list" shows each with its size and whether it is
// there; "install NAME" downloads it from the list's host (or --url, else
// the mirror preference prfSpeechModelUrl), checks its SHA-1 and only then
// gives it its name; an interrupted install (Ctrl-C, a lost connection)
// resumes where it stopped. "remove NAME" deletes the model's file.
#include "cli/Commands.h"

#include <filesystem>
#include <iomanip>
#include <iostream>

#include "core/CommandLine.h"
#include "core/PreferenceStore.h"
#include "core/SignalStop.h"
#include "speech/ModelDownload.h"
#include "speech/SpeechEngines.h"
#include "speech/WhisperModelCatalog.h"

namespace pellucor {

namespace {

namespace fs = std::filesystem;

std::string megabytes(uintmax_t bytes) { return std::to_string((bytes + (1 << 19)) >> 20) + " MB"; }

int listModels()
{
    std::error_code ec;
    for (const SpeechModel& m : WhisperModels()) {
        const std::string path = InstalledWhisperModelPath(m.name);
        std::cout << std::left << std::setw(11) << m.name << std::setw(9) << m.size;
        if (fs::is_regular_file(path, ec))
            std::cout << "installed  " << path;
        else if (const uintmax_t part = fs::file_size(ModelDownload::PartOf(path), ec); !ec)
            std::cout << "partly downloaded (" << megabytes(part) << "): install resumes it";
        else
            std::cout << "not installed";
        std::cout << "\n";
    }
    std::cout << "models folder " << SpeechModelsDir() << "\n";
    return 0;
}

int installModel(CommandLine& cl, const SpeechModel& model, const std::string& base)
{
    const std::string target = InstalledWhisperModelPath(model.name);
    std::error_code ec;
    if (fs::exists(target, ec)) {
        std::cout << "The Whisper model " << model.name << " is installed: " << target << "\n";
        return 0;
    }
    ModelDownloadRequest request {WhisperModelUrl(base, model.name), target, model.sha1};
    ModelDownload download;
    ProgressPrinter progress = cl.progress("Downloading");
    progress.Status("Downloading " + WhisperModelFileName(model.name) + " (" + model.size + ") from " + request.url);
    download.onProgress = [&](int64_t done, int64_t total) {
        if (total > 0)
            progress.Percent(static_cast<int>(done * 100 / total));
    };
    std::string err;
    ModelDownload::Result result;
    int signal = 0;
    {
        const SignalStop stop(download);
        result = download.Run(request, err);
        signal = stop.Signal();
    }
    progress.Finish();
    if (download.ResumedFrom() > 0 && result != ModelDownload::Result::Failed)
        std::cout << "Resumed at " << megabytes(static_cast<uintmax_t>(download.ResumedFrom())) << "\n";
    switch (result) {
    case ModelDownload::Result::Installed:
        std::cout << "Installed the Whisper model " << model.name << ": " << target << " (SHA-1 checked)\n";
        return 0;
    case ModelDownload::Result::Cancelled:
        cl.error("cancelled: " + ModelDownload::PartOf(target) + " is kept, install resumes it");
        return 128 + (signal ? signal : SIGINT);
    case ModelDownload::Result::Failed: break;
    }
    cl.error(err);
    return 1;
}

int removeModel(CommandLine& cl, const SpeechModel& model)
{
    const std::string target = InstalledWhisperModelPath(model.name);
    std::error_code ec;
    const bool file = fs::remove(target, ec);
    const bool part = fs::remove(ModelDownload::PartOf(target), ec);
    if (!file && !part) {
        cl.error(std::string("The Whisper model ") + model.name + " is not installed (" + target + ")");
        return 1;
    }
    std::cout << "Removed " << (file ? target : ModelDownload::PartOf(target)) << "\n";
    return 0;
}

}  // namespace

int RunSpeechModelCommand(int argc, char** argv)
{
    CommandLine cl(
        argc, argv, "speech-model",
        "The Whisper speech models of whisper.cpp's list, in the models folder: list them, install "
        "one (downloaded, its SHA-1 checked; an interrupted install resumes) or remove one.",
        {{"action", "list, install or remove."}, {"name", "The model (install, remove): tiny, base.en, ..."}});
    const QCommandLineOption url("url",
                                 "Download from this address (a mirror holding ggml-NAME.bin) instead of the "
                                 "preference prfSpeechModelUrl, else whisper.cpp's host.",
                                 "base");
    cl.parser.addOption(url);
    cl.process();
    const QStringList args = cl.positional();
    const std::string action = args.value(0).toStdString();
    if (action == "list" && args.size() == 1) {
        if (WhisperModels().empty()) {
            std::cout << "This program was built without whisper.cpp: it offers no Whisper models\n";
            return 0;
        }
        return listModels();
    }
    if ((action != "install" && action != "remove") || args.size() != 2)
        return cl.usage("give list, install NAME or remove NAME (see --help)");
    if (WhisperModels().empty()) {
        cl.error("This program was built without whisper.cpp (scripts/setup fetches it, then scripts/build): it "
                 "cannot use a Whisper model");
        return 1;
    }
    const SpeechModel* model = FindWhisperModel(args[1].toStdString());
    if (!model)
        return cl.usage("there is no Whisper model \"" + args[1].toStdString() + "\" (" + WhisperModelNames() + ")");
    if (action == "remove")
        return removeModel(cl, *model);
    const std::string mirror = PreferenceStore::ValueIn(PreferenceStore().Read(), "prfSpeechModelUrl");
    const std::string base
        = cl.parser.isSet(url) ? cl.parser.value(url).toStdString() : (mirror.empty() ? WhisperModelHostUrl() : mirror);
    return installModel(cl, *model, base);
}

}  // namespace pellucor
