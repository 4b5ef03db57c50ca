// A recording as publishing sees it: a media file opened for its
// properties, its slide events merged in and its browser copy written, and
// the opener that gives one for any recording kind the lecture loader
// accepts. The FFmpeg implementation lives in the media library; tests
// use stand-ins.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "core/CutList.h"
#include <vector>

#include "core/LectureVideoPlan.h"

namespace pellucor {

// One slide of a part as a chapter of its browser copy: seconds from the
// start of the recording, and the slide's title.
struct MediaChapter {
    double start = 0, end = 0;
    std::string title;
};

// How the copy the published pages play is made where the recording does
// not already play in browsers (preferences, both off by default).
struct BrowserCopySettings {
    bool webm = false;      // VP9/Opus WebM instead of H.264/AAC MP4
    bool loudness = false;  // sound normalised to EBU R128 loudness
};

// A WebVTT file published beside a part's browser copy, listed in its HLS
// presentation.
struct HlsTextTrack {
    std::string name;       // what a player shows: "English", "Slides"
    std::string language;   // its language tag
    std::string file;       // its name beside the copy: "captions1.vtt"
    bool chapters = false;  // the slides' titles, not captions
};

// A media file opened for reading its properties and merging slide events.
class MediaFileObject {
public:
    virtual ~MediaFileObject() = default;
    virtual bool HasVideo() = 0;
    // Whether it holds a sound stream.
    virtual bool HasAudio() { return true; }
    virtual int VideoHeight() = 0;
    virtual int VideoWidth() = 0;
    // Seconds from its first timestamp to its end (0: not known).
    virtual double Duration() { return 0; }
    // Whether its browser copy is encoded anew (not passed on as it is).
    virtual bool CopyIsEncoded() { return false; }
    // Adds every URL event of a ".rat" events file. False with err on failure.
    virtual bool AddEvents(const std::string& ratPath, std::string& err) = 0;
    // Writes the media with its events to outPath, the events as a WebVTT
    // file beside it (same name, ".vtt") and the browser copy (same name,
    // the extension the copy's kind takes). False with err on failure.
    virtual bool Save(const std::string& outPath, std::string& err) = 0;
    // For a recording that needs no merged file: only the WebVTT events
    // file and the browser copy, named outBase + ".vtt" and outBase + "."
    // + the copy's extension. False with err on failure.
    virtual bool SaveBrowserCopy(const std::string& outBase, std::string& err)
    {
        (void)outBase;
        err = "this media component makes no browser copy";
        return false;
    }
    virtual void Close() = 0;

    // Read by Save and SaveBrowserCopy: how the copy is made, and the
    // chapters it carries (when empty, one per event added).
    BrowserCopySettings copySettings;
    std::vector<MediaChapter> chapters;
    // Read by SaveBrowserCopy: the stretches of the recording the copy
    // leaves out (chapters are then in the copy's own time).
    CutList cuts;
    // Set by a successful Save or SaveBrowserCopy: the file name (without
    // directory) of the browser copy written, or empty when none was.
    std::string browserCopy;

    // Called by Save, on the thread running it, with rising percentages
    // (0 to 100) of the work done, measured on the media's own clock.
    std::function<void(int percent)> onProgress;
    // From any thread: abandons a Save under way, which then fails and
    // leaves no file of its own behind.
    virtual void Cancel() { }
};

// Opens recordings for publishing.
class MediaOpener {
public:
    virtual ~MediaOpener() = default;
    // Opens an existing recording of any kind; nullptr with err when it
    // cannot be read.
    virtual std::unique_ptr<MediaFileObject> OpenMedia(const std::string& path, std::string& err) = 0;
    // Whether a written media file plays to its end: every packet read,
    // the first and the last pictures and sound decoded. False with err
    // naming the fault.
    virtual bool CheckPlayable(const std::string& path, std::string& err) = 0;
    // Writes the lecture as one video to output (checked, then renamed
    // into place); progress gets rising percentages, cancel (set from any
    // thread) abandons it. False with err; nothing is left under output.
    virtual bool WriteLectureVideo(const std::vector<VideoPartSource>& parts, const LectureVideoOptions& options,
                                   const std::string& output, const std::function<void(int percent)>& progress,
                                   const std::atomic<bool>& cancel, std::string& err)
    {
        (void)parts, (void)options, (void)output, (void)progress, (void)cancel;
        err = "this media component writes no lecture video";
        return false;
    }
    // Writes the adaptive-streaming (HLS) presentation of a browser copy
    // into its directory: name.m3u8 and the folder name.hls/. Progress and
    // cancel as above. False with err; nothing of it is then left.
    virtual bool WriteHls(const std::string& copy, const std::string& name, const std::vector<HlsTextTrack>& text,
                          const std::function<void(int percent)>& progress, const std::atomic<bool>& cancel,
                          std::string& err)
    {
        (void)copy, (void)name, (void)text, (void)progress, (void)cancel;
        err = "this media component writes no HLS";
        return false;
    }
};

}  // namespace pellucor
