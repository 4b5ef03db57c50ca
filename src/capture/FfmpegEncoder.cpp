#include "capture/FfmpegEncoder.h"

#include <QProcess>
#include <QStringList>

#include <algorithm>

#include "capture/FfmpegMediaFile.h"
#include "core/TavUtils.h"

TargetBitRates BitRatesFor(EncoderControl::Target target)
{
    static const TargetBitRates rates[6] = {{16, 32}, {24, 32}, {32, 32}, {64, 48}, {160, 64}, {320, 96}};
    return rates[std::clamp(static_cast<int>(target), 0, 5)];
}

FfmpegEncoder::FfmpegEncoder() : audioDevices_(FfmpegAudioDevices()), videoDevices_(FfmpegVideoDevices()) {}

FfmpegEncoder::~FfmpegEncoder()
{
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->disconnect();
        process_->terminate();
        if (!process_->waitForFinished(5000))
            process_->kill();
        process_->waitForFinished(1000);
    }
}

void FfmpegEncoder::SetDevices(std::vector<CaptureDevice> audio, std::vector<CaptureDevice> video)
{
    audioDevices_ = std::move(audio);
    videoDevices_ = std::move(video);
}

namespace {
std::vector<std::string> labels(const std::vector<CaptureDevice>& devices)
{
    std::vector<std::string> out;
    for (const auto& d : devices)
        out.push_back(d.label);
    return out;
}
const CaptureDevice* pick(const std::vector<CaptureDevice>& devices, int index)
{
    return index >= 0 && index < static_cast<int>(devices.size()) ? &devices[static_cast<size_t>(index)] : nullptr;
}
}  // namespace

std::vector<std::string> FfmpegEncoder::AudioDriverNames() const { return labels(audioDevices_); }
std::vector<std::string> FfmpegEncoder::VideoDriverNames() const { return labels(videoDevices_); }
const CaptureDevice* FfmpegEncoder::audioDevice() const { return pick(audioDevices_, audioDriver_); }
const CaptureDevice* FfmpegEncoder::videoDevice() const { return pick(videoDevices_, videoDriver_); }

void FfmpegEncoder::error(int code, const std::string& text)
{
    if (events.OnErrorOccurred)
        events.OnErrorOccurred(code, text);
}

bool FfmpegEncoder::Arguments(std::vector<std::string>& args, std::string& err) const
{
    args = {"-hide_banner", "-nostats", "-loglevel", "error", "-y", "-progress", "pipe:1"};
    bool video = false;
    if (inputKind_ == InputFile) {
        if (tav::trim(inputFile_).empty()) {
            err = "No input file";
            return false;
        }
        auto media = FfmpegMediaFile::Open(inputFile_, err);
        if (!media)
            return false;
        video = media->HasVideo();
        args.insert(args.end(), {"-i", inputFile_});
    } else {
        const CaptureDevice* a = audioOn_ ? audioDevice() : nullptr;
        const CaptureDevice* v = videoOn_ ? videoDevice() : nullptr;
        if (audioOn_ && !a) {
            err = "No audio device";
            return false;
        }
        if (videoOn_ && !v) {
            err = "No video device";
            return false;
        }
        if (!a && !v) {
            err = "Neither audio nor video is on";
            return false;
        }
        if (a)
            args.insert(args.end(), {"-f", a->format, "-i", a->url});
        if (v) {
            args.insert(args.end(), {"-f", v->format});
            if (v->format == "v4l2")
                args.insert(args.end(), {"-video_size", std::to_string(outWidth_) + "x" + std::to_string(outHeight_)});
            args.insert(args.end(), {"-i", v->url});
        }
        video = v != nullptr;
    }
    if (!doOutputFile_ || tav::trim(outputFile_).empty()) {
        err = "No output file";
        return false;
    }
    int target = 4;
    for (int i = 0; i < 6; ++i)
        if (targets_[i]) {
            target = i;
            break;
        }
    const TargetBitRates rates = BitRatesFor(static_cast<Target>(target));
    const std::string ext = tav::lower(outputFile_.substr(outputFile_.find_last_of('.') == std::string::npos
                                                              ? outputFile_.size()
                                                              : outputFile_.find_last_of('.')));
    const bool realMedia = ext == ".rm" || ext == ".ra";
    if (ext == ".ra")
        video = false;
    if (video) {
        // Live pictures are encoded at the output size; a converted file
        // keeps its own (RealVideo wants a multiple of 4).
        const std::string scale = inputKind_ == InputDevices
                                      ? "scale=" + std::to_string(outWidth_) + ":" + std::to_string(outHeight_)
                                      : std::string("scale=trunc(iw/4)*4:trunc(ih/4)*4");
        args.insert(args.end(), {"-vf", scale, "-b:v", std::to_string(rates.video) + "k"});
        if (realMedia)
            args.insert(args.end(), {"-c:v", "rv20"});
    } else {
        args.push_back("-vn");
    }
    args.insert(args.end(), {"-b:a", std::to_string(rates.audio) + "k"});
    if (realMedia)
        args.insert(args.end(), {"-c:a", "ac3", "-ar", "44100", "-f", "rm"});
    args.push_back(outputFile_);
    return true;
}

