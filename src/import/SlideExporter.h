// Slide import: opens a presentation through the presentation application,
// exports every slide as imgNNN.gif into a slide directory and writes
// "titles.txt" and a plain "index.htm" beside the images, and each slide's
// words where the presentation holds them (imgNNN.text, core/SlideText.h).
//
// The module keeps one state per process (SlideExporterModule() and the free
// Ppt... functions); further instances serve tests and tools that want their
// own application.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "import/PresentationApp.h"
#include "import/SlideExportStatus.h"

namespace pellucor {

class SlideExporter {
public:
    using AppFactory = std::function<std::unique_ptr<PresentationApp>()>;

    // Without a factory the module starts LibreOffice.
    explicit SlideExporter(AppFactory factory = {});
    ~SlideExporter();
    SlideExporter(const SlideExporter&) = delete;
    SlideExporter& operator=(const SlideExporter&) = delete;

    // Starts the application if needed and opens the presentation unless it
    // is the one opened last. Returns its slide count, or -1 after a message.
    int16_t PptOpenPresentation(const std::string& path);
    // Exports every slide of the active presentation into slideDir (images,
    // titles.txt, index.htm), reporting on statusForm (may be null). False
    // when a file could not be written (after a message) or nothing is open.
    bool PptExportSlides(const std::string& slideDir, int width, int height, SlideExportStatus* statusForm);
    // Title of slide i from the last export; empty when unknown.
    std::string PptSlideTitle(int i) const;
    // dir + "img" + three-digit number + ".gif".
    static std::string PptImageFile(const std::string& dir, int i);
    // The slide's sharp copy beside its GIF: dir + "img" + three-digit
    // number + ".webp".
    static std::string SharpImageFile(const std::string& dir, int i);
    // Quits the application if this module started it.
    void PptClose();
    // From any thread: while on, the open or export under way is ended (the
    // application's work is stopped) and fails.
    void SetCancelled(bool on);

    bool IsOpen() const { return open_; }
    // Whether an export also writes each slide's sharp copy, kSharpWidth
    // pixels wide at the slide's own aspect, for pages on today's screens
    // (on by default; the GIFs are written either way).
    bool sharpCopies = true;
    static constexpr int kSharpWidth = 1920;
    // The text of the second header line of titles.txt after "# Date ";
    // the current date and time in the system's short format by default.
    std::function<std::string()> dateText;

private:
    void setTitle(int i, const std::string& title);

    AppFactory factory_;
    std::mutex appMutex_;  // guards app_'s replacement against SetCancelled
    std::atomic<bool> cancelled_ {false};
    std::unique_ptr<PresentationApp> app_;
    bool open_ = false;
    std::string lastPath_;
    int activeCount_ = -1;  // slide count of the active presentation, -1 for none
    bool ppt2000_ = false;
    bool warned2000_ = false;
    std::vector<std::string> titles_;  // indexed from 1
};

// The process-wide module.
SlideExporter& SlideExporterModule();

int16_t PptOpenPresentation(const std::string& path);
bool PptExportSlides(const std::string& slideDir, int width, int height, SlideExportStatus* statusForm);
std::string PptSlideTitle(int i);
std::string PptImageFile(const std::string& dir, int i);
void PptClose();

// A title as written into titles.txt: every double quote becomes "&qt;".
std::string PptQuoteTitle(const std::string& title);

}  // namespace pellucor
