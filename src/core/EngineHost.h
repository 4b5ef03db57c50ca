// What the publishing engine needs from the program around it: the publish
// settings of the detailed form, the preferences, the status line and the
// encoder component. The detailed-form model implements it in the
// application; tests and the command line use BasicEngineHost.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capture/EncoderControl.h"

namespace pellucor {

struct PublishSettings {
    std::string LecName;    // TextName
    std::string MediaDir;   // TextMedia
    std::string OutDir;     // TextLocDir
    std::string LecDir;     // TextPP (slide images, pages, titles)
    std::string StyleDir;   // TextStyle
    std::string CopyDir;    // TextCopy
    std::string CDDir;      // TextCDDir
    std::string WebDir;     // TextWebDir
    std::string WebURL;     // TextWebURL
    std::string StreamURL;  // TextStream
    bool OptCD = false;
    bool OptWeb = false;
    bool Stream = false;
};

class EngineHost {
public:
    virtual ~EngineHost() = default;
    virtual PublishSettings ReadFormSettings() = 0;
    // Text of a preference (empty when unset).
    virtual std::string Preference(const std::string& key) = 0;
    virtual void SetStatus(const std::string& text, uint32_t colour) = 0;
    // Loads the encoder component; nullptr with err when it cannot be loaded.
    virtual std::unique_ptr<EncoderControl> LoadEncoder(std::string& err) = 0;
};

// A host holding its settings and preferences in plain fields.
class BasicEngineHost : public EngineHost {
public:
    PublishSettings settings;
    std::map<std::string, std::string> prefs;
    std::vector<std::string> statuses;
    std::function<std::unique_ptr<EncoderControl>()> encoderFactory;
    std::function<void(const std::string&)> onStatus;

    PublishSettings ReadFormSettings() override { return settings; }
    std::string Preference(const std::string& key) override
    {
        const auto it = prefs.find(key);
        return it == prefs.end() ? std::string() : it->second;
    }
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
