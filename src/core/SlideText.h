// The words shown on a slide, kept beside its picture as a plain UTF-8 text
// file: imgNNN.text beside imgNNN.gif. A few header lines say where the
// text came from (the presentation itself, a PDF's text layer, OCR of the
// picture, or the lecturer's own correction), how sure OCR was, which
// picture it was read from (a content hash, so that only a changed picture
// is read again) and the title the text gives the slide; an empty line
// ends the header and the text follows as it is.
//
//   # Pellucor slide text
//   # source: ocr
//   # language: eng
//   # confidence: 91
//   # picture: 6b86b273ff34fce19d6b804eff5a3f57...
//   # title: Why timing matters
//
//   Why timing matters
//   Slides change with the talk
#pragma once

#include <string>

namespace pellucor {

enum class SlideTextSource { None, Deck, Pdf, Ocr, Lecturer };

struct SlideText {
    SlideTextSource source = SlideTextSource::None;
    std::string language;  // OCR's languages ("deu+eng"); empty for other sources
    int confidence = -1;   // OCR's mean word confidence, 0 to 100; -1 when not read by OCR
    std::string picture;   // content hash of the picture the text belongs to
    std::string title;     // the slide's title as its text gives it; may be empty
    std::string text;      // lines separated by '\n', blocks by an empty line

    bool Empty() const { return source == SlideTextSource::None; }
    // Whether the text was made by the program (and may be made again).
    bool MachineMade() const
    {
        return source == SlideTextSource::Deck || source == SlideTextSource::Pdf || source == SlideTextSource::Ocr;
    }
};

// "img003.gif" (or a path to it) -> the same with ".text".
std::string SlideTextFileFor(const std::string& picture);
// "deck", "pdf", "ocr", "lecturer"; "" for None.
std::string SlideTextSourceKey(SlideTextSource source);
// How the source reads to a user: "the presentation", "the PDF's text",
// "OCR (91%)", "the lecturer".
std::string SlideTextSourceLabel(const SlideText& text);

// Reads a slide text file; false with err when it cannot be read or is not
// one (a file that does not exist gives false with err empty).
bool ReadSlideText(const std::string& path, SlideText& out, std::string& err);
// Writes it whole or not at all (a temporary file beside it, renamed into
// place); false with err naming the file and the reason.
bool WriteSlideText(const std::string& path, const SlideText& text, std::string& err);
// The file's text as WriteSlideText writes it.
std::string FormatSlideText(const SlideText& text);
bool ParseSlideText(const std::string& content, SlideText& out);

// The hex SHA-256 of a file's bytes; empty when it cannot be read.
std::string FileContentHash(const std::string& path);

// Text on one line cut to at most maxChars characters (UTF-8 aware), at a
// blank where there is one in its second half, with an ellipsis when cut.
std::string ShortText(const std::string& text, size_t maxChars);
// A slide's title, else the first line of its text, made short.
std::string ShortSlideText(const SlideText& text, size_t maxChars = 120);
// The text on one line: every run of white space one blank.
std::string SlideTextOnOneLine(const std::string& text);

}  // namespace pellucor
