// The reading order of the words OCR found on a slide. Tesseract gives
// blocks, their lines and their words; on a slide, two columns of text
// side by side often come back as one block whose lines run across both.
// Where the lines of a block part at one place (a gap far wider than a
// word's) line after line, the parts are columns: text columns are read
// one after the other, while a table (cells of a word or two) keeps its
// rows.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

struct OcrWord {
    std::string text;
    int block = 0, line = 0;  // Tesseract's numbering, in its reading order
    int left = 0, top = 0, right = 0, bottom = 0;
    int confidence = 0;
    bool inWordList = false;  // one of the language's words to Tesseract
};

struct OcrLine {
    std::string text;
    int block = 0;       // lines of one block share its number
    int top = 0;         // in pixels of the picture read
    int height = 0;      // the median height of the line's words
    int confidence = 0;  // the mean of its words', 0 to 100
};

// The words (in Tesseract's order) as lines in reading order.
std::vector<OcrLine> LayOutWords(const std::vector<OcrWord>& words);

}  // namespace pellucor
