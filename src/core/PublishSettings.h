// Everything one publish needs, as a plain value: the paths and options of
// the detailed form and the preferences the merge step reads. Every caller
// (the detailed form, a settings file, the command line, the automation
// class, the server edition) fills one; the engine never reads a window.
#pragma once

#include <map>
#include <string>

namespace pellucor {

struct PublishSettings {
    std::string LecName;    // TextName
    std::string MediaDir;   // TextMedia
    std::string OutDir;     // TextLocDir: the output of the target being written
    std::string LecDir;     // TextPP (slide images, pages, titles)
    std::string StyleDir;   // TextStyle
    std::string CopyDir;    // TextCopy
    std::string CDDir;      // TextCDDir
    std::string WebDir;     // TextWebDir
    std::string WebURL;     // TextWebURL
    std::string StreamURL;  // TextStream
    bool OptCD = false;
    bool OptWeb = false;
    bool Stream = false;
    // Start each target's process.bat and follow its log (chkAutoStart).
    bool AutoStart = true;
    // The preferences the engine reads (prfRmmerge, prfEvents, prfEvent32),
    // by key; a missing key reads as empty.
    std::map<std::string, std::string> Prefs;

    std::string Preference(const std::string& key) const
    {
        const auto it = Prefs.find(key);
        return it == Prefs.end() ? std::string() : it->second;
    }
};

// The preference keys a publish reads.
inline constexpr const char* kPublishPreferenceKeys[] = {"prfRmmerge", "prfEvents", "prfEvent32"};

}  // namespace pellucor
