#include "capture/MediaConverter.h"

#include "core/FileChooser.h"
#include "core/TavUtils.h"
#include "media/MediaFilters.h"

namespace pellucor {

MediaConverter::MediaConverter(EncoderControl& encoder, FileChooser* chooser, QObject* parent)
    : CaptureWindow(parent), encoder_(encoder), chooser_(chooser)
{
    encoder_.events.OnEncodingProgressChanged = [this](int p) { encodingProgressed(p); };
    encoder_.events.OnEncodingStarted = [this] { encodingStarted(); };
    encoder_.events.OnEncodingStopped = [this] { encodingStopped(); };
    encoder_.events.OnErrorOccurred = [this](int code, const std::string& text) { encoderFailed(code, text); };
}

MediaConverter::~MediaConverter() { encoder_.events = EncoderEvents {}; }

void MediaConverter::ApplyEncoderSettings()
{
    encoder_.SetInputKind(EncoderControl::InputFile);
    encoder_.SetInputFilename(input_);
    encoder_.SetDoOutputFile(true);
    encoder_.SetOutputFilename(output_);
    for (int i = 0; i < 6; ++i)
        encoder_.SetTarget(static_cast<EncoderControl::Target>(i), speed_ == i);
    encoder_.SetAudioOn(true);
}

void MediaConverter::chooseInput()
{
    if (!chooser_)
        return;
    const std::string name = chooser_->OpenFileName(std::string(), WithMediaFilter(kInputFilter));
    if (!name.empty())
        inputChanged(name);
}

void MediaConverter::chooseOutput()
{
    if (!chooser_)
        return;
    const std::string name = chooser_->SaveFileName(std::string(), kOutputFilter);
    if (!name.empty())
        outputChanged(name);
}

void MediaConverter::inputChanged(const std::string& text)
{
    input_ = text;
    ApplyEncoderSettings();
    emit changed();
}

void MediaConverter::outputChanged(const std::string& text)
{
    output_ = text;
    ApplyEncoderSettings();
    emit changed();
}

void MediaConverter::speedChosen(int index)
{
    speed_ = index;
    ApplyEncoderSettings();
    emit changed();
}

void MediaConverter::start()
{
    if (encoder_.IsEncoding())
        return;
    SetStatus("Encoding Starting...");
    progress_ = 0;
    failed_ = cancelled_ = completed_ = false;
    ApplyEncoderSettings();
    encoder_.StartEncoding();
    if (!encoder_.IsEncoding() && !failed_)
        SetStatus("Unable to Start Encoding..", kColourRed);
}

void MediaConverter::cancel()
{
    if (encoder_.IsEncoding()) {
        cancelled_ = true;
        encoder_.StopEncoding();
    }
}

bool MediaConverter::done()
{
    if (encoder_.IsEncoding()) {
        if (Tav_AskYesNoCancel("Currently encoding - to you want to stop encoding?") != TavYes)
            return false;
        cancelled_ = true;
        encoder_.StopEncoding();
    }
    emit closeRequested();
    return true;
}

void MediaConverter::encodingProgressed(int percent)
{
    progress_ = std::max(0, std::min(100, percent));
    emit changed();
}

void MediaConverter::encodingStarted() { SetStatus("Encoding Started...", kColourGreen); }

void MediaConverter::encodingStopped()
{
    // A cancelled conversion holds only the part read so far: not a completion.
    if (cancelled_) {
        SetStatus("Encoding stopped...", kColourYellow);
        return;
    }
    progress_ = 100;
    completed_ = true;
    emit changed();
    Tav_Message("Encoding Complete");
}

void MediaConverter::encoderFailed(int code, const std::string& description)
{
    failed_ = true;
    SetStatus("Error in Encoding (" + std::to_string(code) + ") " + description, kColourRed);
    if (EndsWith(Upper(input_), ".MOV"))
        Tav_Message("This error typically occurs when Real cannot understand the video or audio format.  "
                    "RealProducer on the Macintosh is more capable of handling Quicktime - you may have to convert "
                    "from "
                    + input_ + " to " + output_ + " manually on a Macintosh.");
}

}  // namespace pellucor

#include "moc_MediaConverter.cpp"
