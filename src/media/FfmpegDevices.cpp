#include "media/FfmpegDevices.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "media/FfmpegMediaFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

namespace pellucor {

namespace {

// Whether a sound source is something a lecturer can speak into. Left out:
// the sound server's monitors (what the machine plays, silence from a
// null output), and ALSA's plugins ("null" generates zero samples; "jack",
// "oss", "pulse", the rate converters and mixers are routes, not inputs):
// recording from them makes a file of silence, or of full-scale DC as
// unsigned bytes, that looks like a recording. ALSA's sound cards carry
// "CARD=" in their names; "default" is the system's own choice.
bool IsSoundInput(const std::string& format, const std::string& name)
{
    if (format == "pulse")
        return !name.ends_with(".monitor");
    if (format == "alsa")
        return name == "default" || name.find("CARD=") != std::string::npos;
    return true;
}

// Adds the sources the format lists; false when it lists none because its
// system (the sound server) did not answer.
bool listSources(const char* formatName, std::vector<CaptureDevice>& out)
{
    const AVInputFormat* fmt = av_find_input_format(formatName);
    if (!fmt)
        return false;
    AVDeviceInfoList* list = nullptr;
    const bool answered = avdevice_list_input_sources(fmt, nullptr, nullptr, &list) >= 0;
    if (answered && list) {
        for (int i = 0; i < list->nb_devices; ++i) {
            const AVDeviceInfo* d = list->devices[i];
            if (!d->device_name)
                continue;
            const std::string desc = d->device_description ? d->device_description : d->device_name;
            if (!IsSoundInput(formatName, d->device_name))
                continue;
            out.push_back({formatName, d->device_name, desc + " (" + formatName + ")"});
        }
    }
    avdevice_free_list_devices(&list);
    return answered;
}

// Every pixel format and frame size a V4L2 camera offers.
void cameraFormats(const std::string& path, std::vector<std::string>& out)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return;
    v4l2_fmtdesc fmt {};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (fmt.index = 0; ::ioctl(fd, VIDIOC_ENUM_FMT, &fmt) == 0; ++fmt.index) {
        const std::string name = reinterpret_cast<const char*>(fmt.description);
        v4l2_frmsizeenum size {};
        size.pixel_format = fmt.pixelformat;
        bool any = false;
        for (size.index = 0; ::ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
            if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
                out.push_back(name + " " + std::to_string(size.stepwise.min_width) + "x"
                              + std::to_string(size.stepwise.min_height) + " to "
                              + std::to_string(size.stepwise.max_width) + "x"
                              + std::to_string(size.stepwise.max_height));
                any = true;
                break;
            }
            out.push_back(name + " " + std::to_string(size.discrete.width) + "x"
                          + std::to_string(size.discrete.height));
            any = true;
        }
        if (!any)
            out.push_back(name);
    }
    ::close(fd);
}

// The format each stream of an opened device delivers now.
std::string streamFormat(const AVCodecParameters* p)
{
    if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
        const char* pix = av_get_pix_fmt_name(static_cast<AVPixelFormat>(p->format));
        return std::string(pix ? pix : avcodec_get_name(p->codec_id)) + " " + std::to_string(p->width) + "x"
            + std::to_string(p->height);
    }
    const char* sample = av_get_sample_fmt_name(static_cast<AVSampleFormat>(p->format));
    return std::string(sample ? sample : avcodec_get_name(p->codec_id)) + " " + std::to_string(p->sample_rate) + " Hz "
        + std::to_string(p->ch_layout.nb_channels) + " channels";
}

}  // namespace

std::vector<CaptureDevice> FfmpegAudioDevices()
{
    FfmpegRegisterDevices();
    std::vector<CaptureDevice> out;
    // Where a sound server runs, its sources are the microphones: ALSA's
    // "default" leads back to it (to its default source, which may be a
    // monitor), and it holds the sound cards.
    if (!listSources("pulse", out))
        listSources("alsa", out);
    return out;
}

std::vector<CaptureDevice> FfmpegVideoDevices()
{
    FfmpegRegisterDevices();
    std::vector<CaptureDevice> out;
    listSources("v4l2", out);
    return out;
}

MediaInput CaptureInput(const CaptureDevice& device, const CaptureFormat& format, int input)
{
    MediaInput in {device.url, device.format, {}};
    auto option = [&in](const char* key, const std::string& value) { in.options.emplace_back(key, value); };
    if (device.format == "v4l2") {
        if (format.width > 0 && format.height > 0)
            option("video_size", std::to_string(format.width) + "x" + std::to_string(format.height));
        if (format.frameRate > 0)
            option("framerate", std::to_string(format.frameRate));
        if (input >= 0)
            option("channel", std::to_string(input));
    } else if (device.format == "pulse" || device.format == "alsa") {
        if (format.sampleRate > 0)
            option("sample_rate", std::to_string(format.sampleRate));
        if (format.channels > 0)
            option("channels", std::to_string(format.channels));
    }
    return in;
}

std::vector<std::string> FfmpegDeviceInputs(const CaptureDevice& device)
{
    std::vector<std::string> out;
    if (device.format != "v4l2")
        return out;
    const int fd = ::open(device.url.c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return out;
    v4l2_input input {};
    for (input.index = 0; ::ioctl(fd, VIDIOC_ENUMINPUT, &input) == 0; ++input.index)
        out.emplace_back(reinterpret_cast<const char*>(input.name));
    ::close(fd);
    return out;
}

std::vector<std::string> FfmpegEncodersFor(const std::string& output, const std::string& format, bool video)
{
    std::vector<std::string> out;
    const AVOutputFormat* muxer = av_guess_format(format.empty() ? nullptr : format.c_str(), output.c_str(), nullptr);
    if (!muxer)
        return out;
    const AVCodecID preferred = video ? muxer->video_codec : muxer->audio_codec;
    const AVMediaType type = video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
    void* it = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&it)) {
        if (!av_codec_is_encoder(codec) || codec->type != type || (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL)
            || avformat_query_codec(muxer, codec->id, FF_COMPLIANCE_NORMAL) != 1)
            continue;
        if (codec->id == preferred)
            out.insert(out.begin(), codec->name);
        else
            out.emplace_back(codec->name);
    }
    return out;
}

bool FfmpegProbeDevice(const MediaInput& input, const std::string& label, std::string& err)
{
    int code = 0;
    AVFormatContext* ctx = OpenMediaInput(input, err, code);
    if (!ctx) {
        err = label + ": " + err;
        return false;
    }
    avformat_close_input(&ctx);
    return true;
}

std::vector<std::string> FfmpegDeviceFormats(const CaptureDevice& device, std::string& err)
{
    std::vector<std::string> out;
    int code = 0;
    AVFormatContext* ctx = OpenMediaInput(CaptureInput(device), err, code);
    if (!ctx) {
        err = device.label + ": " + err;
        return out;
    }
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        out.push_back("Now: " + streamFormat(ctx->streams[i]->codecpar));
    avformat_close_input(&ctx);
    if (device.format == "v4l2")
        cameraFormats(device.url, out);
    return out;
}

}  // namespace pellucor
