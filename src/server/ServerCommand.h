// pellucor server: the lecture watcher, headless and unattended.
#pragma once

namespace pellucor {

int RunServerCommand(int argc, char** argv);

}  // namespace pellucor
