// The captions a publish makes where a part has none, by speech
// recognition: an interface so that the publish does not depend on the
// recognisers (the speech library implements it).
#pragma once

#include <functional>
#include <string>

namespace pellucor {

class CaptionMaker {
public:
    virtual ~CaptionMaker() = default;
    // Makes the machine-made captions of every part of the lecture in
    // mediaDir that has no captions, beside its recording. progress gets
    // the share done (0 to 1) and a status text (empty: unchanged). False
    // with err when the recogniser cannot run at all; parts it could not
    // caption (no sound, silence) are named in warnings and left without.
    virtual bool MakeMissing(const std::string& mediaDir, const std::string& lecName,
                             const std::function<void(double, const std::string&)>& progress, std::string& err,
                             std::string& warnings)
        = 0;
    // From any thread: stops the work; the part under way writes nothing.
    virtual void Cancel() = 0;
    virtual bool Cancelled() const = 0;
};

}  // namespace pellucor
