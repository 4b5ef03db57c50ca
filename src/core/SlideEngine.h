// The lecture-facing half of the publishing engine: the publish settings,
// the slide table and its loader. The style and publish layers extend it
// into the full engine (Publisher).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "core/EngineHost.h"
#include "core/Lecture.h"
#include "core/PublishSettings.h"
#include "core/StatusColours.h"

namespace pellucor {

class SlideEngine {
public:
    explicit SlideEngine(EngineHost* host = nullptr) : host_(host) { }
    SlideEngine(PublishSettings settings, EngineHost* host) : S(std::move(settings)), host_(host) { }
    virtual ~SlideEngine() = default;
    SlideEngine(const SlideEngine&) = delete;
    SlideEngine& operator=(const SlideEngine&) = delete;

    Lecture SI;
    PublishSettings S;

    // Layout numbers read by the token substitution.
    int16_t VideoHeight = 120;
    int16_t VideoWidth = 160;
    int16_t FrameWidth = 190;
    int16_t PlayerWidth = 160;
    uint32_t StatusColour = kColourYellow;

    EngineHost* Host() const { return host_; }
    void SetHost(EngineHost* host) { host_ = host; }

    void SetStatus(const std::string& text);
    std::string Preference(const std::string& key) const { return S.Preference(key); }
    // Progress of the step under way, and whether the runner asked to stop.
    void Progress(int64_t done, int64_t total) const;
    bool Cancelled() const;

    // Finds the lecture's events and media files, fills SI and, with the full
    // check, reads the slide titles. False with err on failure.
    bool LoadSlideInfo(bool fullCheck, bool verbose, std::string& err);
    // The same; both read the settings in S.
    bool LoadLecture(bool fullCheck, bool verbose, std::string& err);
    void PrintSlideInfo() const;

private:
    EngineHost* host_;
};

}  // namespace pellucor
