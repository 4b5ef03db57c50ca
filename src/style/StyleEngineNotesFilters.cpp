// Filters for copied notes lines: tag stripping and automatic hyperlinks.
#include "style/StyleEngine.h"

#include "core/TavString.h"

namespace pellucor {

std::string StyleEngine::StripTags(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    bool inComment = false, inTag = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inComment) {
            if (i >= 3 && text.compare(i - 2, 3, "-->") == 0)
                inComment = false;
            continue;
        }
        if (inTag) {
            if (c == '>')
                inTag = false;
            continue;
        }
        const std::string_view rest = std::string_view(text).substr(i);
        if (rest.substr(0, 4) == "<!--") {
            inComment = true;
            continue;
        }
        if (Upper(rest.substr(0, 3)) == "<P>" || Upper(rest.substr(0, 4)) == "</P>") {
            out.push_back(c);
            continue;
        }
        if (c == '<') {
            inTag = true;
            continue;
        }
        out.push_back(c);
    }
    return out;
}

namespace {

// Markup already present: the line is left alone.
bool carriesMarkup(const std::string& text)
{
    const std::string l = Lower(text);
    for (const char* m : {"href", "=\"", "<a", "\">", "\" >", ".htm\"", ".html\""})
        if (l.find(m) != std::string::npos)
            return true;
    return false;
}

}  // namespace

std::string StyleEngine::AutoLink(const std::string& text)
{
    if (carriesMarkup(text))
        return text;
    struct Scheme {
        const char* word;
        const char* opening;
    };
    static constexpr Scheme kSchemes[] = {{"http://", "<a href="},
                                          {"https://", "<a href="},
                                          {"ftp://", "<a href="},
                                          {"gopher://", "<a href="},
                                          {"www.", "<a href=http://"}};
    // Every address of the line is linked, left to right. An address ends
    // before a blank or "<", and punctuation that closes the sentence around
    // it is not part of it.
    std::string result;
    size_t from = 0;
    for (;;) {
        size_t p = std::string::npos;
        const Scheme* found = nullptr;
        for (const Scheme& scheme : kSchemes) {
            const size_t at = text.find(scheme.word, from);
            if (at < p) {
                p = at;
                found = &scheme;
            }
        }
        if (!found)
            break;
        size_t end = text.find_first_of(" \t<", p);
        if (end == std::string::npos)
            end = text.size();
        while (end > p && std::string_view(".,;:!?)]").find(text[end - 1]) != std::string_view::npos)
            --end;
        const std::string addr = text.substr(p, end - p);
        result += text.substr(from, p - from);
        if (addr == found->word)
            result += addr;  // a scheme alone is not an address
        else
            result += found->opening + addr + ">" + addr + "</a>";
        from = end;
    }
    return result + text.substr(from);
}

}  // namespace pellucor
