// The slides of a lecture part moved into the time of its recording's copy
// without the cuts: each start and end less the cuts before it, in whole
// seconds as events files hold them; a slide whose whole stretch is cut is
// marked cut away (it keeps its place: pages are numbered by it).
#pragma once

#include "core/CutList.h"
#include "core/Lecture.h"

namespace pellucor {

void CutSlides(Lecture& lecture, int part, const CutList& cuts);

}  // namespace pellucor
