// The publishing engine: one object per publish run. Publish loads the
// lecture, prepares and empties the output directory, writes process.bat
// and the merge-event files, copies the images and expands the style.
#pragma once

#include <memory>
#include <string>

#include "publish/BatchScript.h"
#include "style/StyleEngine.h"

namespace pellucor {

class Publisher : public StyleEngine {
public:
    explicit Publisher(EngineHost* host = nullptr) : StyleEngine(host) {}

    // Cheap check: loads the lecture without the full check or status lines.
    bool OKToPublish(bool showMsg, std::string& err);
    // ToDisk: true for a disk/CD target, false for the web.
    bool Publish(bool ToDisk);

    // The text of the failure that ended the last Publish.
    std::string LastError;

private:
    bool fail(const std::string& text);
    bool PrepareMedia(BatchScript& bat, bool toDisk);
    bool writeRat(int part, const std::string& rat, bool toDisk);
    bool writeToolCommands(BatchScript& bat, int part, const std::string& media, bool video);
    bool builtInMerge(const std::string& media, const std::string& rat, const std::string& output,
                      bool readSizes);

    std::unique_ptr<EncoderControl> encoder_;
};

}  // namespace pellucor
