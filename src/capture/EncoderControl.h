// The encoder component as the recording windows see it: capture from the
// sound and picture devices with their set-up dialogs, and converting a
// file into a recording, with events raised while it works.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/PreviewFrame.h"

namespace pellucor {

// Callbacks raised by the encoder; any may be left empty.
struct EncoderEvents {
    std::function<void()> OnEncodingStarted;
    std::function<void()> OnEncodingStopped;
    std::function<void(int code, const std::string& text)> OnErrorOccurred;
    std::function<void(int percent)> OnEncodingProgressChanged;
    std::function<void()> OnVideoWindowSized;
    // A new picture of the video being captured (a few a second).
    std::function<void(const PreviewFrame& frame)> OnPreviewFrame;
    // The loudest sample of the sound being captured since the last call,
    // 0 to 1 (full scale), a few times a second.
    std::function<void(double peak)> OnSoundLevel;
};

class EncoderControl {
public:
    enum InputKind { InputFile = 0, InputDevices = 1 };
    enum Target { Target28KModem, Target56KModem, TargetSingleISDN, TargetDualISDN, TargetDSLCableModem, TargetLAN };

    virtual ~EncoderControl() = default;

    EncoderEvents events;

    // Properties, written before encoding starts.
    virtual void SetInputKind(int kind) = 0;
    virtual void SetInputFilename(const std::string& path) = 0;
    virtual void SetAudioDriver(int index) = 0;
    virtual void SetVideoDriver(int index) = 0;
    virtual void SetAudioOn(bool on) = 0;
    virtual void SetVideoOn(bool on) = 0;
    virtual bool VideoOn() const = 0;
    virtual int VideoDriverCount() const = 0;
    virtual std::vector<std::string> AudioDriverNames() const = 0;
    virtual std::vector<std::string> VideoDriverNames() const = 0;
    virtual void SetVideoOutputWidth(int w) = 0;
    virtual void SetVideoOutputHeight(int h) = 0;
    virtual void SetDoOutputFile(bool on) = 0;
    virtual void SetOutputFilename(const std::string& path) = 0;
    virtual void SetTarget(Target target, bool on) = 0;

    virtual bool IsEncoding() const = 0;
    virtual bool IsSourceOpen() const = 0;
    virtual void StartEncoding() = 0;
    virtual void StopEncoding() = 0;
    virtual void OpenSource() = 0;
    virtual void ShowFormatDialog() = 0;
    virtual void ShowSourceDialog() = 0;
    virtual void ShowCompressionDialog() = 0;
    // Size of the preview picture; read after OnVideoWindowSized (0: none).
    virtual int VideoWindowWidth() const { return 0; }
    virtual int VideoWindowHeight() const { return 0; }
};

}  // namespace pellucor
