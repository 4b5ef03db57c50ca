#include "core/TitlesFile.h"

#include "core/TavUtils.h"

namespace pellucor {

std::string TitlesFileHeader(const std::string& from) { return "# Title information extraced by Pellucor from " + from; }

std::string TitlesFileQuoted(const std::string& title) { return ReplaceAll(title, "\"", "&qt;"); }

std::string TitlesFileLine(int slide, const std::string& title)
{
    return "\"img" + Fmt000(slide) + ".gif\" \"" + TitlesFileQuoted(title) + "\"";
}

std::string SlideIndexLine(int slide, const std::string& title)
{
    // A title may hold what HTML gives a meaning to ("a < b", "R&D").
    return "<P ALIGN=LEFT><A HREF=\"sld" + Fmt000(slide) + ".htm\">" + MarkupEscaped(title) + "</A></P>";
}

std::string SlideIndexTitleText(const std::string& html)
{
    return ReplaceAll(ReplaceAll(ReplaceAll(ReplaceAll(html, "&lt;", "<"), "&gt;", ">"), "&quot;", "\""), "&amp;",
                      "&");
}

}  // namespace pellucor
