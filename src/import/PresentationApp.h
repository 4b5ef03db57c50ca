// The presentation application that slide import drives: what the export
// relies on and nothing more. LibreOfficeApp is the real one; tests put a
// fake behind the same interface.
#pragma once

#include <optional>
#include <string>

#include "import/DeckText.h"

namespace pellucor {

class PresentationApp {
public:
    virtual ~PresentationApp() = default;
    // Makes the application usable; false with a description when it cannot
    // be started.
    virtual bool Start(std::string& err) = 0;
    // The application's version text.
    virtual std::string Version() = 0;
    // Opens a presentation file and makes it the active one; its slide count
    // goes to count. False with a description on failure.
    virtual bool Open(const std::string& path, int& count, std::string& err) = 0;
    // Writes slide i (from 1) of the active presentation as a GIF file of
    // exactly width x height pixels.
    virtual bool ExportSlide(int i, const std::string& file, int width, int height, std::string& err) = 0;
    // Writes slide i as a sharp picture width pixels wide at the slide's own
    // aspect (a lossless WebP file).
    virtual bool ExportSlideSharp(int i, const std::string& file, int width, std::string& err) = 0;
    // The text of the first shape of slide i; nullopt when the slide has no
    // shapes, the first shape holds no text, or there is no such slide.
    virtual std::optional<std::string> SlideTitle(int i) = 0;
    // The words of slide i as the presentation itself holds them (its
    // shapes' text, else the text layer of its PDF); nullopt when it holds
    // none, so that they must be read from the picture.
    virtual std::optional<DeckSlideText> SlideWords(int /*i*/) { return std::nullopt; }
    // Closes the active presentation and the application.
    virtual bool Quit(std::string& err) = 0;
    // From any thread: while on, the application's work under way is ended
    // and further work fails at once.
    virtual void SetCancelled(bool /*on*/) { }
};

}  // namespace pellucor
