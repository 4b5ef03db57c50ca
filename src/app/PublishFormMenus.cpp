// The detailed form's menus: the ClipBoard import, recording a lecture and
// opening the tool windows (slide import, recording set-up, timing editor,
// player, encoder, server edition).
#include "app/PublishForm.h"

#include <filesystem>

#include "app/FrontEndHooks.h"
#include "core/CaptionFiles.h"
#include "core/PartRecordings.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {
const char* const kNoRecorder
    = "Pellucor cannot Load RealProducer ActiveX Control - the recording set-up is not available";

// Removes a file the user already agreed to lose; failures go to the log.
void removeAgreed(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::remove(path, ec) && ec)
        Tav_DebugLog("Unable to remove " + path + ": " + ec.message());
}
}  // namespace

bool PublishForm::clipBoardImport()
{
    SetStatus("Checking for ClipBoard Lecture");
    const std::string media = Tav_DirSlash(TextMedia);
    std::string source = media + "rawmedia.mov";
    if (!Tav_ChkFile(source)) {
        source = media + "rawmedia.avi";
        if (!Tav_ChkFile(source)) {
            Tav_Message("Could not find ClipBoard media file " + source + " (or rawmedia.mov)");
            return false;
        }
    }
    SetStatus("Checking for Real Media...");
    const std::string target = media + "rawmedia.rm";
    if (Tav_ChkFile(target)) {
        SetStatus(target + " found...");
        if (Tav_AskYesNoCancel(target + " already exists would you like to re-encode?") != TavYes)
            return true;
    }
    SetStatus("Converting from Quicktime to Real");
    // The converter window when there is one (the user picks the bit rate
    // and sees the progress and, for a QuickTime file it cannot read, the
    // hint); otherwise the conversion runs here.
    if (!hooks_->converter && !convertMedia) {
        SetStatus("Pellucor cannot Load RealProducer ActiveX Control - no converter", kColourRed);
        Tav_Message("Pellucor cannot Load RealProducer ActiveX Control - no converter");
        return false;
    }
    // An old target is removed first so that a failed conversion cannot
    // leave it looking like a result.
    removeAgreed(target);
    std::string err;
    const bool converted = hooks_->converter ? hooks_->converter(source, target) : convertMedia(source, target, err);
    if (!converted || !Tav_ChkFile(target)) {
        Tav_DebugLog("ClipBoard conversion failed: " + err);
        SetStatus(target + " not found...", kColourRed);
        Tav_Message(target + " Encode Failed...");
        return false;
    }
    SetStatus("ClipBoard Import Complete", kColourGreen);
    return true;
}

bool PublishForm::importClipboard()
{
    SetStatus("Performing ClipBoard Import...");
    if (clipBoardImport())
        return true;
    SetStatus("ClipBoard Import Failed", kColourRed);
    return false;
}

bool PublishForm::recordLecture()
{
    const std::string media = Tav_DirSlash(TextMedia);
    if (media.empty() || !Tav_ChkDir(media)) {
        Tav_Message("Error in Directory " + TextMedia);
        return false;
    }
    if ((HasFiles(media, "*.rm") || HasFiles(media, "*.txt"))
        && Tav_AskOkCancel("Preparing to record lecture, Ok to remove *.rm, images.txt files from " + media)
            == TavCancel)
        return false;
    for (const std::string& name : ListFiles(media, "*.rm"))
        removeAgreed(media + name);
    for (const char* name : {"images.txt", "pellucor.txt", "rawmedia.txt"})
        for (const std::string& found : ListFiles(media, name))
            removeAgreed(media + found);
    // The part events files: the lecture name, one character, ".txt". The
    // name is compared as text so that wildcard characters in it cannot
    // widen the deletion.
    const std::string stem = Lower(TextName);
    for (const std::string& name : ListFiles(media, "*.txt"))
        if (name.size() == stem.size() + 5 && Lower(name.substr(0, stem.size())) == stem
            && IEquals(name.substr(stem.size() + 1), ".txt"))
            removeAgreed(media + name);
    if (!hooks_->recordingSetup) {
        Tav_Message(kNoRecorder);
        return false;
    }
    if (!hooks_->recordingSetup(media)) {
        Tav_Message("Encoder Setup Incomplete");
        return false;
    }
    return true;
}

void PublishForm::importSlides()
{
    if (FrontEndHooks::Open(hooks_->slideImport, "Slide import is not available", Tav_DirSlash(TextPP)))
        SetControl("TextPP", TextPP);
}

void PublishForm::openRecordingSetup()
{
    FrontEndHooks::Open(hooks_->recordingSetup, kNoRecorder, Tav_DirSlash(TextMedia));
}

// The lecture's own times where it has them (the first part's events
// file), else an empty grid to start from.
void PublishForm::openTimingEditor()
{
    std::vector<PartRecording> parts;
    std::string err;
    const std::string dir = Tav_DirSlash(TextMedia);
    if (FindPartRecordings(dir, TextName, parts, err) && !parts.empty() && hooks_->timingReview) {
        if (!parts.front().current.empty()) {
            hooks_->timingReview(dir, parts.front().current);
            return;
        }
    }
    FrontEndHooks::Open(hooks_->timingEditor, "The timing editor is not available", dir);
}

void PublishForm::syncSlides()
{
    if (hooks_->slideSync)
        hooks_->slideSync->Start();
    else
        Tav_Message("Slide sync is not available");
}

void PublishForm::exportVideo()
{
    if (hooks_->lectureVideo)
        hooks_->lectureVideo->Start();
    else
        Tav_Message("Exporting the lecture as one video is not available");
}

void PublishForm::makeCaptions()
{
    if (hooks_->captions)
        hooks_->captions->Start();
    else
        Tav_Message("Making captions is not available");
}

// The first part's captions, else the first part's recording (whose
// captions the editor then starts).
void PublishForm::editCaptions()
{
    std::vector<PartRecording> parts;
    std::string err;
    if (!FindPartRecordings(Tav_DirSlash(TextMedia), TextName, parts, err) || parts.empty()) {
        Tav_Message(err.empty() ? "The lecture has no recording to caption" : err);
        return;
    }
    const auto files = FindCaptionsFiles(parts.front().recording, parts.front().part, err);
    const std::string captions = files.empty() ? MachineCaptionsPath(parts.front().recording) : files.front();
    FrontEndHooks::Open(hooks_->captionEditor, "The caption editor is not available", captions,
                        parts.front().recording);
}

bool PublishForm::Busy() const
{
    return Publishing() || (hooks_->slideSync && hooks_->slideSync->Busy())
        || (hooks_->lectureVideo && hooks_->lectureVideo->Busy()) || (hooks_->captions && hooks_->captions->Busy())
        || (hooks_->recordingLecture && hooks_->recordingLecture->Busy());
}

void PublishForm::openPlayer()
{
    FrontEndHooks::Open(hooks_->player, "Unable to load RealPlayer ActiveX Control - no player");
}

void PublishForm::openEncoder()
{
    FrontEndHooks::Open(hooks_->encoderSetup, "Pellucor cannot Load RealProducer ActiveX Control - no encoder set-up");
}

void PublishForm::openConverter()
{
    FrontEndHooks::Open(hooks_->converter, "Pellucor cannot Load RealProducer ActiveX Control - no converter",
                        std::string(), std::string());
}

void PublishForm::openServer()
{
    FrontEndHooks::Open(hooks_->serverWindow, "The server edition is not available");
}

}  // namespace pellucor
