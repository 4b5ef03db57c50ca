#include "MediaTools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdlib>
#include <regex>
#include <sstream>

#include "TestSupport.h"

namespace pellucor::testing_support {

bool runTool(const std::vector<std::string>& argv, std::string& out, std::string* err)
{
    QProcess p;
    QStringList args;
    for (size_t i = 1; i < argv.size(); ++i)
        args << QString::fromStdString(argv[i]);
    p.start(QString::fromStdString(argv.at(0)), args);
    p.closeWriteChannel();
    const bool ran = p.waitForFinished(-1);
    out = p.readAllStandardOutput().toStdString();
    if (err)
        *err = p.readAllStandardError().toStdString();
    return ran && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool ffmpeg(const std::vector<std::string>& args, std::string& err)
{
    std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    return runTool(argv, out, &err);
}

bool ffmpegPiped(const std::vector<std::string>& args, const std::string& format, std::string& err)
{
    std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
    argv.insert(argv.end(), args.begin(), args.end() - 1);
    argv.insert(argv.end(), {"-f", format, "-"});
    std::string out;
    if (!runTool(argv, out, &err))
        return false;
    writeFile(args.back(), out);
    return true;
}

bool recordTestPattern(const std::string& path, int seconds, const std::vector<std::string>& options, bool picture,
                       std::string& err)
{
    const std::string length = std::to_string(seconds);
    std::vector<std::string> args;
    if (picture)
        args = {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=" + length};
    args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:duration=" + length});
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(path);
    return ffmpeg(args, err);
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
    if (!runTool({"ffprobe", "-v", "error", "-show_format", "-show_streams", "-show_chapters", "-of", "json", path},
                 out))
        return p;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    const auto text = [](const QJsonValue& v) { return v.toString().toStdString(); };
    p.ok = true;
    p.format = text(json["format"]["format_name"]);
    p.duration = json["format"]["duration"].toString().toDouble();
    for (const QJsonValue s : json["streams"].toArray())
        p.streams.push_back({text(s["codec_type"]), text(s["codec_name"]), text(s["pix_fmt"]), s["width"].toInt(),
                             s["height"].toInt()});
    for (const QJsonValue c : json["chapters"].toArray())
        p.chapters.push_back(
            {c["start_time"].toString().toDouble(), c["end_time"].toString().toDouble(), text(c["tags"]["title"])});
    return p;
}

std::string packetChecksums(const std::string& path, const std::string& stream)
{
    std::string out;
    if (!runTool({"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-i", path, "-map", "0:" + stream, "-c",
                  "copy", "-f", "framemd5", "-"},
                 out))
        return "";
    // "stream, dts, pts, duration, size, hash", then any side data's kind,
    // size and hash: the packet's own size and hash.
    std::string packets;
    std::istringstream in(out);
    static const std::regex sizeAndHash(R"(^[^,]*,[^,]*,[^,]*,[^,]*,([^,]*,[^,]*))");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#' && std::regex_search(line, m, sizeAndHash))
            packets += m[1].str() + "\n";
    return packets;
}

double integratedLoudness(const std::string& path)
{
    std::string out, err;
    runTool({"ffmpeg", "-hide_banner", "-nostdin", "-i", path, "-map", "0:a:0", "-af", "ebur128", "-f", "null", "-"},
            out, &err);
    // The summary at the end: "Integrated loudness:\n    I:   -23.0 LUFS".
    const size_t at = err.rfind("Integrated loudness:");
    const std::string tail = at == std::string::npos ? "" : err.substr(at);
    static const std::regex value(R"(I:\s+(-?[0-9.]+) LUFS)");
    std::smatch m;
    return std::regex_search(tail, m, value) ? std::stod(m[1].str()) : 0.0;
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
    char* end = nullptr;
    const long frames = std::strtol(out.c_str(), &end, 10);
    return end == out.c_str() ? -1 : static_cast<int>(frames);
}

}  // namespace pellucor::testing_support
