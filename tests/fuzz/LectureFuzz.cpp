// The lecture loader on a lecture folder anyone may drop for the server:
// an events file (either convention), titles.txt and the slides' index.htm.
#include <cstdint>

#include "FuzzInput.h"
#include "core/Lecture.h"
#include "core/LectureLoader.h"

using namespace pellucor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> p = fuzz::Pieces(data, size, 4);
    const bool images = !p[0].empty() && (p[0][0] & 1);
    const std::string events = fuzz::Put(images ? "images.txt" : "lec1.txt", p[1]);
    fuzz::Put("titles.txt", p[2]);
    fuzz::Put("index.htm", p[3]);
    Lecture lecture;
    const auto quiet = [](const std::string&) {};
    const auto sound = [](const std::string&, bool& video, std::string&) { return !(video = false); };
    LectureLoader loader(lecture, {fuzz::Scratch(), "lec", fuzz::Scratch(), true}, sound, quiet, quiet, sound);
    std::string err;
    if (loader.ReadEvents(1, events, err))
        loader.ReadTitles(err);
    return 0;
}
