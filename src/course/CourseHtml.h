// Pieces of the HTML the course writes: its page, the accessibility report
// beside it and the packages' launch pages.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

namespace pellucor {

// Text safe in HTML, between tags and in a quoted attribute.
inline std::string HtmlEscaped(const std::string& text)
{
    return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

// A relative link: every byte but the unreserved ones and "/" encoded.
inline std::string RelativeHref(const std::string& relative)
{
    return QByteArray::fromStdString(relative).toPercentEncoding("/").toStdString();
}

}  // namespace pellucor
