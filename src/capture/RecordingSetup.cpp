#include "capture/RecordingSetup.h"

#include <filesystem>
#include <system_error>

#include "capture/EncoderSetup.h"
#include "capture/PlayerWindow.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;

RecordingSetup::RecordingSetup(RecordingWindows* windows, QObject* parent)
    : CaptureWindow(parent), windows_(windows) { }

void RecordingSetup::load()
{
    part_ = "1";
    multiPartChanged(chkMulti_);
    if (!Tav_ChkDir(dir()))
        SetStatus("Error in Directory");
}

void RecordingSetup::multiPartChanged(bool on)
{
    chkMulti_ = on;
    if (on)
        Tav_Message("MultiPart lectures use a different naming scheme for the media and events files.  Instead of "
                    "rawmedia.txt and rawmedia.rm, the lecture name is used with a single digit appended for each "
                    "part.");
    partChanged(part_);
}

void RecordingSetup::partChanged(const std::string& text)
{
    part_ = text;
    const std::string name = lectureName ? lectureName() : std::string();
    if (chkMulti_) {
        fields_.txtFile = dir() + name + part_ + ".txt";
        fields_.txtMedia = dir() + name + part_ + ".rm";
    } else {
        fields_.txtFile = dir() + "rawmedia.txt";
        fields_.txtMedia = dir() + "rawmedia.rm";
    }
    ShowFileStatus();
}

void RecordingSetup::fileChanged(const std::string& text)
{
    fields_.txtFile = text;
    ShowFileStatus();
}

void RecordingSetup::mediaChanged(const std::string& text)
{
    fields_.txtMedia = text;
    ShowFileStatus();
}

void RecordingSetup::SetMediaControl(MediaControl which)
{
    fields_.chkNoMedia = which == NoMedia;
    fields_.chkEncoder = which == RecordMedia;
    fields_.chkPlayer = which == PlayMedia;
    ShowFileStatus();
}

void RecordingSetup::SetDisplayStyle(DisplayStyle which)
{
    fields_.chkMaxGIF = which == MaximizedGIFs;
    fields_.chkGIF = which == SmallGIFs;
    fields_.chkNone = which == NoSlides;
    emit changed();
}

void RecordingSetup::ShowFileStatus()
{
    std::error_code ec;
    const fs::path events(fields_.txtFile);
    const bool exists = !fields_.txtFile.empty() && fs::exists(events, ec);
    if (!exists && !ec) {
        SetStatus("Event file does not exist (normal)", kColourWhite);
    } else {
        const auto size = ec ? 0 : fs::file_size(events, ec);
        if (ec)
            SetStatus("Error:" + ec.message(), kColourRed);
        else if (size == 0)
            SetStatus("Event file is empty (normal)", kColourWhite);
        else
            SetStatus("Event file size " + std::to_string(size)
                          + " bytes - Unless you intend to append to existing events file you should clear exisiting "
                            "events and/or media before starting the lecture",
                      kColourYellow);
    }
    fileColour_ = exists ? kColourYellow : kColourWhite;
    const bool media = !fields_.txtMedia.empty() && Tav_ChkFile(fields_.txtMedia);
    mediaColour_ = (media && fields_.chkEncoder) || (!media && fields_.chkPlayer) ? kColourYellow : kColourWhite;
    emit changed();
}

void RecordingSetup::reset()
{
    fields_.txtSlideNum = "1";
    fields_.txtStartTime = "00:00:00";
    Tav_RemoveFile(fields_.txtFile);
    fileChanged(fields_.txtFile);
}

void RecordingSetup::deleteMedia()
{
    Tav_RemoveFile(fields_.txtMedia);
    mediaChanged(fields_.txtMedia);
}

bool RecordingSetup::setUpEncoder()
{
    std::string err;
    EncoderSetup* enc = windows_ ? windows_->LoadMediaOpener(err) : nullptr;
    if (!enc) {
        PlainMessage("Pellucor cannot Load RealProducer ActiveX Control - " + err);
        return false;
    }
    if (!Tav_RemoveFile(fields_.txtMedia))
        return false;
    emit visibilityRequested(false);
    enc->Helper(true);
    enc->DoAudio(fields_.txtMedia);
    windows_->ShowEncoderModal();
    return enc->rpCtl().IsSourceOpen();
}

bool RecordingSetup::setUpPlayer()
{
    if (!Tav_ChkFile(fields_.txtMedia)) {
        PlainMessage("RealPlayer not started - file does not exist - " + fields_.txtMedia);
        return false;
    }
    std::string err;
    PlayerWindow* player = windows_ ? windows_->LoadPlayer(err) : nullptr;
    if (!player) {
        PlainMessage("Unable to load RealPlayer ActiveX Control - " + err);
        return false;
    }
    emit visibilityRequested(false);
    windows_->ShowPlayer();
    if (!player->SetSource(fields_.txtMedia)) {
        PlainMessage("Error unable to set media source - " + fields_.txtMedia);
        return false;
    }
    return true;
}

void RecordingSetup::startRecording()
{
    if (Trim(fields_.txtFile).empty()) {
        PlainMessage("Please Specify a File Name");
        return;
    }
    if (Tav_ChkFile(fields_.txtFile) && !chkMulti_
        && PlainAskYesNoCancel("Are you sure that you want to append timing events to an existing file - "
                               + fields_.txtFile)
            != TavYes)
        return;
    bool ready = true;
    if (fields_.chkEncoder && !setUpEncoder()) {
        PlainMessage("Encoder Setup Incomplete");
        ready = false;
    }
    if (ready && fields_.chkPlayer && !setUpPlayer()) {
        PlainMessage("Player Setup Incomplete");
        ready = false;
    }
    if (ready && windows_)
        windows_->RunRecorder(fields_.chkMaxGIF, fields_);
    emit visibilityRequested(true);
    if (windows_) {
        windows_->UnloadEncoder();
        windows_->UnloadPlayer();
    }
    ShowFileStatus();
}

}  // namespace pellucor

#include "moc_RecordingSetup.cpp"
