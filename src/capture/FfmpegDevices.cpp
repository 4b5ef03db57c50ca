#include "capture/FfmpegDevices.h"

#include <mutex>

#include "capture/FfmpegMediaFile.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace {

void registerDevices()
{
    static std::once_flag once;
    std::call_once(once, [] { avdevice_register_all(); });
}

void listSources(const char* formatName, std::vector<CaptureDevice>& out)
{
    const AVInputFormat* fmt = av_find_input_format(formatName);
    if (!fmt)
        return;
    AVDeviceInfoList* list = nullptr;
    if (avdevice_list_input_sources(fmt, nullptr, nullptr, &list) >= 0 && list) {
        for (int i = 0; i < list->nb_devices; ++i) {
            const AVDeviceInfo* d = list->devices[i];
            if (!d->device_name)
                continue;
            const std::string desc = d->device_description ? d->device_description : d->device_name;
            out.push_back({formatName, d->device_name, desc + " (" + formatName + ")"});
        }
    }
    avdevice_free_list_devices(&list);
}

}  // namespace

std::vector<CaptureDevice> FfmpegAudioDevices()
{
    registerDevices();
    std::vector<CaptureDevice> out;
    listSources("pulse", out);
    listSources("alsa", out);
    return out;
}

std::vector<CaptureDevice> FfmpegVideoDevices()
{
    registerDevices();
    std::vector<CaptureDevice> out;
    listSources("v4l2", out);
    return out;
}

bool FfmpegProbeDevice(const CaptureDevice& device, int width, int height, std::string& err)
{
    registerDevices();
    const AVInputFormat* fmt = av_find_input_format(device.format.c_str());
    if (!fmt) {
        err = "no capture support for " + device.format;
        return false;
    }
    AVDictionary* opts = nullptr;
    if (width > 0 && height > 0 && device.format == "v4l2")
        av_dict_set(&opts, "video_size", (std::to_string(width) + "x" + std::to_string(height)).c_str(), 0);
    AVFormatContext* ctx = nullptr;
    const int rc = avformat_open_input(&ctx, device.url.c_str(), fmt, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        err = "cannot open " + device.label + ": " + FfmpegErrorText(rc);
        return false;
    }
    avformat_close_input(&ctx);
    return true;
}
