#include "server/HtmlText.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace pellucor {

std::string HtmlEscape(const std::string& text)
{
    return QString::fromStdString(text).toHtmlEscaped().replace('\'', "&#39;").toStdString();
}

std::string HrefForUrl(const std::string& url)
{
    const QUrl parsed(QString::fromStdString(url), QUrl::TolerantMode);
    const std::string encoded = parsed.isValid() ? parsed.toEncoded().toStdString() : HrefForPath(url);
    return HtmlEscape(encoded);
}

std::string HrefForPath(const std::string& relative)
{
    return QByteArray::fromStdString(relative).toPercentEncoding("/").toStdString();
}

}  // namespace pellucor
