// Everything one publish needs, as a plain value: the paths and options of
// the detailed form and the preferences the merge step reads. Every caller
// (the detailed form, a settings file, the command line, the automation
// class, the server edition) fills one; the engine never reads a window.
#pragma once

#include <map>
#include <string>
#include <vector>

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
    // The folder of the course page the publication is listed on (the
    // server's publish root), ending in "/"; empty: a course page found
    // in a folder above the output, if any.
    std::string CourseRoot;
    bool OptCD = false;
    bool OptWeb = false;
    bool Stream = false;
    // Start each target's process.bat and follow its log (chkAutoStart).
    bool AutoStart = true;
    // Write the lecture as one video (lecture.mp4) into the disk and the
    // web publication (chkVideo, chkWebVideo).
    bool VideoCD = false, VideoWeb = false;
    // Write each recording's adaptive-streaming (HLS) presentation into
    // the web publication (chkHls).
    bool HlsWeb = false;
    // Find the slide times of the parts that have no events file from
    // their recordings first ("--sync-slides").
    bool FindSlideTimes = false;
    // A command the script runs after "All Done" (the program and its
    // arguments): the install of a publication whose script is left for
    // the user to run. Empty: none.
    std::vector<std::string> InstallCommand;
    // The preferences the engine reads (kPublishPreferenceKeys), by key; a
    // missing key reads as empty.
    std::map<std::string, std::string> Prefs;

    std::string Preference(const std::string& key) const
    {
        const auto it = Prefs.find(key);
        return it == Prefs.end() ? std::string() : it->second;
    }
};

// The preference keys a publish reads: the merge tools, and how the browser
// copy is made where it must be encoded (VP9/Opus WebM instead of H.264/AAC
// MP4) and whether its loudness is normalised (EBU R128); "Yes" turns
// either on. Whether slides without text are read by OCR ("No" turns it
// off) and in which languages. Whether parts without captions get
// automatic ones, and parts without audio descriptions ones made from
// their slides ("Yes").
inline constexpr const char* kPublishPreferenceKeys[]
    = {"prfRmmerge",      "prfEvents",      "prfEvent32",    "prfWebmCopy", "prfLoudness",
       "prfSlideTextOcr", "prfOcrLanguage", "prfTranscribe", "prfDescribe"};

}  // namespace pellucor
