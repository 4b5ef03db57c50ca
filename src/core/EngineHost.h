// What the publishing engine needs from whoever runs it: somewhere to show
// its status, the encoder component, a place to report the progress of the
// step under way, and whether it should stop. The publish job implements
// it on its worker thread; tests and the command line use BasicEngineHost.
// The settings themselves are a value handed to the engine
// (PublishSettings), never read back from a window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/EncoderControl.h"

namespace pellucor {

class EngineHost {
public:
    virtual ~EngineHost() = default;
    virtual void SetStatus(const std::string& text, uint32_t colour) = 0;
    // Loads the encoder component; nullptr with err when it cannot be loaded.
    virtual std::unique_ptr<EncoderControl> LoadEncoder(std::string& err) = 0;
    // How far the step under way is: done of total units.
    virtual void Progress(int64_t /*done*/, int64_t /*total*/) { }
    // True once whoever runs the engine asked it to stop.
    virtual bool Cancelled() const { return false; }
    // While a handler is set, a request to stop calls it (from any thread)
    // so that the work under way is abandoned at once; setting one after
    // the request calls it straight away. nullptr removes it.
    virtual void SetCancelHandler(std::function<void()> /*handler*/) { }
};

// A host that records the status lines and makes encoders from a factory.
class BasicEngineHost : public EngineHost {
public:
    std::vector<std::string> statuses;
    std::function<std::unique_ptr<EncoderControl>()> encoderFactory;
    std::function<void(const std::string&)> onStatus;

    void SetStatus(const std::string& text, uint32_t) override
    {
        statuses.push_back(text);
        if (onStatus)
            onStatus(text);
    }
    std::unique_ptr<EncoderControl> LoadEncoder(std::string& err) override
    {
        if (encoderFactory)
            if (auto enc = encoderFactory())
                return enc;
        err = "no encoder component available";
        return nullptr;
    }
};

}  // namespace pellucor
