#include "upload/FtpText.h"

#include <cctype>
#include <sstream>

#include "core/TavString.h"

namespace pellucor {

bool FtpSplitCommand(const std::string& command, std::vector<std::string>& words, std::string& error)
{
    words.clear();
    for (unsigned char c : command) {
        if (c < 0x20 && c != '\t') {
            error = "Command contains a control character";
            return false;
        }
    }
    size_t i = 0;
    const size_t n = command.size();
    while (i < n) {
        while (i < n && (command[i] == ' ' || command[i] == '\t'))
            ++i;
        if (i >= n)
            break;
        std::string word;
        if (command[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (command[i] == '"') {
                    if (i + 1 < n && command[i + 1] == '"') {
                        word.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                word.push_back(command[i++]);
            }
            if (!closed) {
                error = "Missing closing quote";
                return false;
            }
        } else {
            while (i < n && command[i] != ' ' && command[i] != '\t')
                word.push_back(command[i++]);
        }
        words.push_back(word);
    }
    return true;
}

std::string FtpQuote(const std::string& word) { return "\"" + ReplaceAll(word, "\"", "\"\"") + "\""; }

std::string FtpResolvePath(const std::string& cwd, const std::string& path)
{
    std::vector<std::string> parts;
    auto add = [&parts](const std::string& text) {
        std::stringstream ss(text);
        std::string seg;
        while (std::getline(ss, seg, '/')) {
            if (seg.empty() || seg == ".")
                continue;
            if (seg == "..") {
                if (!parts.empty())
                    parts.pop_back();
                continue;
            }
            parts.push_back(seg);
        }
    };
    if (path.empty() || path[0] != '/')
        add(cwd);
    add(path);
    std::string out;
    for (const auto& p : parts)
        out += "/" + p;
    return out.empty() ? "/" : out;
}

namespace {
// The text after the first `count` blank-separated fields of line, or ""
// when the line has fewer fields.
std::string afterFields(const std::string& line, int count)
{
    size_t i = 0;
    for (int f = 0; f < count; ++f) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        if (i >= line.size())
            return "";
        while (i < line.size() && line[i] != ' ')
            ++i;
    }
    while (i < line.size() && line[i] == ' ')
        ++i;
    return line.substr(i);
}

std::string listingName(const std::string& line)
{
    if (line.size() > 10 && std::string("-dlbcps").find(line[0]) != std::string::npos) {
        // Unix: perms links owner group size month day time-or-year name
        std::string name = afterFields(line, 8);
        if (name.empty())
            return line;
        if (line[0] == 'l') {
            const size_t arrow = name.find(" -> ");
            if (arrow != std::string::npos)
                name = name.substr(0, arrow);
        }
        return line[0] == 'd' ? name + "/" : name;
    }
    if (line.size() > 8 && std::isdigit(static_cast<unsigned char>(line[0]))) {
        // DOS: date time <DIR>-or-size name
        std::string name = afterFields(line, 3);
        if (name.empty())
            return line;
        std::stringstream ss(line);
        std::string date, time, kind;
        ss >> date >> time >> kind;
        return kind == "<DIR>" ? name + "/" : name;
    }
    return line;
}
}  // namespace

std::string FtpListingNames(const std::string& listing)
{
    std::string out;
    std::stringstream ss(listing);
    std::string line;
    while (std::getline(ss, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (line.empty() || StartsWith(line, "total "))
            continue;
        const std::string name = listingName(line);
        if (name == "./" || name == "../" || name == "." || name == "..")
            continue;
        out += name + "\r\n";
    }
    return out;
}

std::string FtpServerUrl(const std::string& serverText)
{
    const std::string text = Trim(serverText);
    const std::string low = Lower(text);
    for (const char* scheme : {"ftp:", "ftps:", "ftpes:", "sftp:", "http:", "https:", "s3:"}) {
        if (StartsWith(low, scheme))
            return text;
    }
    return "ftp://" + text + "/";
}

std::string FtpRedactUrl(const std::string& url)
{
    const size_t scheme = url.find("://");
    const size_t from = scheme == std::string::npos ? 0 : scheme + 3;
    const size_t slash = url.find('/', from);
    const size_t at = url.rfind('@', slash == std::string::npos ? std::string::npos : slash);
    if (at == std::string::npos || at < from)
        return url;
    const size_t colon = url.find(':', from);
    if (colon == std::string::npos || colon > at)
        return url;
    return url.substr(0, colon + 1) + "***" + url.substr(at);
}

}  // namespace pellucor
