#include "core/SlideEngine.h"

#include "core/TavUtils.h"

namespace pellucor {

void SlideEngine::SetStatus(const std::string& text)
{
    if (host_)
        host_->SetStatus(text, StatusColour);
}

void SlideEngine::Progress(int64_t done, int64_t total) const
{
    if (host_)
        host_->Progress(done, total);
}

bool SlideEngine::Cancelled() const { return host_ && host_->Cancelled(); }

void SlideEngine::PrintSlideInfo() const
{
    Tav_DebugLog("Printing values of SlideInfo struct.");
    Tav_DebugLog("NumOfSlides = " + std::to_string(SI.SlideCount()));
    Tav_DebugLog("NumOfParts = " + std::to_string(SI.PartCount()));
    for (int i = 1; i <= SI.SlideCount(); ++i) {
        const Slide& slide = SI.SlideAt(i);
        Tav_DebugLog("Entry " + std::to_string(i));
        Tav_DebugLog("SlideName = " + slide.Name);
        Tav_DebugLog("SlideTitle = " + slide.Title);
        Tav_DebugLog("StartTime = " + slide.StartTime);
        Tav_DebugLog("EndTime = " + slide.EndTime);
        Tav_DebugLog("AudioPart = " + std::to_string(slide.AudioPart));
        Tav_DebugLog("VideoPart = " + std::to_string(slide.VideoPart));
    }
    Tav_DebugLog("End of struct");
}

}  // namespace pellucor
