#include "core/SlideEngine.h"

#include "core/TavUtils.h"

namespace pellucor {

void SlideEngine::ReadFormSettings()
{
    if (host_)
        S = host_->ReadFormSettings();
}

void SlideEngine::SetStatus(const std::string& text)
{
    if (host_)
        host_->SetStatus(text, StatusColour);
}

std::string SlideEngine::Preference(const std::string& key) const
{
    return host_ ? host_->Preference(key) : std::string();
}

void SlideEngine::PrintSlideInfo() const
{
    Tav_DebugLog("Printing values of SlideInfo struct.");
    Tav_DebugLog("NumOfSlides = " + std::to_string(SI.NumOfSlides));
    Tav_DebugLog("NumOfParts = " + std::to_string(SI.NumOfParts));
    for (int i = 1; i <= SI.NumOfSlides; ++i) {
        Tav_DebugLog("Entry " + std::to_string(i));
        Tav_DebugLog("SlideName = " + SI.SlideName[i]);
        Tav_DebugLog("SlideTitle = " + SI.SlideTitle[i]);
        Tav_DebugLog("StartTime = " + SI.StartTime[i]);
        Tav_DebugLog("EndTime = " + SI.EndTime[i]);
        Tav_DebugLog("AudioPart = " + std::to_string(SI.AudioPart[i]));
        Tav_DebugLog("VideoPart = " + std::to_string(SI.VideoPart[i]));
    }
    Tav_DebugLog("End of struct");
}

}  // namespace pellucor
