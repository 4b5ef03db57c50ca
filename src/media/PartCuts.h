// A lecture part's cut list as the cut command, the automation interface
// and the server read it: the part's recording, found as lecture loading
// finds it, and the recording's length, which every stretch is checked
// against.
#pragma once

#include <string>
#include <vector>

#include "core/CutList.h"

namespace pellucor {

struct PartCuts {
    int part = 0;
    std::string recording;
    double length = 0;  // seconds; 0 until measured
    CutList cuts;
};

// The lecture's parts and their recordings (not yet measured, no cuts);
// false with err when the media directory holds no recording.
bool FindCutParts(const std::string& mediaDir, const std::string& lecName, std::vector<PartCuts>& parts,
                  std::string& err);
// Part number `part` of the lecture, measured; false with err ("The
// lecture has no part N") when there is none.
bool FindCutPart(const std::string& mediaDir, const std::string& lecName, int part, PartCuts& found,
                 std::string& err);
// Measures the part's recording; false with err when its length cannot be
// told.
bool MeasurePart(PartCuts& part, std::string& err);
// Measures the part and reads its cut list, checked against the length;
// false with err naming the file and the line at fault.
bool ReadPartCuts(PartCuts& part, std::string& err);
// Every part's cut list read and checked: false with err naming the first
// one at fault. A lecture without cut lists opens no recording.
bool CheckLectureCuts(const std::string& mediaDir, const std::string& lecName, std::string& err);

}  // namespace pellucor
