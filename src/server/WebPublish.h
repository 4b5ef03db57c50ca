// How the server edition publishes one lecture for the web. This is its
// only road to the publish pipeline: today through the main window and the
// detailed publish form, as the window's own "Pellucor" button does.
#pragma once

#include <functional>
#include <string>

namespace pellucor {

class MainWindowPort;
class PublishForm;

struct WebPublishRequest {
    std::string lectureDir;  // in the repository, ending in "/"
    std::string pubDir;      // web output directory
    std::string webURL;
    std::string streamURL;   // empty: no streaming server
};

enum class WebPublishResult { Published, NotReady, Failed };

// Publishes and waits until the publish has ended (whileRunning is called
// now and then meanwhile). `log` receives "Calling Pellucor in ..." once the
// lecture was found publishable; `err` the reason of a failure.
WebPublishResult PublishForWeb(PublishForm& form, MainWindowPort& mainWindow, const WebPublishRequest& request,
                               const std::function<void(const std::string&)>& log,
                               const std::function<void()>& whileRunning, std::string& err);

}  // namespace pellucor
