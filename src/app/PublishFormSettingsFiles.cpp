// The detailed form's settings files (.som): the table from each control name
// stored in a settings file to the form's field, loading a file, and the list
// of recently used files.
#include "app/PublishForm.h"

#include <algorithm>
#include <map>

#include "app/Preferences.h"
#include "core/TavUtils.h"

namespace pellucor {

bool PublishForm::SetControl(const std::string& name, const std::string& value)
{
    PublishRequest& r = session_->request;
    if (std::string* text = r.Text(name)) {
        *text = value;
        if (name != "TextLocDir" && name != "TextName" && name != "TextCP")
            Published = 0;
        emit fieldsChanged();
        return true;
    }
    if (r.Check(name)) {
        r.Set(name, value);
        if (name == "optCD")
            diskChosen();
        else if (name == "optWeb")
            webChosen();
        else if (name == "chkStream")
            streamChanged();
        emit fieldsChanged();
        return true;
    }
    return false;
}

std::string PublishForm::Control(const std::string& name) const { return session_->request.Get(name); }

bool PublishForm::LoadSettingsFile(const std::string& path)
{
    SettingsFile file;
    if (!ReadSettingsFile(path, file)) {
        Tav_Message("Unable to open " + path);
        return false;
    }
    for (const auto& line : file.badLines)
        Tav_Message("Bad " + path + " line - " + line);
    chkAuto = 0;
    std::string autoValue = "0";
    for (const auto& [name, value] : file.controls) {
        if (name == "chkAuto")
            autoValue = value;
        else
            SetControl(name, value);
    }
    chkAuto = static_cast<int>(Val(autoValue)) ? 1 : 0;
    addRecentFile(path);
    emit fieldsChanged();
    return true;
}

void PublishForm::addRecentFile(const std::string& path)
{
    mnuFile.erase(std::remove(mnuFile.begin(), mnuFile.end(), path), mnuFile.end());
    mnuFile.insert(mnuFile.begin(), path);
    if (mnuFile.size() > 5)
        mnuFile.resize(5);
    prefs_->SetRecentFiles(mnuFile);
}

bool PublishForm::openRecent(int index)
{
    if (index < 1 || static_cast<size_t>(index) > mnuFile.size())
        return false;
    // Loading moves the file to the top of the list (so the path is copied
    // out of the list first).
    const std::string path = mnuFile[static_cast<size_t>(index - 1)];
    return LoadSettingsFile(path);
}

}  // namespace pellucor
