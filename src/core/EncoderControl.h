// The encoder component as the rest of the program sees it: capture set-up,
// converting a file, and the media-file object used when publishing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// One picture of the live preview: width x height pixels, three bytes
// (red, green, blue) each, row after row.
struct PreviewFrame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Callbacks raised by the encoder; any may be left empty.
struct EncoderEvents {
    std::function<void()> OnEncodingStarted;
    std::function<void()> OnEncodingStopped;
    std::function<void(int code, const std::string& text)> OnErrorOccurred;
    std::function<void(int percent)> OnEncodingProgressChanged;
    std::function<void()> OnVideoWindowSized;
    // A new picture of the video being captured (a few a second).
    std::function<void(const PreviewFrame& frame)> OnPreviewFrame;
    // The loudest sample of the sound being captured since the last call,
    // 0 to 1 (full scale), a few times a second.
    std::function<void(double peak)> OnSoundLevel;
};

class EncoderControl {
public:
    enum InputKind { InputFile = 0, InputDevices = 1 };
    enum Target { Target28KModem, Target56KModem, TargetSingleISDN, TargetDualISDN, TargetDSLCableModem, TargetLAN };

    virtual ~EncoderControl() = default;

    EncoderEvents events;

    // Properties, written before encoding starts.
    virtual void SetInputKind(int kind) = 0;
    virtual void SetInputFilename(const std::string& path) = 0;
    virtual void SetAudioDriver(int index) = 0;
    virtual void SetVideoDriver(int index) = 0;
    virtual void SetAudioOn(bool on) = 0;
    virtual void SetVideoOn(bool on) = 0;
    virtual bool VideoOn() const = 0;
    virtual int VideoDriverCount() const = 0;
    virtual std::vector<std::string> AudioDriverNames() const = 0;
    virtual std::vector<std::string> VideoDriverNames() const = 0;
    virtual void SetVideoOutputWidth(int w) = 0;
    virtual void SetVideoOutputHeight(int h) = 0;
    virtual void SetDoOutputFile(bool on) = 0;
    virtual void SetOutputFilename(const std::string& path) = 0;
    virtual void SetTarget(Target target, bool on) = 0;
    virtual void SetSetting(int id, int value) = 0;  // settings 3407, 3410, 3411

    virtual bool IsEncoding() const = 0;
    virtual bool IsSourceOpen() const = 0;
    virtual void StartEncoding() = 0;
    virtual void StopEncoding() = 0;
    virtual void OpenSource() = 0;
    virtual void ShowFormatDialog() = 0;
    virtual void ShowSourceDialog() = 0;
    virtual void ShowCompressionDialog() = 0;
    // Size of the preview picture; read after OnVideoWindowSized (0: none).
    virtual int VideoWindowWidth() const { return 0; }
    virtual int VideoWindowHeight() const { return 0; }

    // Opens an existing media file; nullptr with err when it cannot be read.
    virtual std::unique_ptr<MediaFileObject> OpenRmFile(const std::string& path, std::string& err) = 0;
    // Whether a written media file plays to its end: every packet read,
    // the first and the last pictures and sound decoded. False with err
    // naming the fault.
    virtual bool CheckPlayable(const std::string& path, std::string& err) = 0;
};

}  // namespace pellucor
