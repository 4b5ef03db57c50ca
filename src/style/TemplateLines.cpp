#include "style/TemplateLines.h"

#include <fstream>

namespace pellucor {

bool ReadTextLine(std::istream& in, std::string& line)
{
    line.clear();
    std::streambuf* buf = in.rdbuf();
    if (!in || !buf)
        return false;
    using traits = std::char_traits<char>;
    bool any = false;
    for (;;) {
        const traits::int_type c = buf->sbumpc();
        if (traits::eq_int_type(c, traits::eof())) {
            in.setstate(std::ios::eofbit);
            return any;
        }
        any = true;
        const char ch = traits::to_char_type(c);
        if (ch == '\n')
            return true;
        if (ch == '\r') {
            if (traits::eq_int_type(buf->sgetc(), traits::to_int_type('\n')))
                buf->sbumpc();
            return true;
        }
        line.push_back(ch);
    }
}

void WriteTextLine(std::ostream& out, std::string_view line)
{
    std::streambuf* buf = out.rdbuf();
    const auto n = static_cast<std::streamsize>(line.size());
    if (!buf || buf->sputn(line.data(), n) != n || buf->sputn("\r\n", 2) != 2)
        out.setstate(std::ios::badbit);
}

void WriteText(std::ostream& out, std::string_view text)
{
    std::streambuf* buf = out.rdbuf();
    const auto n = static_cast<std::streamsize>(text.size());
    if (!buf || buf->sputn(text.data(), n) != n)
        out.setstate(std::ios::badbit);
}

bool ReadTextFile(const std::string& path, std::vector<std::string>& lines)
{
    lines.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (ReadTextLine(in, line))
        lines.push_back(line);
    return true;
}

bool TemplateLines::Next(std::string& line)
{
    if (in_)
        return ReadTextLine(*in_, line);
    if (!lines_ || pos_ >= lines_->size()) {
        line.clear();
        return false;
    }
    line.assign((*lines_)[pos_++]);
    return true;
}

}  // namespace pellucor
