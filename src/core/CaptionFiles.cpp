#include "core/CaptionFiles.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <filesystem>
#include <system_error>

#include "core/FileLookup.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"

namespace pellucor {

namespace {

std::string checksum(const std::string& text)
{
    return QCryptographicHash::hash(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

}  // namespace

std::vector<std::string> FindCaptionsFiles(const std::string& mediaPath, int part, std::string& err)
{
    err.clear();
    std::vector<std::string> found;
    if (mediaPath.empty())
        return found;
    const std::filesystem::path media(mediaPath);
    const DirListing dir(media.parent_path().string());
    const std::string stem = media.stem().string();
    for (const std::string& name : {stem + ".vtt", stem + ".srt", "captions" + std::to_string(part) + ".vtt"}) {
        std::string path;
        if (dir.Find(name, path, err))
            found.push_back(path);
        else if (!err.empty())
            return {};
    }
    return found;
}

std::string MachineCaptionsPath(const std::string& mediaPath)
{
    return std::filesystem::path(mediaPath).replace_extension(".vtt").string();
}

std::string MachineCaptionsMark(const std::string& captionsPath) { return captionsPath + ".auto"; }

bool IsMachineCaptionsText(const std::string& captionsPath, const std::string& text)
{
    std::string mark;
    if (!ReadWholeFile(MachineCaptionsMark(captionsPath), mark))
        return false;
    return Trim(mark) == checksum(text);
}

bool IsMachineCaptions(const std::string& captionsPath)
{
    std::string text;
    return ReadWholeFile(captionsPath, text) && IsMachineCaptionsText(captionsPath, text);
}

bool WriteMachineCaptions(const std::string& captionsPath, const std::string& vtt, std::string& err)
{
    const std::string markPath = MachineCaptionsMark(captionsPath);
    std::string oldMark;
    const bool hadMark = ReadWholeFile(markPath, oldMark);
    if (!WriteFileAtomically(markPath, checksum(vtt) + "\n", err))
        return false;
    if (WriteFileAtomically(captionsPath, vtt, err))
        return true;
    std::string ignored;
    std::error_code ec;
    if (hadMark)
        WriteFileAtomically(markPath, oldMark, ignored);
    else
        std::filesystem::remove(markPath, ec);
    return false;
}

bool DropMachineMark(const std::string& captionsPath, std::string& err)
{
    std::error_code ec;
    std::filesystem::remove(MachineCaptionsMark(captionsPath), ec);
    if (ec) {
        err = "Unable to remove " + MachineCaptionsMark(captionsPath) + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace pellucor
