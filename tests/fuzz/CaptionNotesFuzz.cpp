// What core reads of a caption file a lecture folder brings: its header's
// "Name: value" fields and the word marks of machine captions.
#include <cstdint>
#include <string>

#include "core/CaptionFiles.h"
#include "core/CaptionReview.h"

using namespace pellucor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string vtt(reinterpret_cast<const char*>(data), size);
    (void)CueConfidences(vtt);
    (void)CaptionsHeaderValue(vtt, "Language");
    (void)CaptionWords(vtt);
    std::vector<WordMark> marks;
    (void)ReadConfidenceNote(vtt, marks);
    return 0;
}
