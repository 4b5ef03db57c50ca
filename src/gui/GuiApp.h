// The windowed program, the composition root of Pellucor: it makes the
// application context, a view for every window, the dialogs behind the
// models' hooks, and wires the tool windows of every layer (capture,
// import, upload, server) to the main window and the detailed form.
#pragma once

namespace pellucor {

// Starts the windows (the first one chosen by the preferences); also
// "--screenshot DIR" to save a picture of each main window and quit.
int RunGui(int argc, char** argv);

}  // namespace pellucor