void FfmpegEncoder::StartEncoding()
{
    if (encoding_)
        return;
    std::vector<std::string> args;
    std::string err;
    if (!Arguments(args, err)) {
        error(-1, err);
        return;
    }
    inputSeconds_ = 0.0;
    if (inputKind_ == InputFile) {
        std::string ignored;
        if (auto media = FfmpegMediaFile::Open(inputFile_, ignored))
            inputSeconds_ = media->DurationSeconds();
    }
    QStringList qargs;
    for (const auto& a : args)
        qargs << QString::fromStdString(a);
    process_ = std::make_unique<QProcess>();
    QObject::connect(process_.get(), &QProcess::readyReadStandardOutput, process_.get(), [this] { readProgress(); });
    QObject::connect(process_.get(), &QProcess::finished, process_.get(),
                     [this](int code, QProcess::ExitStatus status) { finished(code, status == QProcess::CrashExit); });
    process_->start(QString::fromStdString(program_), qargs);
    if (!process_->waitForStarted(10000)) {
        error(-2, "Unable to run " + program_ + ": " + process_->errorString().toStdString());
        process_.reset();
        return;
    }
    encoding_ = true;
    stopping_ = false;
    lastPercent_ = -1;
    progressBuffer_.clear();
    if (events.OnEncodingStarted)
        events.OnEncodingStarted();
}

void FfmpegEncoder::readProgress()
{
    progressBuffer_ += process_->readAllStandardOutput().toStdString();
    size_t nl;
    while ((nl = progressBuffer_.find('\n')) != std::string::npos) {
        const std::string line = tav::trim(progressBuffer_.substr(0, nl));
        progressBuffer_.erase(0, nl + 1);
        if (inputSeconds_ <= 0.0 || !tav::startsWith(line, "out_time_us="))
            continue;
        const double done = tav::val(line.substr(12)) / 1e6;
        const int percent = std::clamp(static_cast<int>(done * 100.0 / inputSeconds_), 0, 99);
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            if (events.OnEncodingProgressChanged)
                events.OnEncodingProgressChanged(percent);
        }
    }
}

void FfmpegEncoder::finished(int exitCode, bool crashed)
{
    readProgress();
    encoding_ = false;
    sourceOpen_ = false;
    const bool ok = stopping_ || (exitCode == 0 && !crashed);
    if (!ok) {
        std::string text = tav::trim(process_->readAllStandardError().toStdString());
        const auto nl = text.find_last_of('\n');
        if (nl != std::string::npos)
            text = text.substr(nl + 1);
        error(crashed ? -3 : exitCode, text.empty() ? program_ + " failed" : text);
        return;
    }
    if (inputKind_ == InputFile && !stopping_ && events.OnEncodingProgressChanged)
        events.OnEncodingProgressChanged(100);
    if (events.OnEncodingStopped)
        events.OnEncodingStopped();
}

void FfmpegEncoder::StopEncoding()
{
    if (process_ && process_->state() != QProcess::NotRunning) {
        stopping_ = true;
        // "q" asks ffmpeg to finish the file; a signal is the fallback.
        process_->write("q");
        process_->closeWriteChannel();
        if (!process_->waitForFinished(5000)) {
            process_->terminate();
            if (!process_->waitForFinished(5000)) {
                process_->kill();
                process_->waitForFinished(2000);
            }
        }
    }
    encoding_ = false;
    sourceOpen_ = false;
}

void FfmpegEncoder::OpenSource()
{
    sourceOpen_ = false;
    std::string err;
    if (inputKind_ == InputFile) {
        if (!FfmpegMediaFile::Open(inputFile_, err)) {
            error(-1, err);
            return;
        }
    } else {
        const CaptureDevice* a = audioOn_ ? audioDevice() : nullptr;
        const CaptureDevice* v = videoOn_ ? videoDevice() : nullptr;
        if ((audioOn_ && !a) || (videoOn_ && !v)) {
            error(-1, audioOn_ && !a ? "No audio device" : "No video device");
            return;
        }
        if ((a && !FfmpegProbeDevice(*a, 0, 0, err)) || (v && !FfmpegProbeDevice(*v, outWidth_, outHeight_, err))) {
            error(-1, err);
            return;
        }
    }
    sourceOpen_ = true;
}

void FfmpegEncoder::ShowFormatDialog()
{
    if (formatDialog && videoDevice())
        formatDialog(*videoDevice());
}

void FfmpegEncoder::ShowSourceDialog()
{
    if (sourceDialog && videoDevice())
        sourceDialog(*videoDevice());
}

void FfmpegEncoder::ShowCompressionDialog()
{
    if (compressionDialog && videoDevice())
        compressionDialog(*videoDevice());
}

std::unique_ptr<MediaFileObject> FfmpegEncoder::OpenRmFile(const std::string& path, std::string& err)
{
    return FfmpegMediaFile::Open(path, err);
}
