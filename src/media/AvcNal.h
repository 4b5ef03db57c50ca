// H.264 as MP4 holds it: NAL units prefixed by their length, and the
// parameter sets in the stream's configuration record (avcC). What a cut
// copy needs to join pictures encoded again to pictures passed on as they
// are: the encoder's start-code output made length-prefixed, the ids of
// the recording's own parameter sets (so that the new ones take another),
// and those sets to send again where the recording's pictures resume.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace pellucor {

struct AvcConfig {
    int lengthSize = 4;             // bytes of each NAL unit's length
    std::vector<std::string> sets;  // SPS and PPS units, in order
    std::set<int> spsIds;
};

// Reads an avcC record. False when the extradata is not one (Annex B
// extradata, or none).
bool ReadAvcConfig(const uint8_t* data, int size, AvcConfig& config);

// The NAL units of Annex B data (start codes 00 00 01 or 00 00 00 01).
std::vector<std::string> AnnexBUnits(const uint8_t* data, int size);

// NAL units written each after its length in lengthSize bytes.
std::string LengthPrefixed(const std::vector<std::string>& units, int lengthSize);

// The seq_parameter_set_id of an SPS unit (header byte included); -1 when
// it cannot be read.
int SpsId(const std::string& unit);

}  // namespace pellucor
