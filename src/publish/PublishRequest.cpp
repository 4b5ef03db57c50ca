#include "publish/PublishRequest.h"

#include <fstream>
#include <map>

#include "core/FileLookup.h"
#include "core/LectureLoader.h"
#include "core/PathVars.h"
#include "core/TavUtils.h"

namespace pellucor {

void PublishRequest::SetLectureDir(const std::string& dir, const PreferenceSnapshot& prefs)
{
    TextPP = dir;
    auto expand = [&](const char* key) { return TavPrefString(PreferenceStore::ValueIn(prefs, key), dir); };
    TextMedia = Tav_DirSlash(expand("prfMedia"));
    TextCopy = Tav_DirSlash(expand("prfCopy"));
    TextCDDir = Tav_DirSlash(expand("prfOutRoot"));
    TextWebURL = expand("prfHttp");
    TextStream = expand("prfPnm");
    TextWebDir = Tav_DirSlash(expand("prfOutWeb"));
    chkVideo = chkWebVideo = PreferenceOn(PreferenceStore::ValueIn(prefs, "prfVideo")) ? 1 : 0;
    chkHls = Lower(Trim(PreferenceStore::ValueIn(prefs, "prfHls"))) == "no" ? 0 : 1;
}

std::string* PublishRequest::Text(const std::string& control)
{
    static const std::map<std::string, std::string PublishRequest::*> fields = {
        {"TextPP", &PublishRequest::TextPP},         {"TextMedia", &PublishRequest::TextMedia},
        {"TextStyle", &PublishRequest::TextStyle},   {"TextCopy", &PublishRequest::TextCopy},
        {"TextCDDir", &PublishRequest::TextCDDir},   {"TextWebDir", &PublishRequest::TextWebDir},
        {"TextWebURL", &PublishRequest::TextWebURL}, {"TextStream", &PublishRequest::TextStream},
        {"TextLocDir", &PublishRequest::TextLocDir}, {"TextName", &PublishRequest::TextName},
        {"TextCP", &PublishRequest::TextCP},
    };
    const auto it = fields.find(control);
    return it == fields.end() ? nullptr : &(this->*(it->second));
}

int* PublishRequest::Check(const std::string& control)
{
    static const std::map<std::string, int PublishRequest::*> fields = {
        {"optCD", &PublishRequest::optCD},           {"optWeb", &PublishRequest::optWeb},
        {"chkStream", &PublishRequest::chkStream},   {"chkAutoStart", &PublishRequest::chkAutoStart},
        {"chkVerbose", &PublishRequest::chkVerbose}, {"chkAuto", &PublishRequest::chkAuto},
        {"chkVideo", &PublishRequest::chkVideo},     {"chkWebVideo", &PublishRequest::chkWebVideo},
        {"chkHls", &PublishRequest::chkHls},
    };
    const auto it = fields.find(control);
    return it == fields.end() ? nullptr : &(this->*(it->second));
}

bool PublishRequest::Set(const std::string& control, const std::string& value)
{
    if (std::string* text = Text(control)) {
        *text = value;
        return true;
    }
    if (int* check = Check(control)) {
        *check = static_cast<int>(Val(value)) ? 1 : 0;
        return true;
    }
    return false;
}

std::string PublishRequest::Get(const std::string& control) const
{
    auto* self = const_cast<PublishRequest*>(this);
    if (const std::string* text = self->Text(control))
        return *text;
    if (const int* check = self->Check(control))
        return std::to_string(*check);
    return "";
}

PublishSettings PublishRequest::Settings(const PreferenceSnapshot& prefs) const
{
    PublishSettings s;
    s.LecName = TextName;
    s.MediaDir = TextMedia;
    s.OutDir = TextLocDir;
    s.LecDir = TextPP;
    s.StyleDir = TextStyle;
    s.CopyDir = TextCopy;
    s.CDDir = TextCDDir;
    s.WebDir = TextWebDir;
    s.WebURL = TextWebURL;
    s.StreamURL = TextStream;
    s.CourseRoot = courseRoot;
    s.OptCD = optCD != 0;
    s.OptWeb = optWeb != 0;
    s.Stream = chkStream != 0;
    s.AutoStart = chkAutoStart != 0;
    s.VideoCD = chkVideo != 0;
    s.VideoWeb = chkWebVideo != 0;
    s.HlsWeb = chkHls != 0;
    s.FindSlideTimes = findSlideTimes;
    for (const char* key : kPublishPreferenceKeys)
        s.Prefs[key] = PreferenceStore::ValueIn(prefs, key);
    return s;
}

bool ReadSettingsFile(const std::string& path, SettingsFile& file)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (Trim(line).empty())
            continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos || eq == 0) {
            file.badLines.push_back(line);
            continue;
        }
        file.controls.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
    return true;
}

std::string LectureNameOf(const std::string& dir)
{
    const std::string name = SplitLectureDir(dir).name;
    // A lecture recorded in parts under a name of its own is known by it.
    std::string path, err;
    if (!DirListing(Tav_DirSlash(dir)).Find(name + "1.txt", path, err))
        if (const std::string parts = MultiPartLectureIn(dir); !parts.empty())
            return parts;
    return Trim(name).empty() ? "media" : name;
}

}  // namespace pellucor
