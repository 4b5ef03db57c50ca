// "Install a speech model…", offered where Make Captions and the
// preferences find no Whisper model: which of whisper.cpp's models (with
// its size; base.en at first), a question before anything is downloaded,
// then the download on a worker thread with its percent and Cancel, into
// the models folder (from the mirror preference prfSpeechModelUrl when
// set). The progress and the outcome arrive on the model's thread.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/PreferenceStore.h"
#include "speech/ModelDownload.h"

namespace pellucor {

class SpeechModelSetup : public QObject {
    Q_OBJECT
public:
    explicit SpeechModelSetup(std::function<PreferenceSnapshot()> prefs, QObject* parent = nullptr);
    // Cancels a download under way and waits for it (its .part stays).
    ~SpeechModelSetup() override;

    // Whether captions made now would find no Whisper model though the
    // program could use one.
    static bool NoModel(const PreferenceSnapshot& prefs);

    // The models offered, "base.en (142 MiB)", and the one offered first.
    QStringList Choices() const;
    int DefaultChoice() const;
    // Asks the user, then downloads the model of the choice; false when
    // the user said no or a download already runs.
    bool Install(int choice);
    void Cancel();
    bool Busy() const { return worker_.joinable(); }

signals:
    void progress(int percent);
    // The download has ended: installed or not, and in words.
    void finished(bool installed, const QString& outcome);

private:
    void ended(ModelDownload::Result result, const std::string& err);

    std::function<PreferenceSnapshot()> prefs_;
    std::unique_ptr<ModelDownload> download_;
    std::string name_, target_;
    std::thread worker_;
};

}  // namespace pellucor
