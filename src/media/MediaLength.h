// How long an opened recording lasts when its header does not say: one
// written as it was made (through a pipe, or by a browser) has no length
// and no index, though its packets tell how long it is.
#pragma once

#include <cstdint>

struct AVFormatContext;

namespace pellucor {

// The input's duration (AV_TIME_BASE units): what its header says, or,
// where it says nothing, the end of its last packet after its start, found
// by reading every packet and kept as the input's duration. The input is
// then read again from its start. 0 when it cannot be told.
int64_t MeasureDuration(AVFormatContext* in);

}  // namespace pellucor
