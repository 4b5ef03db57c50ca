// The detailed form's buttons: publish, browse, the field colours and the FTP
// upload of the web output.
#include "app/PublishForm.h"

#include "app/FrontEndHooks.h"
#include "app/Preferences.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {
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
}  // namespace

bool PublishForm::publishClicked()
{
    std::string msg;
    if (DoStart(msg))
        return true;
    if (LastRunCancelled())
        return false;  // the status says so; nothing went wrong
    Tav_Message(msg);
    SetStatus("Publish aborted.", kColourRed);
    return false;
}

void PublishForm::browse(const std::string& field)
{
    std::string dir = Control(field);
    if (hooks_->ChooseDirectory(browseTitle(field), dir, true))
        SetControl(field, dir);
}

uint32_t PublishForm::FieldColour(const std::string& field) const
{
    if (field != "TextPP" && field != "TextStyle" && field != "TextMedia")
        return kColourWhite;
    const std::string dir = Trim(Control(field));
    return !dir.empty() && Tav_ChkDir(dir) ? kColourWhite : kColourYellow;
}

void PublishForm::upload()
{
    if (!CheckUpToDate())
        return;
    // The server comes from the upload preferences only: the web address's
    // host (and port) is a web server's, rarely the upload server's.
    FtpRequest request {TextWebDir, prefs_->Get("prfWebAccount"), prefs_->Get("prfWebHost")};
    ShowFtp(request);
}

void PublishForm::ShowFtp(FtpRequest& request, const std::string& accountKey, const std::string& hostKey)
{
    if (!hooks_->ftpUpload) {
        Tav_Message("FTP upload is not available");
        return;
    }
    hooks_->ftpUpload(request);
    const std::string account = Trim(request.account);
    const std::string host = Trim(request.host);
    bool changed = false;
    if (!account.empty() && account != prefs_->Get(accountKey)) {
        prefs_->Set(accountKey, account);
        changed = true;
    }
    if (!host.empty() && host != prefs_->Get(hostKey)) {
        prefs_->Set(hostKey, host);
        changed = true;
    }
    if (changed)
        prefs_->DoSave();
}

}  // namespace pellucor
