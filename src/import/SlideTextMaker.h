// Makes the slide text files (core/SlideText.h) that a lecture's slides
// lack, by OCR of their pictures on every core, and keeps the ones that
// still hold: the lecturer's own corrections always, text read from the
// presentation or a PDF while the picture is the one it was read for, and
// OCR's while the picture and the languages are the same (unless told to
// read again). Each file is written whole as soon as its slide is read, so
// a run that is cancelled keeps the slides it finished.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/SlideText.h"

namespace pellucor {

struct SlideTextOptions {
    std::string languages = "eng";  // as Tesseract names them, joined by "+"
    bool ocr = true;                // false: nothing is read by OCR
    bool redo = false;              // read every slide OCR read again
    int threads = 0;                // 0: one per core
};

struct SlideTextRun {
    int kept = 0;     // slides whose text still held
    int read = 0;     // slides read by OCR
    int missing = 0;  // slides left without text (OCR off)
    // Every slide's text after the run, by picture name (slides without
    // text are not in it).
    std::map<std::string, SlideText> texts;
    // Set when a file could not be written (a read-only lecture): the
    // texts above still hold what was read.
    std::string storeError;
};

class SlideTextMaker {
public:
    // On the calling thread, after each slide: slides done, slides in all,
    // and the picture just done.
    std::function<void(int done, int total, const std::string& picture)> onProgress;
    // On the calling thread, once it is known how many slides OCR reads
    // (before the first is read; not called when there are none).
    std::function<void(int toRead)> onReadStart;

    // The slide pictures of dir: every imgNNN.gif, in name order.
    static std::vector<std::string> SlidePictures(const std::string& dir);

    // Makes or keeps the text of every picture (names in dir). False with
    // err when OCR cannot start (a language not installed), a picture
    // cannot be read, or the run is cancelled; the files finished before
    // stay.
    bool Make(const std::string& dir, const std::vector<std::string>& pictures, const SlideTextOptions& options,
              SlideTextRun& run, std::string& err);
    // From any thread: ends a Make under way.
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }

private:
    std::atomic<bool> cancelled_ {false};
};

}  // namespace pellucor
