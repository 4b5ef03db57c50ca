#include "capture/RealConv.h"

#include "capture/FileChooser.h"
#include "core/TavUtils.h"

RealConv::RealConv(EncoderControl& encoder, FileChooser* chooser, QObject* parent)
    : CaptureWindow(parent), encoder_(encoder), chooser_(chooser)
{
    encoder_.events.OnEncodingProgressChanged = [this](int p) { rpCtl_OnEncodingProgressChanged(p); };
    encoder_.events.OnEncodingStarted = [this] { rpCtl_OnEncodingStarted(); };
    encoder_.events.OnEncodingStopped = [this] { rpCtl_OnEncodingStopped(); };
    encoder_.events.OnErrorOccurred = [this](int code, const std::string& text) { rpCtl_OnErrorOccurred(code, text); };
}

RealConv::~RealConv() { encoder_.events = EncoderEvents{}; }

void RealConv::ApplyEncoderSettings()
{
    encoder_.SetInputKind(EncoderControl::InputFile);
    encoder_.SetInputFilename(input_);
    encoder_.SetDoOutputFile(true);
    encoder_.SetOutputFilename(output_);
    for (int i = 0; i < 6; ++i)
        encoder_.SetTarget(static_cast<EncoderControl::Target>(i), speed_ == i);
    encoder_.SetSetting(3407, 0);
    encoder_.SetSetting(3410, 5);
    encoder_.SetSetting(3411, 1);
    encoder_.SetAudioOn(true);
}

void RealConv::cmdSelInp_Click()
{
    if (!chooser_)
        return;
    const std::string name = chooser_->OpenFileName(std::string(), kInputFilter);
    if (!name.empty())
        txtInput_Change(name);
}

void RealConv::cmdSelOut_Click()
{
    if (!chooser_)
        return;
    const std::string name = chooser_->SaveFileName(std::string(), kOutputFilter);
    if (!name.empty())
        txtOutput_Change(name);
}

void RealConv::txtInput_Change(const std::string& text)
{
    input_ = text;
    ApplyEncoderSettings();
    emit changed();
}

void RealConv::txtOutput_Change(const std::string& text)
{
    output_ = text;
    ApplyEncoderSettings();
    emit changed();
}

void RealConv::lstSpeed_Click(int index)
{
    speed_ = index;
    ApplyEncoderSettings();
    emit changed();
}

void RealConv::cmdStart_Click()
{
    if (encoder_.IsEncoding())
        return;
    SetStatus("Encoding Starting...");
    progress_ = 0;
    failed_ = cancelled_ = false;
    ApplyEncoderSettings();
    encoder_.StartEncoding();
    if (!encoder_.IsEncoding() && !failed_)
        SetStatus("Unable to Start Encoding..", kColourRed);
}

void RealConv::cmdCancel_Click()
{
    if (encoder_.IsEncoding()) {
        cancelled_ = true;
        encoder_.StopEncoding();
    }
}

bool RealConv::cmdDone_Click()
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

void RealConv::rpCtl_OnEncodingProgressChanged(int percent)
{
    progress_ = std::max(0, std::min(100, percent));
    emit changed();
}

void RealConv::rpCtl_OnEncodingStarted() { SetStatus("Encoding Started...", kColourGreen); }

void RealConv::rpCtl_OnEncodingStopped()
{
    // A cancelled conversion holds only the part read so far: not a completion.
    if (cancelled_) {
        SetStatus("Encoding stopped...", kColourYellow);
        return;
    }
    progress_ = 100;
    emit changed();
    Tav_Message("Encoding Complete");
}

void RealConv::rpCtl_OnErrorOccurred(int code, const std::string& description)
{
    failed_ = true;
    SetStatus("Error in Encoding (" + std::to_string(code) + ") " + description, kColourRed);
    if (tav::endsWith(tav::upper(input_), ".MOV"))
        Tav_Message("This error typically occurs when Real cannot understand the video or audio format.  "
                    "RealProducer on the Macintosh is more capable of handling Quicktime - you may have to convert "
                    "from " +
                    input_ + " to " + output_ + " manually on a Macintosh.");
}
