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
        if (Tav_Upper(rest.substr(0, 3)) == "<P>" || Tav_Upper(rest.substr(0, 4)) == "</P>") {
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
    const std::string l = Tav_Lower(text);
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
    static constexpr Scheme kSchemes[] = {
        {"http://", "<a href="}, {"ftp://", "<a href="}, {"gopher://", "<a href="}, {"www.", "<a href=http://"}};
    std::string result = text;
    size_t from = 0;  // where the previous address ended
    for (const Scheme& scheme : kSchemes) {
        const size_t p = text.find(scheme.word, from);
        if (p == std::string::npos)
            continue;
        size_t end = text.find('<', p);
        if (end == std::string::npos)
            end = text.find(' ', p);
        const std::string before = text.substr(0, p);
        if (end == std::string::npos) {
            const std::string addr = text.substr(p);
            return before + scheme.opening + addr + ">" + addr + "</a>";
        }
        const std::string addr = text.substr(p, end - p);
        // Each scheme rebuilds from the input: the last one found wins.
        result = before + scheme.opening + addr + ">" + addr + "</a>" + text.substr(end);
        from = end;
    }
    return result;
}

}  // namespace pellucor
