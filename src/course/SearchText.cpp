#include "course/SearchText.h"

#include <QChar>
#include <QList>
#include <QString>

namespace pellucor {

namespace {

// Digits of the last (32 terminal) and of the other places (32 more); the
// page's script holds the same two rows.
constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvGHIJKLMNOPQRSTUVWXYZ_-wxyzABCDEF";

void appendFolded(std::u32string& out, char32_t c)
{
    if (c == U'\u00DF') {  // ß
        out += U"ss";
        return;
    }
    if (c == U'\u03C2') {  // final sigma
        out += U'\u03C3';
        return;
    }
    out += c;
}

}  // namespace

std::vector<std::string> SearchTerms(const std::string& text)
{
    // Decomposed, marks dropped, then lower-cased as the script does it
    // (String.prototype.toLowerCase after normalize("NFKD")).
    const QString decomposed
        = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).normalized(QString::NormalizationForm_KD);
    std::u32string kept;
    kept.reserve(static_cast<size_t>(decomposed.size()));
    for (const char32_t c : decomposed.toUcs4())
        if (QChar::category(c) != QChar::Mark_NonSpacing)
            kept += c;
    const QList<uint> lower = QString::fromUcs4(kept.data(), static_cast<qsizetype>(kept.size())).toLower().toUcs4();

    std::vector<std::string> terms;
    std::u32string word;
    const auto endWord = [&] {
        if (word.size() >= 2) {
            if (word.size() > kMaxTermChars)
                word.resize(kMaxTermChars);
            terms.push_back(QString::fromUcs4(word.data(), static_cast<qsizetype>(word.size())).toStdString());
        }
        word.clear();
    };
    for (const uint c : lower) {
        if (QChar::isLetterOrNumber(c))
            appendFolded(word, c);
        else
            endWord();
    }
    endWord();
    return terms;
}

std::u16string TermOrder(const std::string& term)
{
    // UTF-8 byte order is code point order; UTF-16 differs from it only
    // where a character beyond U+FFFF meets one from U+E000 to U+FFFF.
    return QString::fromStdString(term).toStdU16String();
}

void AppendNumber(std::string& out, uint64_t n)
{
    char buf[16];
    int len = 0;
    buf[len++] = kDigits[n % 32];
    n /= 32;
    while (n) {
        buf[len++] = kDigits[32 + n % 32];
        n /= 32;
    }
    while (len)
        out += buf[--len];
}

}  // namespace pellucor
