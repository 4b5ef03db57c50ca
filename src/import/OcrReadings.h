// One slide's words from several readings of its picture (made black and
// white in different ways, light words on dark inverted or not): each
// reading keeps some lines the others lose or misread, so the words kept
// are taken line by line. The best reading as a whole gives the lines and
// their order; a line of another reading takes the place of those it
// covers when its words weigh more, and one that covers none is added as
// a block of its own where its top falls. Last, a word Tesseract is sure
// of that one reading found in a gap of a kept line fills the gap.
#pragma once

#include <vector>

#include "import/OcrLayout.h"

namespace pellucor {

// What a reading's words are worth: the confident letters, twice over in
// words Tesseract found in its language's word list.
long ReadingWeight(const std::vector<OcrWord>& words);

// The words of the readings (each in Tesseract's order) as one reading.
// Supplements give lines and words after the readings but never lead: a
// reading that finds faint words also finds many specks, and would weigh
// the most for them.
std::vector<OcrWord> MergeReadings(std::vector<std::vector<OcrWord>> readings,
                                   std::vector<std::vector<OcrWord>> supplements = {});

}  // namespace pellucor
