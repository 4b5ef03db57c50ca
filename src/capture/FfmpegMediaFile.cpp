#include "capture/FfmpegMediaFile.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

std::string FfmpegErrorText(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

std::unique_ptr<FfmpegMediaFile> FfmpegMediaFile::Open(const std::string& path, std::string& err)
{
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
    ratPath_ = ratPath;
    err = "merging slide events into media is not available yet";
    return false;
}

bool FfmpegMediaFile::Save(const std::string&, std::string& err)
{
    err = "saving media is not available yet";
    return false;
}

void FfmpegMediaFile::Close()
{
    if (ctx_)
        avformat_close_input(&ctx_);
    ctx_ = nullptr;
}
