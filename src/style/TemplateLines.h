// Line sources for the template processor: an open template file, or a loop
// body captured in memory.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pellucor {

// Reads one line of a text file without its line end (CR LF, LF or a lone
// CR). False at the end of the input with nothing read.
bool ReadTextLine(std::istream& in, std::string& line);

// Writes one line followed by CR LF straight into the stream's buffer.
void WriteTextLine(std::ostream& out, std::string_view line);
// Writes text as it is, straight into the stream's buffer.
void WriteText(std::ostream& out, std::string_view text);

// Reads every line of a text file; false when it cannot be opened.
bool ReadTextFile(const std::string& path, std::vector<std::string>& lines);

class TemplateLines {
public:
    explicit TemplateLines(std::istream& in) : in_(&in) { }
    explicit TemplateLines(const std::vector<std::string>& lines) : lines_(&lines) { }

    bool Next(std::string& line);

private:
    std::istream* in_ = nullptr;
    const std::vector<std::string>* lines_ = nullptr;
    size_t pos_ = 0;
};

}  // namespace pellucor
