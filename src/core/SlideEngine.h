// The lecture-facing half of the publishing engine: the publish settings,
// the loaded lecture and its loader, and the host it reports to. The
// publish layer extends it into the full engine (Publisher), which hands
// the lecture and the settings to the style engine to read.
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
    // The colour SetStatus shows its text in.
    uint32_t StatusColour = kColourYellow;

    EngineHost* Host() const { return host_; }

    void SetStatus(const std::string& text);
    std::string Preference(const std::string& key) const { return S.Preference(key); }
    // Progress of the step under way, and whether the runner asked to stop.
    void Progress(int64_t done, int64_t total) const;
    bool Cancelled() const;

    // Finds the lecture's events and media files, loads SI and, with the full
    // check, reads the slide titles. False with err on failure.
    bool LoadSlideInfo(bool fullCheck, bool verbose, std::string& err);
    // The same; both read the settings in S.
    bool LoadLecture(bool fullCheck, bool verbose, std::string& err);
    void PrintSlideInfo() const;

private:
    EngineHost* host_;
};

}  // namespace pellucor
