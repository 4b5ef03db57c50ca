// The slide times a publish finds where a part has no events file yet, by
// comparing the pictures of its recording with the slide images: an
// interface so that the publish does not depend on the picture comparison
// (the media library implements it).
#pragma once

#include <functional>
#include <string>

namespace pellucor {

class SlideTimesMaker {
public:
    virtual ~SlideTimesMaker() = default;
    // Writes the events file of every part of the lecture lecName in
    // mediaDir that has none, from its recording and the slide images in
    // slideDir. progress gets the share done (0 to 1) and a status text
    // (empty: unchanged); it is called on the thread running this. False
    // with err when a part's times cannot be found (nothing is written for
    // it); true, writing nothing, when every part has its events file.
    virtual bool MakeMissing(const std::string& slideDir, const std::string& mediaDir, const std::string& lecName,
                             const std::function<void(double, const std::string&)>& progress, std::string& err)
        = 0;
    // From any thread: stops the work; the part under way writes nothing.
    virtual void Cancel() = 0;
    virtual bool Cancelled() const = 0;
};

}  // namespace pellucor
