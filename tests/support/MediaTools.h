// The FFmpeg command-line tools as tests use them: making short recordings
// from generated pictures and sound, and reading media back with ffprobe
// and ffmpeg, independently of the program's own use of the libraries.
#pragma once

#include <string>
#include <vector>

namespace pellucor::testing_support {

// Runs a program with its arguments (no shell); its standard output, and
// whether it exited with 0. Standard error goes to err when given.
bool runTool(const std::vector<std::string>& argv, std::string& out, std::string* err = nullptr);

// ffmpeg -y with the arguments; false (with its messages) when it fails.
bool ffmpeg(const std::vector<std::string>& args, std::string& err);
// As ffmpeg, the output (the last argument) written in the format through
// a pipe, as a recording is written while it is made (by a browser, say):
// without an index or a length in its header.
bool ffmpegPiped(const std::vector<std::string>& args, const std::string& format, std::string& err);
// A recording at path of a 160x120 test pattern at 10 pictures a second
// (none when !picture) and a 440 Hz tone, the given seconds long, made with
// the given ffmpeg output options; false (with its messages) when it fails.
bool recordTestPattern(const std::string& path, int seconds, const std::vector<std::string>& options, bool picture,
                       std::string& err);

struct ProbedStream {
    std::string type;   // "video", "audio", "data" ...
    std::string codec;  // "h264", "aac" ...
    std::string pixelFormat;
    int width = 0, height = 0;
};
struct ProbedChapter {
    double start = 0, end = 0;
    std::string title;
};
struct Probed {
    bool ok = false;
    std::string format;  // the demuxer's names, such as "mov,mp4,m4a,3gp,3g2,mj2"
    double duration = 0;
    std::vector<ProbedStream> streams;
    std::vector<ProbedChapter> chapters;
    // The audio and video codecs, in stream order ("h264 aac").
    std::string codecs() const;
};
Probed ffprobe(const std::string& path);

// The size and checksum of every packet of the stream (such as "v:0" or
// "a:0"), one line each, as "ffmpeg -c copy -f framemd5" lists them: equal
// for a stream passed on unchanged (its timestamps may all be moved by
// the same amount when another stream starts earlier).
std::string packetChecksums(const std::string& path, const std::string& stream);

// The integrated loudness (LUFS, EBU R128) of the sound of a file.
double integratedLoudness(const std::string& path);

// The pictures a player decodes from the first video stream (ffprobe
// -count_frames, edit lists applied); -1 when it cannot be read.
int decodedFrames(const std::string& path);
// Whether an MP4 file's index (moov) comes before its media data (mdat).
bool indexAtFront(const std::string& path);

}  // namespace pellucor::testing_support
