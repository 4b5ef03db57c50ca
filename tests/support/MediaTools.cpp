#include "MediaTools.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "TestSupport.h"

namespace pellucor {

namespace testing_support {

namespace {

// Reads a file descriptor to its end.
std::string drain(int fd)
{
    std::string text;
    char buf[65536];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<size_t>(n));
    return text;
}

// The value of "key=value" on a line of ffprobe's flat output.
std::string flatValue(const std::string& line, size_t eq)
{
    std::string v = line.substr(eq + 1);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size())
            ++i;
        out += v[i];
    }
    return out;
}

}  // namespace

bool runTool(const std::vector<std::string>& argv, std::string& out, std::string* err)
{
    // Standard error is collected through a file: two pipes read one after
    // the other could block each other.
    TempDir scratch;
    const std::string errFile = scratch.file("stderr");
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        if (std::FILE* f = std::freopen(errFile.c_str(), "w", stderr); !f)
            ::_exit(126);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    out = drain(fds[0]);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (err)
        *err = readFile(errFile);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ffmpeg(const std::vector<std::string>& args, std::string& err)
{
    std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    return runTool(argv, out, &err);
}

std::string Probed::codecs() const
{
    std::string text;
    for (const auto& s : streams)
        if (s.type == "audio" || s.type == "video")
            text += (text.empty() ? "" : " ") + s.codec;
    return text;
}

Probed ffprobe(const std::string& path)
{
    Probed p;
    std::string out;
    if (!runTool({"ffprobe", "-v", "error", "-show_format", "-show_streams", "-show_chapters", "-of", "flat", path},
                 out))
        return p;
    p.ok = true;
    std::istringstream in(out);
    static const std::regex streamKey(R"(^streams\.stream\.(\d+)\.(\w+)$)");
    static const std::regex chapterKey(R"(^chapters\.chapter\.(\d+)\.(\w+)$)");
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = flatValue(line, eq);
        std::smatch m;
        if (std::regex_match(key, m, streamKey)) {
            const size_t i = std::stoul(m[1]);
            if (p.streams.size() <= i)
                p.streams.resize(i + 1);
            ProbedStream& s = p.streams[i];
            if (m[2] == "codec_type")
                s.type = value;
            else if (m[2] == "codec_name")
                s.codec = value;
            else if (m[2] == "pix_fmt")
                s.pixelFormat = value;
            else if (m[2] == "width")
                s.width = std::atoi(value.c_str());
            else if (m[2] == "height")
                s.height = std::atoi(value.c_str());
        } else if (std::regex_match(key, m, chapterKey)) {
            const size_t i = std::stoul(m[1]);
            if (p.chapters.size() <= i)
                p.chapters.resize(i + 1);
            ProbedChapter& c = p.chapters[i];
            if (m[2] == "start_time")
                c.start = std::atof(value.c_str());
            else if (m[2] == "end_time")
                c.end = std::atof(value.c_str());
        } else if (key.rfind("chapters.chapter.", 0) == 0 && key.size() > 10
                   && key.substr(key.size() - 10) == "tags.title") {
            const size_t i = std::stoul(key.substr(17));
            if (p.chapters.size() <= i)
                p.chapters.resize(i + 1);
            p.chapters[i].title = value;
        } else if (key == "format.format_name") {
            p.format = value;
        } else if (key == "format.duration") {
            p.duration = std::atof(value.c_str());
        }
    }
    return p;
}

std::string packetChecksums(const std::string& path, const std::string& stream)
{
    std::string out;
    if (!runTool({"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-i", path, "-map", "0:" + stream, "-c",
                  "copy", "-f", "framemd5", "-"},
                 out))
        return "";
    // "stream, dts, pts, duration, size, hash": the last two of each packet.
    std::string packets;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        size_t comma = line.rfind(',');
        comma = comma == std::string::npos ? std::string::npos : line.rfind(',', comma - 1);
        if (comma != std::string::npos)
            packets += line.substr(comma + 1) + "\n";
    }
    return packets;
}

double integratedLoudness(const std::string& path)
{
    std::string out, err;
    runTool({"ffmpeg", "-hide_banner", "-nostdin", "-i", path, "-map", "0:a:0", "-af", "ebur128", "-f", "null", "-"},
            out, &err);
    // The summary at the end: "Integrated loudness:\n    I:   -23.0 LUFS".
    const size_t at = err.rfind("Integrated loudness:");
    std::smatch m;
    const std::string tail = at == std::string::npos ? "" : err.substr(at);
    static const std::regex value(R"(I:\s+(-?[0-9.]+) LUFS)");
    if (!std::regex_search(tail, m, value))
        return 0.0;
    return std::atof(m[1].str().c_str());
}

bool indexAtFront(const std::string& path)
{
    const std::string bytes = readFile(path);
    const size_t moov = bytes.find("moov"), mdat = bytes.find("mdat");
    return moov != std::string::npos && mdat != std::string::npos && moov < mdat;
}

int decodedFrames(const std::string& path)
{
    std::string out;
    if (!runTool({"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                  "stream=nb_read_frames", "-of", "csv=p=0", path},
                 out))
        return -1;
    try {
        return std::stoi(out);
    } catch (...) {
        return -1;
    }
}

}  // namespace testing_support

}  // namespace pellucor
