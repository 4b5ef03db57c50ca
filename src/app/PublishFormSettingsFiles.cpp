// The detailed form's settings files (.som): the table from each control name
// stored in a settings file to the form's field, loading a file, and the list
// of recently used files.
#include "app/PublishForm.h"

#include <algorithm>
#include <fstream>
#include <map>

#include "app/Preferences.h"
#include "core/TavUtils.h"

namespace pellucor {

std::string* PublishForm::textField(const std::string& name)
{
    static const std::map<std::string, std::string PublishForm::*> fields = {
        {"TextPP", &PublishForm::TextPP},         {"TextMedia", &PublishForm::TextMedia},   {"TextStyle", &PublishForm::TextStyle},
        {"TextCopy", &PublishForm::TextCopy},     {"TextCDDir", &PublishForm::TextCDDir},   {"TextWebDir", &PublishForm::TextWebDir},
        {"TextWebURL", &PublishForm::TextWebURL}, {"TextStream", &PublishForm::TextStream}, {"TextLocDir", &PublishForm::TextLocDir},
        {"TextName", &PublishForm::TextName},     {"TextCP", &PublishForm::TextCP},
    };
    const auto it = fields.find(name);
    return it == fields.end() ? nullptr : &(this->*(it->second));
}

int* PublishForm::checkField(const std::string& name)
{
    static const std::map<std::string, int PublishForm::*> fields = {
        {"optCD", &PublishForm::optCD},           {"optWeb", &PublishForm::optWeb},         {"chkStream", &PublishForm::chkStream},
        {"chkAutoStart", &PublishForm::chkAutoStart}, {"chkVerbose", &PublishForm::chkVerbose}, {"chkAuto", &PublishForm::chkAuto},
    };
    const auto it = fields.find(name);
    return it == fields.end() ? nullptr : &(this->*(it->second));
}

bool PublishForm::SetControl(const std::string& name, const std::string& value)
{
    if (std::string* text = textField(name)) {
        *text = value;
        if (name != "TextLocDir" && name != "TextName" && name != "TextCP")
            Published = 0;
        emit fieldsChanged();
        return true;
    }
    if (int* check = checkField(name)) {
        *check = static_cast<int>(Tav_Val(value)) ? 1 : 0;
        if (name == "optCD")
            optCD_Click();
        else if (name == "optWeb")
            optWeb_Click();
        else if (name == "chkStream")
            chkStream_Click();
        emit fieldsChanged();
        return true;
    }
    return false;
}

std::string PublishForm::Control(const std::string& name) const
{
    auto* self = const_cast<PublishForm*>(this);
    if (const std::string* text = self->textField(name))
        return *text;
    if (const int* check = self->checkField(name))
        return std::to_string(*check);
    return "";
}

bool PublishForm::LoadSettingsFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Tav_Message("Unable to open " + path);
        return false;
    }
    chkAuto = 0;
    std::string autoValue = "0";
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (Tav_Trim(line).empty())
            continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos || eq == 0) {
            Tav_Message("Bad " + path + " line - " + line);
            continue;
        }
        const std::string name = Tav_Trim(line.substr(0, eq));
        const std::string value = Tav_Trim(line.substr(eq + 1));
        if (name == "chkAuto")
            autoValue = value;
        else
            SetControl(name, value);
    }
    chkAuto = static_cast<int>(Tav_Val(autoValue)) ? 1 : 0;
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

bool PublishForm::mnuFile_Click(int index)
{
    if (index < 1 || static_cast<size_t>(index) > mnuFile.size())
        return false;
    // Loading moves the file to the top of the list (so the path is copied
    // out of the list first).
    const std::string path = mnuFile[static_cast<size_t>(index - 1)];
    return LoadSettingsFile(path);
}

}  // namespace pellucor
