// The detailed form's menus and tools: publish buttons, browse buttons, the
// FTP upload of the web output, recent settings files, the ClipBoard import
// and the preparation of a recording.
#include "app/PublishForm.h"

#include <algorithm>
#include <filesystem>

#include "app/FrontEndHooks.h"
#include "app/Preferences.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {
const char* const kNoRecorder =
    "Pellucor cannot Load RealProducer ActiveX Control - the recording set-up is not available";

// Removes a file the user already agreed to lose; failures go to the log.
void removeAgreed(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::remove(path, ec) && ec)
        Tav_DebugLog("Unable to remove " + path + ": " + ec.message());
}

std::string browseTitle(const std::string& field)
{
    if (field == "TextCDDir")
        return "Select Disk Publish Directory";
    if (field == "TextWebDir")
        return "Select Web Publish Directory";
    if (field == "TextStyle")
        return "Select the style for publishing";
    return "Select Directory";
}

// The host of an http(s) address: the text after the scheme up to the next "/".
std::string hostOf(const std::string& url)
{
    for (const char* scheme : {"http://", "https://"}) {
        const std::string s = scheme;
        if (tav::lower(url.substr(0, s.size())) == s)
            return url.substr(s.size(), url.find('/', s.size()) - s.size());
    }
    return "";
}
}  // namespace

bool PublishForm::publishClicked()
{
    std::string msg;
    if (DoStart(msg))
        return true;
    Tav_Message(msg);
    SetStatus("Publish aborted.", kColourRed);
    return false;
}

void PublishForm::Browse_Click(const std::string& field)
{
    std::string dir = Control(field);
    if (hooks_->ChooseDirectory(browseTitle(field), dir, true))
        SetControl(field, dir);
}

uint32_t PublishForm::FieldColour(const std::string& field) const
{
    if (field != "TextPP" && field != "TextStyle" && field != "TextMedia")
        return kColourWhite;
    const std::string dir = tav::trim(Control(field));
    return !dir.empty() && Tav_ChkDir(dir) ? kColourWhite : kColourYellow;
}

void PublishForm::cmdFtp_Click()
{
    if (!CheckUpToDate())
        return;
    FtpRequest request{TextWebDir, prefs_->Get("prfWebAccount"), prefs_->Get("prfWebHost")};
    if (tav::trim(request.host).empty())
        request.host = hostOf(TextWebURL);
    ShowFtp(request);
}

void PublishForm::ShowFtp(FtpRequest& request)
{
    if (!hooks_->ftpUpload) {
        Tav_Message("FTP upload is not available");
        return;
    }
    hooks_->ftpUpload(request);
    const std::string account = tav::trim(request.account);
    const std::string host = tav::trim(request.host);
    bool changed = false;
    if (!account.empty() && account != prefs_->Get("prfWebAccount")) {
        prefs_->Set("prfWebAccount", account);
        changed = true;
    }
    if (!host.empty() && host != prefs_->Get("prfWebHost")) {
        prefs_->Set("prfWebHost", host);
        changed = true;
    }
    if (changed)
        prefs_->DoSave();
}

void PublishForm::addRecentFile(const std::string& path)
{
    mnuFile.erase(std::remove(mnuFile.begin(), mnuFile.end(), path), mnuFile.end());
    mnuFile.insert(mnuFile.begin(), path);
    if (mnuFile.size() > 5)
        mnuFile.resize(5);
    prefs_->SetRecentFiles(mnuFile);
}

bool PublishForm::mnuFile_Click(int index)
{
    if (index < 1 || static_cast<size_t>(index) > mnuFile.size())
        return false;
    // Loading moves the file to the top of the list (so the path is copied
    // out of the list first).
    const std::string path = mnuFile[static_cast<size_t>(index - 1)];
    return LoadSettingsFile(path);
}

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
    std::string err;
    if (!convertMedia) {
        SetStatus("Pellucor cannot Load RealProducer ActiveX Control - no converter", kColourRed);
        Tav_Message("Pellucor cannot Load RealProducer ActiveX Control - no converter");
        return false;
    }
    // An old target is removed first so that a failed conversion cannot
    // leave it looking like a result.
    removeAgreed(target);
    if (!convertMedia(source, target, err) || !Tav_ChkFile(target)) {
        Tav_DebugLog("ClipBoard conversion failed: " + err);
        SetStatus(target + " not found...", kColourRed);
        Tav_Message(target + " Encode Failed...");
        return false;
    }
    SetStatus("ClipBoard Import Complete", kColourGreen);
    return true;
}

bool PublishForm::mnuImportClipBoard_Click()
{
    SetStatus("Performing ClipBoard Import...");
    if (clipBoardImport())
        return true;
    SetStatus("ClipBoard Import Failed", kColourRed);
    return false;
}

bool PublishForm::mnuRecordLecture_Click()
{
    const std::string media = Tav_DirSlash(TextMedia);
    if (media.empty() || !Tav_ChkDir(media)) {
        Tav_Message("Error in Directory " + TextMedia);
        return false;
    }
    if ((Tav_HasFiles(media, "*.rm") || Tav_HasFiles(media, "*.txt")) &&
        Tav_AskOkCancel("Preparing to record lecture, Ok to remove *.rm, images.txt files from " + media) == TavCancel)
        return false;
    for (const std::string& name : Tav_ListFiles(media, "*.rm"))
        removeAgreed(media + name);
    for (const char* name : {"images.txt", "pellucor.txt", "rawmedia.txt"})
        for (const std::string& found : Tav_ListFiles(media, name))
            removeAgreed(media + found);
    // The part events files: the lecture name, one character, ".txt". The
    // name is compared as text so that wildcard characters in it cannot
    // widen the deletion.
    const std::string stem = tav::lower(TextName);
    for (const std::string& name : Tav_ListFiles(media, "*.txt"))
        if (name.size() == stem.size() + 5 && tav::lower(name.substr(0, stem.size())) == stem &&
            tav::iequals(name.substr(stem.size() + 1), ".txt"))
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

void PublishForm::mnuImportPowerPoint_Click()
{
    if (FrontEndHooks::Open(hooks_->pptImport, "Slide import is not available", Tav_DirSlash(TextPP)))
        SetControl("TextPP", TextPP);
}

void PublishForm::mnuRecordingSetup_Click() { FrontEndHooks::Open(hooks_->recordingSetup, kNoRecorder, Tav_DirSlash(TextMedia)); }

void PublishForm::mnuRuziZE_Click()
{
    FrontEndHooks::Open(hooks_->timingEditor, "The timing editor is not available", Tav_DirSlash(TextMedia));
}

void PublishForm::mnuPlayer_Click()
{
    FrontEndHooks::Open(hooks_->player, "Unable to load RealPlayer ActiveX Control - no player");
}

void PublishForm::mnuRealEncode_Click()
{
    FrontEndHooks::Open(hooks_->encoderSetup, "Pellucor cannot Load RealProducer ActiveX Control - no encoder set-up");
}

void PublishForm::mnuServerMode_Click()
{
    FrontEndHooks::Open(hooks_->serverWindow, "The server edition is not available");
}

}  // namespace pellucor
