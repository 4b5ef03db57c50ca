#include "app/SpeechModelSetup.h"

#include <QMetaObject>

#include "core/Messages.h"
#include "speech/SpeechCaptionMaker.h"
#include "speech/SpeechEngines.h"
#include "speech/WhisperModelCatalog.h"

namespace pellucor {

SpeechModelSetup::SpeechModelSetup(std::function<PreferenceSnapshot()> prefs, QObject* parent)
    : QObject(parent), prefs_(std::move(prefs))
{ }

SpeechModelSetup::~SpeechModelSetup()
{
    Cancel();
    if (worker_.joinable())
        worker_.join();
}

bool SpeechModelSetup::NoModel(const PreferenceSnapshot& prefs)
{
    return WhisperBuiltIn() && !WhisperModels().empty()
        && WhisperModelOf(SpeechCaptionMaker::ChoiceFrom(prefs)).empty();
}

QStringList SpeechModelSetup::Choices() const
{
    QStringList out;
    for (const SpeechModel& m : WhisperModels())
        out << QString("%1 (%2)").arg(m.name, m.size);
    return out;
}

int SpeechModelSetup::DefaultChoice() const
{
    const auto models = WhisperModels();
    for (size_t i = 0; i < models.size(); ++i)
        if (std::string(models[i].name) == "base.en")
            return static_cast<int>(i);
    return 0;
}

bool SpeechModelSetup::Install(int choice)
{
    const auto models = WhisperModels();
    if (Busy() || choice < 0 || static_cast<size_t>(choice) >= models.size())
        return false;
    const SpeechModel& model = models[static_cast<size_t>(choice)];
    const std::string mirror = PreferenceStore::ValueIn(prefs_(), "prfSpeechModelUrl");
    const std::string url = WhisperModelUrl(mirror.empty() ? WhisperModelHostUrl() : mirror, model.name);
    name_ = model.name;
    target_ = InstalledWhisperModelPath(model.name);
    if (Tav_AskOkCancel("Download the Whisper speech model " + name_ + " (" + model.size + ") from " + url + " into "
                        + SpeechModelsDir() + "?")
        != TavOK)
        return false;
    download_ = std::make_unique<ModelDownload>();
    download_->onProgress = [this](int64_t done, int64_t total) {
        if (total > 0)
            QMetaObject::invokeMethod(
                this, [this, p = static_cast<int>(done * 100 / total)] { emit progress(p); }, Qt::QueuedConnection);
    };
    emit progress(0);
    worker_ = std::thread([this, request = ModelDownloadRequest {url, target_, model.sha1}] {
        std::string err;
        const ModelDownload::Result result = download_->Run(request, err);
        QMetaObject::invokeMethod(
            this, [this, result, err] { ended(result, err); }, Qt::QueuedConnection);
    });
    return true;
}

void SpeechModelSetup::Cancel()
{
    if (download_)
        download_->Cancel();
}

void SpeechModelSetup::ended(ModelDownload::Result result, const std::string& err)
{
    worker_.join();
    switch (result) {
    case ModelDownload::Result::Installed:
        emit finished(true, QString::fromStdString("Installed the Whisper model " + name_ + ": " + target_));
        return;
    case ModelDownload::Result::Cancelled:
        emit finished(false,
                      QString::fromStdString("Download of " + name_ + " cancelled: installing it again resumes it"));
        return;
    case ModelDownload::Result::Failed: break;
    }
    emit finished(false, QString::fromStdString(err));
}

}  // namespace pellucor
