// A loaded lecture: its slides and its parts (a part is one recording with
// its events file), in order. Slides and parts are numbered from 1, as the
// events files, the published pages and the logs show them; a lecture
// holds at most kMaxSlides slides and kMaxParts parts (LectureLoader
// refuses a larger one).
#pragma once

#include <string>
#include <vector>

namespace pellucor {

inline constexpr int kMaxSlides = 500;
inline constexpr int kMaxParts = 500;

// One slide: when it shows, its page and image, its title and the part it
// plays in.
struct Slide {
    std::string StartTime;
    std::string EndTime;
    std::string Name;   // its page (sldNNN.htm)
    std::string Image;  // its picture (imgNNN.gif)
    std::string Title;
    // The part whose sound or video plays under it, -1 when that part has
    // none (0 only for a slide that is not there).
    int AudioPart = 0;
    int VideoPart = 0;
    // The words shown on the slide (lines separated by '\n'), from its
    // slide text file; empty when it has none.
    std::string Text;
    // Where its text came from, as a user reads it ("OCR (91%)"), and
    // where its title came from ("titles.txt", "index.htm", "the slide's
    // text, OCR (91%)"); empty when it has none.
    std::string TextFrom;
    std::string TitleFrom;
    // Its whole stretch is cut from its part's recording: the published
    // lecture shows it nowhere (not in the contents, events or chapters).
    bool CutAway = false;
};

// One part: its recording (a video or sound file, or both), its events file
// and what the publish made of it.
struct Part {
    std::string VideoFile;
    std::string AudioFile;
    std::string EventsFile;
    // The file name (no directory) of the part's copy that the published
    // pages play, written by media preparation into the output directory;
    // empty until then, or when no copy was made.
    std::string BrowserCopy;
    // The file name of its HLS master playlist beside the copy (web
    // publications), empty when none was written.
    std::string Hls;
    // Every language's captions published for it in the output directory,
    // the first (captionsP.vtt) in the lecture's own language where it has
    // captions in it; empty when the part has none.
    struct CaptionTrack {
        std::string lang;    // a language tag: "en", "de", "pt-BR"
        std::string file;    // captionsP.vtt, else captionsP.LANG.vtt
        std::string script;  // its script copy for pages opened from disk
        std::string key;     // the script copy's key: "P", else "P.LANG"
        bool automatic = false;   // made by speech recognition
        bool reviewed = false;    // and reviewed by a person since
        bool translated = false;  // automatic and translated by machine from the speech
    };
    std::vector<CaptionTrack> CaptionTracks;
    // The recording its own files go beside (captions, descriptions, the
    // cut list): its picture's, else its sound's.
    const std::string& Recording() const { return VideoFile.empty() ? AudioFile : VideoFile; }
    // Its audio descriptions published in the output directory
    // (descriptionsP.vtt, with the script copy descriptionsP.js, key
    // "P.descriptions"); empty when it has none.
    std::string Descriptions;
};

struct Lecture {
    std::vector<Slide> Slides;  // slide n is Slides[n - 1]
    std::vector<Part> Parts;    // part p is Parts[p - 1]

    int SlideCount() const { return static_cast<int>(Slides.size()); }
    int PartCount() const { return static_cast<int>(Parts.size()); }
    // Slide n (from 1); an empty slide for a number the lecture does not have.
    const Slide& SlideAt(int n) const { return n >= 1 && n <= SlideCount() ? Slides[n - 1] : kNoSlide; }
    // Part p (from 1); an empty part for a number the lecture does not have.
    const Part& PartAt(int p) const { return p >= 1 && p <= PartCount() ? Parts[p - 1] : kNoPart; }
    // Slide n or part p to change; the lecture must have it.
    Slide& EditSlide(int n) { return Slides.at(static_cast<size_t>(n - 1)); }
    Part& EditPart(int p) { return Parts.at(static_cast<size_t>(p - 1)); }

private:
    static inline const Slide kNoSlide {};
    static inline const Part kNoPart {};
};

}  // namespace pellucor
