#include "capture/FfmpegMediaFile.h"

#include <fstream>

#include "capture/FfmpegTranscoder.h"
#include "capture/MediaEvents.h"
#include "core/TavUtils.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace pellucor {

std::string FfmpegErrorText(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

void FfmpegQuietLogs()
{
    // FFmpeg's own chatter would drown our progress lines; errors still show.
    static const bool once = [] {
        av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    (void)once;
}

std::unique_ptr<FfmpegMediaFile> FfmpegMediaFile::Open(const std::string& path, std::string& err)
{
    FfmpegQuietLogs();
    std::unique_ptr<FfmpegMediaFile> file(new FfmpegMediaFile);
    file->path_ = path;
    int rc = avformat_open_input(&file->ctx_, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        err = "cannot open " + path + ": " + FfmpegErrorText(rc);
        file->ctx_ = nullptr;
        return nullptr;
    }
    rc = avformat_find_stream_info(file->ctx_, nullptr);
    if (rc < 0) {
        err = "cannot read the streams of " + path + ": " + FfmpegErrorText(rc);
        return nullptr;
    }
    return file;
}

FfmpegMediaFile::~FfmpegMediaFile() { Close(); }

int FfmpegMediaFile::videoStream() const
{
    if (!ctx_)
        return -1;
    for (unsigned i = 0; i < ctx_->nb_streams; ++i) {
        const AVStream* st = ctx_->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return static_cast<int>(i);
    }
    return -1;
}

bool FfmpegMediaFile::HasVideo() { return videoStream() >= 0; }

int FfmpegMediaFile::VideoHeight()
{
    const int v = videoStream();
    return v < 0 ? 0 : ctx_->streams[v]->codecpar->height;
}

int FfmpegMediaFile::VideoWidth()
{
    const int v = videoStream();
    return v < 0 ? 0 : ctx_->streams[v]->codecpar->width;
}

double FfmpegMediaFile::DurationSeconds() const
{
    if (!ctx_ || ctx_->duration == AV_NOPTS_VALUE)
        return 0.0;
    return static_cast<double>(ctx_->duration) / AV_TIME_BASE;
}

bool FfmpegMediaFile::AddEvents(const std::string& ratPath, std::string& err)
{
    std::ifstream in(ratPath, std::ios::binary);
    if (!in) {
        err = "Unable to open " + ratPath;
        return false;
    }
    // Lines: TYPE START END &&slide&&ADDRESS
    std::string line;
    while (Tav_ReadLine(in, line)) {
        if (line[0] == '#')
            continue;
        const auto f = Tav_Split(line);
        const auto mark = line.find("&&slide&&");
        if (f.size() < 4 || mark == std::string::npos)
            continue;
        Event e;
        e.start = Tav_TimeToTicks(f[2]) / 60.0;
        e.end = Tav_TimeToTicks(f[3]) / 60.0;
        e.target = Tav_Trim(line.substr(mark + 9));
        events_.push_back(e);
    }
    return true;
}

bool FfmpegMediaFile::Save(const std::string& outPath, std::string& err)
{
    if (!ctx_) {
        err = "the media file is not open";
        return false;
    }
    if (!RemuxWithChapters(path_, outPath, events_, err))
        return false;
    const std::string base = Tav_StripExt(outPath);
    if (!WriteWebVtt(base + ".vtt", events_, err))
        return false;
    // A copy every current browser plays, for the published pages.
    FfmpegTranscoder browserCopy;
    TranscodeOptions options;
    options.videoCodec = "libvpx";
    options.audioCodec = "libopus";
    options.videoBitRate = 500000;
    options.audioBitRate = 64000;
    return browserCopy.Run(path_, base + ".webm", options, err);
}

void FfmpegMediaFile::Close()
{
    if (ctx_)
        avformat_close_input(&ctx_);
    ctx_ = nullptr;
}

}  // namespace pellucor
