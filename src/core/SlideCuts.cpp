#include "core/SlideCuts.h"

#include <cmath>

#include "core/TavUtils.h"

namespace pellucor {

void CutSlides(Lecture& lecture, int part, const CutList& cuts)
{
    if (cuts.Empty())
        return;
    for (Slide& slide : lecture.Slides) {
        if ((slide.VideoPart > 0 ? slide.VideoPart : slide.AudioPart) != part)
            continue;
        const double start = Tav_TimeToTicks(slide.StartTime) / 60.0;
        const double end = Tav_TimeToTicks(slide.EndTime) / 60.0;
        const double from = cuts.Shifted(start), to = cuts.Shifted(end);
        if (cuts.CutsAway(start, end)) {
            Tav_DebugLog("Slide " + slide.Name + " lies in a cut: left out of the contents");
            slide.CutAway = true;
        }
        slide.StartTime = Tav_TicksToTime(std::llround(from * 60));
        if (end > start)
            slide.EndTime = Tav_TicksToTime(std::llround(to * 60));
    }
}

}  // namespace pellucor
