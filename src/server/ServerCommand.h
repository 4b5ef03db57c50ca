namespace pellucor {

#pragma once

// pellucor server: the lecture watcher, headless and unattended.
int RunServerCommand(int argc, char** argv);

}  // namespace pellucor
