#include "capture/EncoderSetup.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

#include "core/FileChooser.h"
#include "core/PreferenceStore.h"
#include "core/TavUtils.h"

namespace pellucor {

const std::vector<std::string>& BitRateItems()
{
    static const std::vector<std::string> items
        = {"28.8 Modem", "56K Modem", "Single ISDN", "Dual ISDN", "DSL/Cable Modem", "LAN"};
    return items;
}

EncoderSetup::EncoderSetup(EncoderControl& encoder, FileChooser* chooser, QObject* parent)
    : CaptureWindow(parent), encoder_(encoder), chooser_(chooser)
{
    clock = [] { return QDateTime::currentSecsSinceEpoch(); };
    encoder_.events.OnEncodingStarted = [this] { SetStatus("Encoding has started..."); };
    encoder_.events.OnEncodingStopped = [this] { SetStatus("Encoding stopped..."); };
    encoder_.events.OnErrorOccurred = [this](int code, const std::string& text) {
        lastError_ = text;
        SetStatus("Error (" + std::to_string(code) + ") " + text, kColourRed);
        UpdateButtons();
        emit encoderFailed(text);
    };
    encoder_.events.OnVideoWindowSized
        = [this] { emit videoWindowSized(encoder_.VideoWindowWidth(), encoder_.VideoWindowHeight()); };
    encoder_.events.OnPreviewFrame = [this](const PreviewFrame& frame) { emit previewFrame(frame); };
    encoder_.events.OnSoundLevel = [this](double peak) {
        // Shown in decibels from -60 dB (nothing) to 0 dB (full scale).
        const double db = peak > 0 ? 20 * std::log10(peak) : -60;
        level_ = static_cast<int>(std::lround(std::clamp((db + 60) / 60 * 100, 0.0, 100.0)));
        emit soundLevelChanged(level_);
    };
    load();
}

EncoderSetup::~EncoderSetup() { encoder_.events = EncoderEvents {}; }

void EncoderSetup::load()
{
    video_ = encoder_.VideoDriverNames();
    audio_ = encoder_.AudioDriverNames();
    if (audio_.empty())
        PlainMessage("RealRecord - Unable to find any audio drivers");
    // A WDM (kernel streaming) driver is the better default where present.
    videoIndex_ = video_.empty() ? -1 : 0;
    for (size_t i = 0; i < video_.size(); ++i)
        if (Contains(video_[i], "WDM")) {
            videoIndex_ = static_cast<int>(i);
            break;
        }
    if (videoIndex_ >= 0)
        encoder_.SetVideoDriver(videoIndex_);
    chkVideoEnabled_ = encoder_.VideoDriverCount() > 0;
    if (!chkVideoEnabled_)
        chkVideo_ = false;
    UpdateButtons();
}

void EncoderSetup::RememberDevicesIn(PreferenceStore* store)
{
    memory_ = store;
    if (!store)
        return;
    auto recall = [store](const char* kind, const std::vector<std::string>& names) {
        const auto it = std::find(names.begin(), names.end(), store->LastDevice(kind));
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    };
    if (const int audio = recall("audio", audio_); audio >= 0)
        encoder_.SetAudioDriver(audioIndex_ = audio);
    else if (!store->LastDevice("audio").empty())
        // Never another microphone in its place without a word.
        missingMicrophone_ = "The microphone used last time (" + store->LastDevice("audio")
            + ") is not connected: connect it, or choose another and press Setup";
    if (const int video = recall("video", video_); video >= 0)
        encoder_.SetVideoDriver(videoIndex_ = video);
    UpdateButtons();
    if (!missingMicrophone_.empty())
        SetStatus(missingMicrophone_, kColourYellow);
}

void EncoderSetup::UpdateButtons()
{
    const bool open = encoder_.IsSourceOpen(), encoding = encoder_.IsEncoding();
    recordEnabled_ = open && !encoding;
    dialogsEnabled_ = open && !encoding;
    stopEnabled_ = encoding;
    dialogsVisible_ = encoder_.VideoOn();
    emit changed();
}

void EncoderSetup::ApplyEncoderSettings()
{
    encoder_.SetInputKind(EncoderControl::InputDevices);
    encoder_.SetDoOutputFile(true);
    for (int i = 0; i < 6; ++i)
        encoder_.SetTarget(static_cast<EncoderControl::Target>(i), speed_ == i);
    // The audio device the user chose (not always the first).
    encoder_.SetAudioDriver(audioIndex_);
    encoder_.SetAudioOn(true);
    if (chkVideo_) {
        encoder_.SetVideoOn(true);
        encoder_.SetVideoOutputWidth(160);
        encoder_.SetVideoOutputHeight(120);
    } else {
        encoder_.SetVideoOn(false);
    }
    UpdateButtons();
}

bool EncoderSetup::startEncoding()
{
    if (encoder_.IsEncoding()) {
        SetStatus("Already Encoding...", kColourYellow);
        return false;
    }
    lastError_.clear();
    encodingSince_ = clock();
    encoder_.StartEncoding();
    if (!encoder_.IsEncoding()) {
        // The encoder's own reason stays in view.
        SetStatus("Error Unable to StartEncoding.." + (lastError_.empty() ? std::string() : " " + lastError_),
                  kColourRed);
        return false;
    }
    SetStatus("Encoding Started...", kColourGreen);
    recordEnabled_ = false;
    stopEnabled_ = true;
    emit changed();
    return true;
}

void EncoderSetup::stopEncoding()
{
    SetStatus("Stopping encoding..", kColourYellow);
    processEvents();
    lastError_.clear();
    if (encoder_.IsSourceOpen() || encoder_.IsEncoding())
        encoder_.StopEncoding();
    if (encoder_.IsEncoding() || !lastError_.empty())
        SetStatus("Error trying to StopEncoding..", kColourRed);
    recordEnabled_ = true;
    stopEnabled_ = false;
    emit changed();
}

void EncoderSetup::start()
{
    startEncoding();
    UpdateButtons();
}

void EncoderSetup::stop()
{
    stopEncoding();
    // Stopping a trial recording before a lecture opens the devices again,
    // so that Next >> goes on to the recording itself.
    if (wizard_ && lastError_.empty() && !encoder_.IsSourceOpen())
        setUp();
    else
        UpdateButtons();
}

void EncoderSetup::DoVideo(const std::string& path)
{
    outputChanged(path);
    chkVideo_ = chkVideoEnabled_;
    ApplyEncoderSettings();
}

void EncoderSetup::DoAudio(const std::string& path)
{
    outputChanged(path);
    chkVideo_ = false;
    ApplyEncoderSettings();
}

void EncoderSetup::Helper(bool wizard)
{
    wizard_ = wizard;
    emit changed();
}

void EncoderSetup::outputChanged(const std::string& text)
{
    output_ = text;
    encoder_.SetOutputFilename(text);
    emit changed();
}

void EncoderSetup::stopIfBusy()
{
    if (encoder_.IsSourceOpen() || encoder_.IsEncoding())
        encoder_.StopEncoding();
}

void EncoderSetup::audioDeviceChosen(int index)
{
    stopIfBusy();
    missingMicrophone_.clear();  // the lecturer's own choice
    audioIndex_ = index;
    encoder_.SetAudioDriver(index);
    if (memory_ && index >= 0 && static_cast<size_t>(index) < audio_.size())
        memory_->SetLastDevice("audio", audio_[static_cast<size_t>(index)]);
    SetStatus("Please select the audio and video device drivers and press Setup...");
}

void EncoderSetup::videoDeviceChosen(int index)
{
    stopIfBusy();
    videoIndex_ = index;
    encoder_.SetVideoDriver(index);
    if (memory_ && index >= 0 && static_cast<size_t>(index) < video_.size())
        memory_->SetLastDevice("video", video_[static_cast<size_t>(index)]);
    SetStatus("When you are done selecting device drivers, press Setup...");
}

void EncoderSetup::videoChanged(bool on)
{
    chkVideo_ = on && chkVideoEnabled_;
    ApplyEncoderSettings();
}

void EncoderSetup::setUp()
{
    if (const std::string none = audio_.empty() ? kNoMicrophone : missingMicrophone_; !none.empty()) {
        SetStatus(none, kColourRed);
        UpdateButtons();
        return;
    }
    ApplyEncoderSettings();
    dialogsEnabled_ = false;
    SetStatus("Opening Source...", kColourYellow);
    stopIfBusy();
    encoder_.OpenSource();
    if (!encoder_.IsSourceOpen()) {
        SetStatus("Unable to Initialize Video Driver", kColourRed);
        UpdateButtons();
        return;
    }
    UpdateButtons();
    if (encoder_.VideoOn() && videoIndex_ >= 0)
        SetStatus("Setup Complete - you should now see your video in the left screen...", kColourGreen);
    else
        SetStatus("Setup Complete...", kColourGreen);
}

void EncoderSetup::deviceDialog(void (EncoderControl::*dialog)(), const std::string& busy, const std::string& done,
                                const std::string& failed)
{
    dialogsEnabled_ = false;
    SetStatus(busy, kColourYellow);
    lastError_.clear();
    (encoder_.*dialog)();
    if (lastError_.empty())
        SetStatus(done, kColourGreen);
    else
        SetStatus(failed + lastError_, kColourRed);
    UpdateButtons();
}

void EncoderSetup::chooseFormat()
{
    deviceDialog(&EncoderControl::ShowFormatDialog, "Setting Format...", "Card Format Completed",
                 "Setting Format failed:");
}

void EncoderSetup::chooseSource()
{
    deviceDialog(&EncoderControl::ShowSourceDialog, "Setting Card Source...", "Card Source Set",
                 "Setting Card Source failed:");
}

void EncoderSetup::chooseCompression()
{
    deviceDialog(&EncoderControl::ShowCompressionDialog, "Setting Compression...", "Compression Setting Completed",
                 "Setting Compression failed:");
}

void EncoderSetup::selectDevices()
{
    if (!chooser_)
        return;
    const std::string name = chooser_->SaveFileName(std::string(), kFilter);
    if (!name.empty())
        outputChanged(name);
}

void EncoderSetup::cancel()
{
    if (encoder_.IsEncoding())
        encoder_.StopEncoding();
    emit closeRequested();
}

void EncoderSetup::done() { emit closeRequested(); }

}  // namespace pellucor

#include "moc_EncoderSetup.cpp"
