// When a running process started. A pid alone cannot tell a process that
// died from a later one the system gave the same pid; their start times can.
#pragma once

#include <string>

namespace pellucor {

// Field 22 of /proc/PID/stat: the start time in clock ticks since boot, as
// text; empty when no such process runs.
std::string ProcessStartTicks(long pid);
// Those ticks as seconds since the epoch (0 for empty ticks).
long ProcessStartEpoch(const std::string& ticks);
// Whether the process has ended: it is gone, or it has exited and its
// parent (for a detached process, the system's first process, which may
// take its time) has not collected it yet.
bool ProcessEnded(long pid);

}  // namespace pellucor
