#include "core/CaptionReview.h"

#include <string_view>

#include <algorithm>
#include <sstream>

#include "core/CaptionFiles.h"
#include "core/TavString.h"

namespace pellucor {

namespace {

constexpr const char* kConfidenceNote = "NOTE Confidence:";

}  // namespace

std::string ConfidenceNote(const std::vector<WordMark>& marks)
{
    std::string note = kConfidenceNote;
    for (const WordMark& m : marks)
        note += " " + std::to_string(m.confidence) + (m.seen ? "+" : "");
    return note;
}

bool ReadConfidenceNote(const std::string& line, std::vector<WordMark>& marks)
{
    if (!StartsWith(line, kConfidenceNote))
        return false;
    marks.clear();
    std::istringstream in(line.substr(std::char_traits<char>::length(kConfidenceNote)));
    for (std::string word; in >> word;) {
        WordMark m;
        m.seen = word.back() == '+';
        if (m.seen)
            word.pop_back();
        if (word.empty() || word.size() > 3 || word.find_first_not_of("0123456789") != std::string::npos)
            return false;
        m.confidence = std::min(std::stoi(word), 100);
        marks.push_back(m);
    }
    return true;
}

std::vector<std::vector<WordMark>> CueConfidences(const std::string& vtt)
{
    // A note's lines cannot hold "-->", so every line that does is a
    // cue's time line; the note that ends just before it is its own.
    std::vector<std::vector<WordMark>> cues;
    std::vector<WordMark> pending;
    bool noted = false, blankSince = true;
    std::istringstream in(vtt);
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.find("-->") != std::string::npos) {
            cues.push_back(noted ? pending : std::vector<WordMark>());
            noted = false;
            blankSince = false;
        } else if (line.empty()) {
            blankSince = true;
        } else if (blankSince && ReadConfidenceNote(line, pending)) {
            noted = true;
        } else if (blankSince && StartsWith(line, "NOTE")) {
            noted = false;  // another note between
        }
    }
    return cues;
}

std::vector<std::string> CaptionWords(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::string CaptionsReview(const std::string& vtt)
{
    const std::string said = Lower(CaptionsHeaderValue(vtt, "Reviewed"));
    return said == "yes" || said == "no" ? said : std::string();
}

CaptionsKind KindOfCaptions(const std::string& path, const std::string& text)
{
    const std::string review = CaptionsReview(text);
    const bool machineNote = OpensAsMachineCaptions(text);
    CaptionsKind kind;
    kind.automatic = IsMachineCaptionsText(path, text) || (!review.empty() && machineNote);
    kind.reviewed = kind.automatic && review == "yes";
    return kind;
}

}  // namespace pellucor
