#include "capture/FfmpegEncoder.h"

#include "capture/FfmpegMediaFile.h"

std::vector<std::string> FfmpegEncoder::AudioDriverNames() const { return {}; }
std::vector<std::string> FfmpegEncoder::VideoDriverNames() const { return {}; }

void FfmpegEncoder::OpenSource()
{
    sourceOpen_ = false;
    if (events.OnErrorOccurred)
        events.OnErrorOccurred(-1, "capture devices are not available yet");
}

void FfmpegEncoder::StartEncoding()
{
    if (events.OnErrorOccurred)
        events.OnErrorOccurred(-1, "encoding is not available yet");
}

void FfmpegEncoder::StopEncoding() { encoding_ = false; }

std::unique_ptr<MediaFileObject> FfmpegEncoder::OpenRmFile(const std::string& path, std::string& err)
{
    return FfmpegMediaFile::Open(path, err);
}
