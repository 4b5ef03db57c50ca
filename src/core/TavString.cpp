#include "core/TavString.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace pellucor {

std::vector<std::string> Tav_Split(std::string_view text, std::string_view sep)
{
    const char separator = sep.empty() ? ' ' : sep.front();
    std::vector<std::string> fields(1);
    std::string rest = Trim(text);
    while (!rest.empty()) {
        const auto pos = rest.find(separator);
        if (pos == std::string::npos) {
            fields.push_back(rest);
            break;
        }
        fields.push_back(rest.substr(0, pos));
        rest = Trim(std::string_view(rest).substr(pos + 1));
    }
    return fields;
}

bool Tav_ReadLine(std::istream& in, std::string& line)
{
    line.clear();
    char c;
    bool kept = false;
    while (in.get(c)) {
        if (!kept) {
            if (c == '\r' || c == '\n' || c == ' ' || c == '\t')
                continue;
            kept = true;
        } else if (c == '\r' || c == '\n') {
            return true;
        }
        line.push_back(c);
    }
    return kept;
}

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string Lower(std::string_view s)
{
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return std::tolower(c); });
    return r;
}

std::string Upper(std::string_view s)
{
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return std::toupper(c); });
    return r;
}

bool Contains(std::string_view s, std::string_view what) { return s.find(what) != std::string_view::npos; }
bool IContains(std::string_view s, std::string_view what) { return Contains(Lower(s), Lower(what)); }
bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool EndsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}
bool IEquals(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

std::string ReplaceAll(std::string_view s, std::string_view find, std::string_view with)
{
    if (find.empty())
        return std::string(s);
    std::string out;
    size_t from = 0;
    for (;;) {
        const auto pos = s.find(find, from);
        if (pos == std::string_view::npos)
            break;
        out.append(s.substr(from, pos - from));
        out.append(with);
        from = pos + find.size();
    }
    out.append(s.substr(from));
    return out;
}

double Val(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    std::string num;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        num.push_back(s[i++]);
    bool digits = false, point = false;
    for (; i < s.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(s[i]))) {
            digits = true;
            num.push_back(s[i]);
        } else if (s[i] == '.' && !point) {
            point = true;
            num.push_back('.');
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    return std::strtod(num.c_str(), nullptr);
}

int64_t RoundHalfEven(double v)
{
    if (!std::isfinite(v))
        return 0;
    // Clamp to a range that fits the 32-bit tick arithmetic callers use.
    v = std::clamp(v, -2.0e9, 2.0e9);
    return static_cast<int64_t>(std::nearbyint(v));  // default mode rounds halves to even
}

std::string Fmt000(long n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, n < 0 ? "-%03ld" : "%03ld", n < 0 ? -n : n);
    return buf;
}

std::string Fmt00(long n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, n < 0 ? "-%02ld" : "%02ld", n < 0 ? -n : n);
    return buf;
}

std::string Utf8Prefix(std::string_view text, size_t maxBytes)
{
    size_t cut = std::min(text.size(), maxBytes);
    while (cut > 0 && cut < text.size() && IsUtf8Continuation(text[cut]))
        --cut;
    return std::string(text.substr(0, cut));
}

std::string MarkupEscaped(std::string_view text)
{
    std::string out;
    for (char c : text)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return out;
}

}  // namespace pellucor
