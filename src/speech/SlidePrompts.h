// What the slides of a part say, by time: the words shown while a stretch
// of speech was said, as a prompt that tells a recogniser the lecture's
// own terms and how the slides spell them ("Fourier", "eigenvector").
#pragma once

#include <string>
#include <vector>

namespace pellucor {

class SlidePrompts {
public:
    // The slides of part part of the lecture whose events files and slides
    // lie in mediaDir; none when the lecture cannot be loaded (captions are
    // then made without a prompt).
    static SlidePrompts ForPart(const std::string& mediaDir, const std::string& lecName, int part);

    // A slide shown from start to end (seconds) with its title and words.
    void Add(double start, double end, const std::string& title, const std::string& text);

    // The titles and terms of the slides shown between from and to, at
    // most maxChars long; "" when none was shown.
    std::string For(double from, double to, size_t maxChars = 400) const;

private:
    struct Shown {
        double start = 0, end = 0;
        std::string title;
        std::vector<std::string> terms;
    };
    std::vector<Shown> shown_;
};

}  // namespace pellucor
