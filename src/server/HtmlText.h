// Text that goes into the server's HTML log and index pages: names and
// messages are escaped so that no lecture name can become markup, and link
// targets are percent-encoded so that no quote or blank ends them early.
#pragma once

#include <string>

namespace pellucor {

// "<", ">", "&", quotes -> entities.
std::string HtmlEscape(const std::string& text);
// An absolute URL for an href attribute: characters a URL may not hold
// percent-encoded (what is already valid stays), then attribute-escaped.
std::string HrefForUrl(const std::string& url);
// A relative link to a name inside the page's directory: every byte
// except the unreserved characters percent-encoded ("/" kept).
std::string HrefForPath(const std::string& relative);

}  // namespace pellucor
