// A test hook for crash safety: when the environment names a step in
// PELLUCOR_SERVER_STOP_AT, the server kills itself with SIGKILL on reaching
// that step, leaving everything exactly as a crash there would. Without the
// variable it does nothing.
#pragma once

namespace pellucor {

// Steps: "claim", "copy" (halfway through the copy), "verify" (copy
// verified, not yet in the repository), "move" (in the repository, journal
// not yet told), "remove" (halfway through removing the source), "publish"
// (publish started, not finished), "index" (published, index page next),
// "finish" (everything done but the claim's removal).
void StopPoint(const char* step);

}  // namespace pellucor
